#!/usr/bin/env python3
"""Makes the download files under tests/data and samples/, and the expected reports of the
files under tests/data, with a decoder written apart from the program's own.

The expected reports use the fixed regional forms of the tests (dd/mm/yyyy and hh:mm:ss);
the ".C" ones the forms of the classic "C" locale (mm/dd/yy and HH:MM:SS), as the program
itself renders them when started with LC_ALL=C.
Run from the repository root: python3 tests/data/make_golden.py
"""
import calendar
import random

CRLF = b"\r\n"


def stamp(y, mo, d, h, mi, s):
    date = ((y - 1980) << 9) | (mo << 5) | d
    time = (h << 11) | (mi << 5) | (s // 2)
    return f"{date:04X}{time:04X}"


def hexbyte(sl):
    v = 0
    for c in sl:
        if c in "0123456789abcdefABCDEF":
            v = v * 16 + int(c, 16)
        elif c in " \t\n":
            continue
        else:
            break
    return v


def render(eight, style):
    x = [hexbyte(eight[o:o + 2]) for o in (0, 1, 2, 4, 5, 6)]
    y = (x[0] & 0xFE) // 2 + 1980
    mo = (x[1] & 0x1E) // 2
    d = x[2] & 0x1F
    h = (x[3] & 0xF8) // 8
    mi = (x[4] & 0x7E) // 2
    s = (x[5] & 0x1F) * 2
    if 1 <= mo <= 12 and 1 <= d <= calendar.monthrange(y, mo)[1]:
        date = f"{d:02d}/{mo:02d}/{y:04d}" if style == "fixed" else f"{mo:02d}/{d:02d}/{y % 100:02d}"
    else:
        date = f"{d}/{mo}/{y}"
    if h <= 23 and mi <= 59 and s <= 59:
        tm = f"{h:02d}:{mi:02d}:{s:02d}"
    else:
        tm = f"{h}:{mi}:{s}"
    return date + "    " + tm


def report(text: bytes, style="fixed") -> bytes:
    """The report after Open, Conversion and Save of a file whose first field is `text`."""
    t = text.decode("latin-1")
    p = t.find("&") + 1
    counter = t[p:p + 6] if p >= 0 else ""
    serial = t[p + 8:p + 10]
    date = t[p + 10:p + 30]
    events = ""
    total = 0
    i = t.find("$")
    while i >= 0:
        events += t[i + 1:i + 10] + "\r\n"
        total += 1
        i = t.find("$", i + 1)

    def raw(marker):
        out, n, i = "", 0, events.find(marker)
        while i >= 0:
            assert i >= 8
            out += events[i - 8:i] + "\r\n"
            n += 1
            i = events.find(marker, i + 1)
        return out, n

    exit_raw, exits = raw("#")
    entry_raw, entries = raw("@")

    def lines(r):
        # One line per raw line: each is a stamp of 8 characters and CRLF.
        assert len(r) % 10 == 0
        return "".join(render(r[i:i + 8], style) + "\r\n" for i in range(0, len(r), 10))

    rep = ("ENTRADAS\r\n" + lines(entry_raw) + "\r\n" + "SALIDAS\r\n" + lines(exit_raw) + "\r\n"
           + f"ENTRADAS={entries} SALIDAS={exits} TOTAL={total}\r\n\r\n"
           + f"CONTADOR GLOBAL: {counter} NUMERO DE SERIE: {serial}\r\n"
           + f"FECHA DE DESCARGA:{date}\r\n")
    return rep.encode("latin-1")


def first_field(data: bytes) -> bytes:
    """The first field of a download file: up to a comma or line end; a field that starts
    with a double quote runs, without its quotes, to the closing quote or the line end."""
    if data.startswith(b'"'):
        stops, data = b'"\r\n', data[1:]
    else:
        stops = b',\r\n'
    ends = [i for i in (data.find(bytes([c])) for c in stops) if i >= 0]
    return data[:min(ends)] if ends else data


def download(rng, days, per_day, counter, serial, when, extra=""):
    records = []
    for day in days:
        times = sorted(rng.randrange(6 * 3600, 22 * 3600) for _ in range(per_day))
        for t in times:
            h, mi, s = t // 3600, t // 60 % 60, t % 60 // 2 * 2
            records.append("$" + stamp(*day, h, mi, s) + rng.choice("@#"))
    return ("&" + counter + "00" + serial + when + "".join(records) + extra).encode("latin-1")


def main():
    rng = random.Random(20261206)
    # The worked example: one entry and one exit on 5 March 2011.
    worked = b"&000123xx07" + b"D" * 20 + b"$3E654A3B@$3E655238#\r\n"
    # A small download over three days, with records the counter should never write: a
    # payload without marker, a lower-case stamp, an impossible date and time, a record cut
    # short by the next one, and a short record at the very end.
    small = download(rng, [(2024, 2, 28), (2024, 2, 29), (2024, 3, 1)], 6, "004711", "12",
                     "01/03/2024 18:30:05  ")
    small = small.replace(b"\r\n", b"") + (b"$3e654a3b@$123456789$3E9F0000#$FFFFFFFF@"
                                           b"$00000000#$3E65$4A3B@$3E65") + b"\r\n"
    sample = download(rng, [(2026, 11, d) for d in range(23, 30)], 45, "012345", "07",
                      "29/11/2026 23:59:58  ") + b"\r\n"
    date20 = b"01/03/2024 18:30:05 "
    # Edge cases of the reader, the header, the scans and the decoder, one file each.
    edges = {
        # Quoted first field holding a comma; the rest of the line and the next line unread.
        "quoted_field": b'"zz&12,456xx07' + date20 + b'$3E654A3B@"$3E655238#,$3E655238#\r\n'
                        b"$3E654A3B@\r\n",
        # No "&": the header is cut from the start of the text; a comma ends the field.
        "no_header": b"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789$3E654A3B@$3E655238#,$3E655238#",
        # The first of two "&" near the end: the download date is cut short.
        "late_header": b"$3E654A3B@$3E655238#&123456xx0107/03&999999yy33\n$3E654A3B@",
        # Records the counter should never write: markers inside payloads, a "$" inside a
        # stamp, a record of one digit whose stamp reaches back into the one before, and a
        # "$" at the very end.
        "odd_records": b"&000001xx01" + b"D" * 20 + b"$3E654A3B@$1234567#@$3E654A3B@"
                       b"$3E65$4A3B@$3E655238#$1#$3E654A3B@$",
        # Dates and times at and past their limits, in both cases and with blanks inside,
        # several of them more than once.
        "stamps": b"&000002xx02" + date20 + b"".join(
            b"$" + s + m for s, m in [
                (b"3E654A3B", b"@"), (b"3e654a3b", b"#"), (b"00000000", b"@"),
                (b"3E9F0000", b"#"), (b"FFFFFFFF", b"@"), (b"3FA10000", b"#"),
                (b"485D0000", b"@"), (b"4A5D0000", b"#"), (b"285D0000", b"@"),
                (b"FE5D0000", b"#"), (b"00210000", b"@"), (b"FF9FBF7D", b"#"),
                (b"0021BF7E", b"@"), (b"0021BF7F", b"#"), (b"0021C000", b"@"),
                (b"00210F80", b"#"), (b"3E9F0F80", b"@"), (b"3EA11000", b"@"),
                (b"3E9F0F80", b"@"), (b"ZZZZZZZZ", b"#"), (b"3E 54A3B", b"@"),
                (b"3E\t54A3B", b"#"), (b"3EA11000", b"#"), (b"3E654A3B", b"@")]),
        # An empty first line: nothing of the next line is read.
        "empty_first_line": b"\r\n&000123xx07" + b"D" * 20 + b"$3E654A3B@\r\n",
        # Bytes of the whole code page in the header fields, markup among them.
        "high_bytes": b"&\x80\x81<b>\xE9\xFFzz\xA0\x9D</b>\xF1\x8D\x90 \xBF\x9Fx\x00y\x7F\x01end"
                      b"$3E654A3B@",
    }
    for path, data in [("tests/data/worked_example.vlm", worked),
                       ("tests/data/small_download.vlm", small),
                       ("samples/counter_2026-11.vlm", sample)]:
        open(path, "wb").write(data)
    references = [("tests/data/worked_example.vlm", worked), ("tests/data/small_download.vlm", small)]
    for name, data in edges.items():
        path = f"tests/data/{name}.vlm"
        open(path, "wb").write(data)
        references.append((path, data))
    # Downloads that fail, for the command-line transcript: an empty file, and a first record
    # whose "#" stands too near the start of the event list (failure 5).
    failing = {"empty": b"", "bad_first_record": b"&000123xx07$1#$3E654A3B@"}
    for name, data in failing.items():
        open(f"tests/data/{name}.vlm", "wb").write(data)
    for path, data in references:
        first = first_field(data)
        open(path.replace(".vlm", ".report.txt"), "wb").write(report(first))
        open(path.replace(".vlm", ".report.C.txt"), "wb").write(report(first, "C"))

if __name__ == "__main__":
    main()
