#!/usr/bin/env python3
"""Makes the download files under tests/data and samples/, and the expected reports of the
files under tests/data and what their counts say (passages, intervals of 15 and 60 minutes,
summary), with a decoder and an analysis written apart from the program's own.

The expected reports use the fixed regional forms of the tests (dd/mm/yyyy and hh:mm:ss);
the ".C" ones the forms of the classic "C" locale (mm/dd/yy and HH:MM:SS), as the program
itself renders them when started with LC_ALL=C.
Run from the repository root: python3 tests/data/make_golden.py
With --into FOLDER it writes the same files under FOLDER (FOLDER/tests/data/...,
FOLDER/samples/...) instead, leaving the stored ones alone, to compare them with.
"""
import argparse
import calendar
import codecs
import math
import os
import random
import re
from itertools import accumulate
from fractions import Fraction

def stamp(y, mo, d, h, mi, s):
    date = ((y - 1980) << 9) | (mo << 5) | d
    time = (h << 11) | (mi << 5) | (s // 2)
    return f"{date:04X}{time:04X}"


def hexbyte(sl):
    """The hex digits of `sl` up to its first other character but a blank, as one number."""
    digits = re.match(r"[0-9a-fA-F \t\n]*", sl).group()
    return int(re.sub(r"[ \t\n]", "", digits) or "0", 16)


def decode(eight):
    x = [hexbyte(eight[o:o + 2]) for o in (0, 1, 2, 4, 5, 6)]
    return ((x[0] & 0xFE) // 2 + 1980, (x[1] & 0x1E) // 2, x[2] & 0x1F, (x[3] & 0xF8) // 8,
            (x[4] & 0x7E) // 2, (x[5] & 0x1F) * 2)


def valid_date(y, mo, d):
    return 1 <= mo <= 12 and 1 <= d <= calendar.monthrange(y, mo)[1]


def valid_time(h, mi, s):
    return h <= 23 and mi <= 59 and s <= 59


def render(eight, style):
    y, mo, d, h, mi, s = decode(eight)
    date = (f"{d}/{mo}/{y}" if not valid_date(y, mo, d) else f"{d:02d}/{mo:02d}/{y:04d}"
            if style == "fixed" else f"{mo:02d}/{d:02d}/{y % 100:02d}")
    time = f"{h:02d}:{mi:02d}:{s:02d}" if valid_time(h, mi, s) else f"{h}:{mi}:{s}"
    return date + "    " + time


def at_each(text, mark):
    """Where `mark` stands in `text`, in order."""
    return [i for i, c in enumerate(text) if c == mark]


def header(t):
    """Counter, serial number and download date of a first field (latin-1 decoded)."""
    p = t.find("&") + 1
    return t[p:p + 6], t[p + 8:p + 10], t[p + 10:p + 30]


def report(text: bytes, style="fixed") -> bytes:
    """The report after Open, Conversion and Save of a file whose first field is `text`."""
    t = text.decode("latin-1")
    counter, serial, date = header(t)
    records = at_each(t, "$")
    events = "".join(t[i + 1:i + 10] + "\r\n" for i in records)

    def lines(marker):
        """A line for each marker in the event list, of the 8 characters before it."""
        assert all(i >= 8 for i in at_each(events, marker))
        return [render(events[i - 8:i], style) + "\r\n" for i in at_each(events, marker)]

    entries, exits = lines("@"), lines("#")
    rep = ("ENTRADAS\r\n" + "".join(entries) + "\r\nSALIDAS\r\n" + "".join(exits) + "\r\n"
           + f"ENTRADAS={len(entries)} SALIDAS={len(exits)} TOTAL={len(records)}\r\n\r\n"
           + f"CONTADOR GLOBAL: {counter} NUMERO DE SERIE: {serial}\r\n"
           + f"FECHA DE DESCARGA:{date}\r\n")
    return rep.encode("latin-1")


# Bytes a decoder cannot take, each on its own: as the same code point (the code page's
# unassigned bytes), or as a lone surrogate (bytes that are not UTF-8; "surrogateescape").
codecs.register_error("as_latin1", lambda e: (e.object[e.start:e.end].decode("latin-1"), e.end))
NOT_SHOWN = ("[\x00-\x1f\x7f-\x9f\udc80-\udcff"  # control characters and bytes not UTF-8,
             "\u061c\u200e\u200f\u202a-\u202e\u2066-\u2069]")  # and marks that turn text


def utf8(t):
    """Windows-1252 text (as latin-1 decoded bytes) in UTF-8; unassigned bytes as themselves."""
    return t.encode("latin-1").decode("cp1252", "as_latin1").encode("utf-8")


def csv_field(text: bytes) -> bytes:
    if any(c in text for c in b',"\r\n'):
        return b'"' + text.replace(b'"', b'""') + b'"'
    return text


def table_text(data: bytes) -> bytes:
    """A text field of a table: valid UTF-8 (U+FFFD for each byte outside it), then an
    apostrophe before a value a spreadsheet would run as a formula, then quoted as needed."""
    out = re.sub("[\udc80-\udcff]", "\ufffd", data.decode("utf-8", "surrogateescape")).encode()
    if out[:1] in (b"=", b"+", b"-", b"@", b"\t", b"\r"):
        out = b"'" + out
    return csv_field(out)


# The marks that turn the direction text is read in: shown as control characters are.


def shown(data: bytes) -> bytes:
    """A name as people are shown it: as it is when it is valid UTF-8 without control
    characters, else in pieces a shell reads back: '...' for characters, $'...' for bytes."""
    text = data.decode("utf-8", "surrogateescape")
    if not re.search(NOT_SHOWN, text):
        return data
    letters = {7: "\\a", 8: "\\b", 9: "\\t", 10: "\\n", 11: "\\v", 12: "\\f", 13: "\\r"}
    out = ""
    for piece in re.findall(f"{NOT_SHOWN}+|(?:(?!{NOT_SHOWN}).)+", text, re.S):
        if re.match(NOT_SHOWN, piece):
            out += "$'" + "".join(letters.get(b, f"\\{b:03o}")
                                  for b in piece.encode("utf-8", "surrogateescape")) + "'"
        else:
            out += "'" + piece.replace("'", "'\\''") + "'"
    return out.encode("utf-8")


def passages(t):
    """(record, direction, stamp, decoded) for each "$" of the text."""
    return [(n, {"@": "entrada", "#": "salida"}.get(t[i + 9:i + 10], ""), t[i + 1:i + 9],
             decode(t[i + 1:i + 9])) for n, i in enumerate(at_each(t, "$"), 1)]


def download_moment(date):
    """The header's download date as (y, mo, d, h, mi, s) when its first 19 characters are
    dd/mm/yyyy hh:mm:ss in ASCII digits, a real date and time in a year a stamp holds
    (1980 to 2107); whatever follows them is not looked at."""
    m = re.fullmatch(r"([0-9]{2})/([0-9]{2})/([0-9]{4}) ([0-9]{2}):([0-9]{2}):([0-9]{2})",
                     date[:19])
    d, mo, y, h, mi, s = map(int, m.groups()) if m else [0] * 6
    ok = 1980 <= y <= 2107 and valid_date(y, mo, d) and valid_time(h, mi, s)
    return (y, mo, d, h, mi, s) if ok else None


def peak_factor(volume, largest):
    """volume / (4 x largest) in hundredths, rounded half up, in exact fractions."""
    return math.floor(Fraction(volume, 4 * largest) * 100 + Fraction(1, 2))


def counts(t):
    """What the counts of a first field say, by the definitions of the analysis."""
    records = passages(t)
    checks = {k: [] for k in ("invalid", "none", "back", "after", "below")}
    moment = download_moment(header(t)[2])
    latest, counted = None, []
    for record, direction, _, when in records:
        if not direction:
            checks["none"].append(record)
        if not (valid_date(*when[:3]) and valid_time(*when[3:])):
            checks["invalid"].append(record)
            continue
        if latest is not None and when < latest:
            checks["back"].append(record)
        latest = when if latest is None else max(latest, when)
        if moment is not None and when > moment:
            checks["after"].append(record)
        if direction:
            counted.append((when, record, direction))
    counted.sort(key=lambda c: c[0])  # stable: equal moments stay in record order
    days, occupancy, lowest = [], 0, 0
    for when, record, direction in counted:
        if not days or days[-1]["date"] != when[:3]:
            days.append({"date": when[:3], "quarters": [[0, 0] for _ in range(96)],
                         "carried": occupancy, "max": occupancy, "max_at": 0, "min": occupancy})
        day, second = days[-1], when[3] * 3600 + when[4] * 60 + when[5]
        occupancy += 1 if direction == "entrada" else -1
        day["quarters"][second // 900][direction == "salida"] += 1
        if occupancy > day["max"]:
            day["max"], day["max_at"] = occupancy, second
        day["min"] = min(day["min"], occupancy)
        day["end"] = occupancy
        if occupancy < 0:
            checks["below"].append(record)
            lowest = min(lowest, occupancy)
    for day in days:
        q = day["quarters"]
        day["occupancy"] = list(accumulate((e - x for e, x in q), initial=day["carried"]))[1:]
        volumes = [e + x for e, x in q]
        best = max(range(93), key=lambda s: (sum(volumes[s:s + 4]), -s))
        day["peak"], day["volume"] = best * 15, sum(volumes[best:best + 4])
        largest = max(volumes[best:best + 4])
        day["factor"] = peak_factor(day["volume"], largest)
    return records, checks, moment is not None, days, lowest, len(
        [c for c in counted if c[2] == "entrada"]), len([c for c in counted if c[2] == "salida"])


def table_name(name: bytes) -> bytes:
    """The archivo of a download named `name`: its bare file name; standard input's (an empty
    name) in words."""
    return name.rsplit(b"/", 1)[-1] if name else "(entrada estándar)".encode()


def table_lead(name: bytes, t) -> bytes:
    """The fields every row of a table starts with: archivo, contador and serie."""
    counter, serial, _ = header(t)
    return b"".join(table_text(field) + b"," for field in (table_name(name), utf8(counter),
                                                           utf8(serial)))


def passages_csv(name: bytes, t) -> bytes:
    lead = table_lead(name, t)
    out = b"archivo,contador,serie,registro,sentido,fecha,hora,sello,valido\r\n"
    for record, direction, stamp, (y, mo, d, h, mi, s) in passages(t):
        date = f"{y:04d}-{mo:02d}-{d:02d}" if valid_date(y, mo, d) else ""
        time = f"{h:02d}:{mi:02d}:{s:02d}" if valid_time(h, mi, s) else ""
        ok = "si" if date and time else "no"
        out += lead + f"{record},{direction},{date},{time},".encode() + table_text(utf8(stamp)) + \
            f",{ok}\r\n".encode()
    return out


def intervals_csv(name: bytes, t, minutes) -> bytes:
    lead = table_lead(name, t)
    out = b"archivo,contador,serie,fecha,desde,hasta,entradas,salidas,total,ocupacion\r\n"
    per = minutes // 15
    for day in counts(t)[3]:
        y, mo, d = day["date"]
        for first in range(0, 96, per):
            e, x = (sum(q[k] for q in day["quarters"][first:first + per]) for k in (0, 1))
            start, end = first * 15, (first + per) * 15
            out += lead + (f"{y:04d}-{mo:02d}-{d:02d},{start // 60:02d}:{start % 60:02d},"
                           f"{end // 60:02d}:{end % 60:02d},{e},{x},{e + x},"
                           f"{day['occupancy'][first + per - 1]}\r\n").encode()
    return out


def summary(name: bytes, t) -> bytes:
    counter, serial, date = header(t)
    records, checks, date_read, days, lowest, entries, exits = counts(t)

    def found(found_records):
        if not found_records:
            return "0"
        lead = "primeros registros" if len(found_records) > 5 else \
            "registros" if len(found_records) > 1 else "registro"
        return f"{len(found_records)} ({lead} " + ", ".join(map(str, found_records[:5])) + ")"

    lines = [b"Descarga: " + (shown(name) if name else "entrada estándar".encode()),
             b"Contador: " + shown(utf8(counter)) + "   Número de serie: ".encode() +
             shown(utf8(serial)) + b"   Descargado: " + shown(utf8(date)),
             f"Registros: {len(records)}   Entradas: {entries}   Salidas: {exits}".encode(),
             b"Comprobaciones:",
             f"  Fechas u horas no válidas: {found(checks['invalid'])}".encode(),
             f"  Registros sin sentido: {found(checks['none'])}".encode(),
             f"  Reloj atrasado: {found(checks['back'])}".encode(),
             ("  Pasos posteriores a la descarga: " + (
                 found(checks["after"]) if date_read else
                 "no se comprueba: la fecha de descarga no se lee como día/mes/año "
                 "hora:minuto:segundo")).encode(),
             (f"  Ocupación por debajo de cero: {found(checks['below'])}" +
              (f"; la más baja, {lowest}" if checks["below"] else "")).encode()]
    for day in days:
        y, mo, d = day["date"]
        p, v = day["peak"], day["volume"]
        at = day["max_at"]
        lines += [b"", f"{d:02d}/{mo:02d}/{y:04d}".encode(),
                  f"  Entradas: {sum(q[0] for q in day['quarters'])}   "
                  f"Salidas: {sum(q[1] for q in day['quarters'])}   "
                  f"Total: {sum(q[0] + q[1] for q in day['quarters'])}".encode(),
                  (f"  Hora punta: {p // 60:02d}:{p % 60:02d}-{(p + 60) // 60:02d}:{p % 60:02d}, "
                   f"{v} {'vehículo' if v == 1 else 'vehículos'}, "
                   f"factor {day['factor'] // 100},{day['factor'] % 100:02d}").encode(),
                  (f"  Ocupación: máxima {day['max']} a las "
                   f"{at // 3600:02d}:{at // 60 % 60:02d}:{at % 60:02d}, mínima {day['min']}, "
                   f"al final del día {day['end']}").encode()]
    return b"\n".join(lines) + b"\n\n"


def first_field(data: bytes) -> bytes:
    """The first field of a download file: up to a comma or line end; a field that starts
    with a double quote runs, without its quotes, to the closing quote or the line end."""
    quoted, plain = re.match(rb'"([^"\r\n]*)|([^,\r\n]*)', data).groups()
    return plain if quoted is None else quoted


def download(rng, days, per_day, counter, serial, when):
    records = []
    for day in days:
        times = sorted(rng.randrange(6 * 3600, 22 * 3600) for _ in range(per_day))
        for t in times:
            h, mi, s = t // 3600, t // 60 % 60, t % 60 // 2 * 2
            records.append("$" + stamp(*day, h, mi, s) + rng.choice("@#"))
    return ("&" + counter + "00" + serial + when + "".join(records)).encode("latin-1")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--into", default=".", help="the folder to write under (default: here)")
    into = parser.parse_args().into

    def put(path, data):
        path = os.path.join(into, path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

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
        # What the counts check and how they are counted: exits before entries (occupancy
        # below zero), an entry and an exit at the same second, a peak hour across 08:00, a
        # day with no traffic between two that have some (no intervals for it), the clock
        # set back, a passage after the download, an impossible month, a record with no
        # direction, and a quote in a stamp.
        "checks": b"&000300xx03" + b"05/11/2026 12:00:00 " + b"".join(
            b"$" + stamp(*when).encode() + mark for when, mark in [
                ((2026, 11, 2, 6, 10, 0), b"#"), ((2026, 11, 2, 6, 12, 0), b"#"),
                ((2026, 11, 2, 7, 50, 0), b"@"), ((2026, 11, 2, 7, 50, 0), b"#"),
                ((2026, 11, 2, 7, 55, 0), b"@"), ((2026, 11, 2, 8, 5, 0), b"@"),
                ((2026, 11, 2, 8, 10, 0), b"@"), ((2026, 11, 2, 8, 40, 0), b"@"),
                ((2026, 11, 2, 23, 59, 58), b"@"), ((2026, 11, 4, 0, 0, 0), b"#"),
                ((2026, 11, 4, 12, 30, 0), b"@"), ((2026, 11, 3, 9, 0, 0), b"@"),
                ((2026, 11, 6, 10, 0, 0), b"#")]) +
            b"$" + stamp(2026, 11, 4, 13, 0, 0).encode() + b"1" + b"$3FA14A3B@" + b'$3E6"4A3B#',
        # A download date with no space after it: the first record's "$" is the 20th
        # character of its field, and the date is read all the same; passages after it and
        # one at its very second.
        "date_then_record": b"&000001xx01" + b"05/11/2026 12:00:00" + b"".join(
            b"$" + stamp(*when).encode() + mark for when, mark in [
                ((2026, 11, 6, 10, 0, 0), b"#"), ((2026, 11, 5, 12, 0, 0), b"@"),
                ((2026, 11, 5, 12, 0, 2), b"@"), ((2026, 11, 5, 11, 59, 58), b"@")]) + b"\r\n",
        # Values a spreadsheet would run as formulas, in the counter, the serial number and
        # stamps (one with a quote too, one with a tab first): in the tables each
        # gets an apostrophe in front, before any quoting.
        "formulas": b"&=9*9*9xx-1" + b"05/11/2026 12:00:00 " + b"$=9*9*9*9@$+3E654A3#$-3E654A3@"
                    b"$3E654A3B@$@3E654A3#$\t3E654A3@$=\"4A3B12#\r\n",
        # Bytes of the whole code page in the header fields, markup among them.
        "high_bytes": b"&\x80\x81<b>\xE9\xFFzz\xA0\x9D</b>\xF1\x8D\x90 \xBF\x9Fx\x00y\x7F\x01end"
                      b"$3E654A3B@",
        # Peak hours whose factors round up from a half: 3 / 8 (0,38) and 5 / 8 (0,63).
        "peak_factors": b"&000400xx04" + b"10/11/2026 12:00:00 " + b"".join(
            b"$" + stamp(*when).encode() + mark for when, mark in [
                ((2026, 11, 9, 8, 0, 0), b"@"), ((2026, 11, 9, 8, 5, 0), b"@"),
                ((2026, 11, 9, 8, 20, 0), b"#"), ((2026, 11, 10, 10, 0, 0), b"@"),
                ((2026, 11, 10, 10, 10, 0), b"#"), ((2026, 11, 10, 10, 20, 0), b"@"),
                ((2026, 11, 10, 10, 25, 0), b"#"), ((2026, 11, 10, 10, 40, 0), b"@")]) + b"\r\n",
    }
    references = {"worked_example": worked, "small_download": small, **edges}
    put("samples/counter_2026-11.vlm", sample)
    # Downloads that fail, for the command-line transcript: an empty file, and a first record
    # whose "#" stands too near the start of the event list (failure 5).
    failing = {"empty": b"", "bad_first_record": b"&000123xx07$1#$3E654A3B@"}
    for name, data in {**references, **failing}.items():
        put(f"tests/data/{name}.vlm", data)
    for stem, data in references.items():
        path, first = f"tests/data/{stem}", first_field(data)
        put(path + ".report.txt", report(first))
        put(path + ".report.C.txt", report(first, "C"))
        name, text = f"{stem}.vlm".encode(), first.decode("latin-1")
        put(path + ".passages.csv", passages_csv(name, text))
        for minutes in (15, 60):
            put(path + f".intervals{minutes}.csv", intervals_csv(name, text, minutes))
        put(path + ".summary.txt", summary(name, text))

if __name__ == "__main__":
    main()
