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

It also makes what the traffic is: the days of each download's period, its average days and
peaks per direction (tables of days and of hours, and the summary; for a period longer than
LONG_PERIOD days, only its summary and its number of days), and the runs of RUNS,
each of downloads with options (a calibrated occupancy, several downloads of one counter),
under tests/data/runs.
"""
import argparse
import calendar
import codecs
import collections
import datetime
import gc
import math
import os
import random
import re
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
    return ("ENTRADAS\r\n" + "".join(entries) + "\r\nSALIDAS\r\n" + "".join(exits) + "\r\n"
           + f"ENTRADAS={len(entries)} SALIDAS={len(exits)} TOTAL={len(records)}\r\n\r\n"
           + f"CONTADOR GLOBAL: {counter} NUMERO DE SERIE: {serial}\r\n"
           + f"FECHA DE DESCARGA:{date}\r\n").encode("latin-1")


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


def table_name(name: bytes) -> bytes:
    """The archivo of a download named `name`: its bare file name; standard input's (an empty
    name) in words."""
    return name.rsplit(b"/", 1)[-1] if name else "(entrada estándar)".encode()


def passages_csv(a) -> bytes:
    lead, t = record_lead(a), a["downloads"][0]["text"]
    out = b"archivo,contador,serie,registro,sentido,fecha,hora,sello,valido\r\n"
    for record, direction, stamp, (y, mo, d, h, mi, s) in passages(t):
        date = f"{y:04d}-{mo:02d}-{d:02d}" if valid_date(y, mo, d) else ""
        time = f"{h:02d}:{mi:02d}:{s:02d}" if valid_time(h, mi, s) else ""
        ok = "si" if date and time else "no"
        out += lead + f"{record},{direction},{date},{time},".encode() + table_text(utf8(stamp)) + \
            f",{ok}\r\n".encode()
    return out


# What the traffic is: the period of a download (or of several downloads of one counter read
# as one record), its days, weekdays and average days, the peaks per direction, the calibrated
# occupancy.

WEEKDAYS = ["lunes", "martes", "miércoles", "jueves", "viernes", "sábado", "domingo"]
DAY = 86400
# The longest period, in days, whose tables of days and of hours are stored: a download with
# stray stamps decades apart has a row for each of its days, and is listed in
# long_periods.txt with the number of its days instead.
LONG_PERIOD = 400


def second_of(when):
    """A valid moment (y, mo, d, h, mi, s) as seconds on one time line (whole days from the
    first day of year 1)."""
    y, mo, d, h, mi, s = when
    return datetime.date(y, mo, d).toordinal() * DAY + h * 3600 + mi * 60 + s


def date_of(day):
    return datetime.date.fromordinal(day)


def dmy(day):
    return date_of(day).strftime("%d/%m/%Y")


def clock(second):
    second %= DAY
    return f"{second // 3600:02d}:{second // 60 % 60:02d}:{second % 60:02d}"


def hh_mm(minutes):
    return f"{minutes // 60:02d}:{minutes % 60:02d}"


def tenths(total, count):
    """total / count with one decimal, rounded half up, in tenths."""
    return math.floor(Fraction(10 * total, count) + Fraction(1, 2))


def read_download(name: bytes, t):
    """One download as the analysis reads it: its checks, in record order, its passages
    counted (valid, with a direction), in record order, and its period."""
    counter, serial, date = header(t)
    moment = download_moment(date)
    checks = {k: [] for k in ("invalid", "none", "back", "after")}
    counted, latest = [], 0
    records = passages(t)
    for record, direction, _, when in records:
        if not direction:
            checks["none"].append(record)
        if not (valid_date(*when[:3]) and valid_time(*when[3:])):
            checks["invalid"].append(record)
            continue
        at = second_of(when)
        if at < latest:
            checks["back"].append(record)
        latest = max(latest, at)
        if moment is not None and at > second_of(moment):
            checks["after"].append(record)
        if direction:
            counted.append((at, record, direction))
    period = None
    if counted:
        first, last = min(c[0] for c in counted), max(c[0] for c in counted)
        # The download date is a moment of the counter's clock, which holds even seconds: an
        # odd second ends the period at the even one before it.
        end = second_of(moment) // 2 * 2 if moment else last
        period = (first, max(last, end))
    return {"name": name, "text": t, "counter": counter, "serial": serial, "date": date,
            "moment": moment, "records": len(records), "checks": checks, "counted": counted,
            "period": period}


def peak(volumes, starts):
    """The hour (4 quarters) from a start in `starts` with the most of `volumes`, the earliest
    of equals: (start in minutes, volume, factor), or None when that volume is 0."""
    s = max(starts, key=lambda s: (sum(volumes[s:s + 4]), -s))
    v = sum(volumes[s:s + 4])
    return (s * 15, v, peak_factor(v, max(volumes[s:s + 4]))) if v else None


def analyse(downloads, start=0, reset=None, capacity=None):
    """What the counts of `downloads` ([(name, first field text)]) say, read as one record of
    one counter; `reset` in minutes from 00:00."""
    read = [read_download(name, t) for name, t in downloads]
    a = {"downloads": read, "start": start, "reset": reset, "capacity": capacity}
    a["records"] = sum(r["records"] for r in read)
    for k in ("invalid", "none", "back", "after"):
        a[k] = [(i, rec) for i, r in enumerate(read) for rec in r["checks"][k]]
    a["date_read"] = all(r["moment"] is not None for r in read)
    dated = [i for i, r in enumerate(read) if r["moment"] is not None]
    lead = max(dated, key=lambda i: (second_of(read[i]["moment"]), i)) if dated else len(read) - 1
    a["lead"] = read[lead]

    # The merge, in time order (equal times: download order, then record order), and the
    # passages one download holds that another holds more often (or as often, given first).
    merged = sorted((at, i, rec, direction) for i, r in enumerate(read)
                    for at, rec, direction in r["counted"])
    held = {}
    for at, i, rec, direction in merged:
        held.setdefault((at, direction), collections.Counter())[i] += 1
    keeper = {key: max(sorted(c), key=lambda i: (c[i], -i)) for key, c in held.items()}
    kept = [p for p in merged if keeper[(p[0], p[3])] == p[1]]
    a["repeated"] = [(p[1], p[2]) for p in merged if keeper[(p[0], p[3])] != p[1]]
    a["entries"], a["exits"] = (sum(p[3] == k for p in kept) for k in ("entrada", "salida"))

    # The covered stretches: the downloads' periods, joined where they overlap or touch.
    stretches = []
    for first, last in sorted(r["period"] for r in read if r["period"]):
        if stretches and first <= stretches[-1][1]:
            stretches[-1][1] = max(stretches[-1][1], last)
        else:
            stretches.append([first, last])
    a["stretches"] = stretches
    a["gaps"] = [(stretches[k][1], stretches[k + 1][0]) for k in range(len(stretches) - 1)]
    a["days"] = []
    if not stretches:
        a["period"] = None
        a["below"], a["lowest"], a["near_minutes"] = [], 0, 0 if capacity else None
        a["empty_days"], a["averages"] = [], None
        return a
    a["period"] = (stretches[0][0], stretches[-1][1])
    end = a["period"][1]
    for day in range(stretches[0][0] // DAY, end // DAY + 1):
        coverage = ("completo" if any(f // DAY < day < l // DAY for f, l in stretches) else
                    "parcial" if any(day in (f // DAY, l // DAY) for f, l in stretches) else
                    "sin datos")
        a["days"].append({"day": day, "weekday": date_of(day).weekday(), "coverage": coverage,
                          "quarters": [[0, 0] for _ in range(96)], "occupancy": [0] * 96})

    # The time line: the passages kept and the daily resets (each before the passages of its
    # own second), walked event by event.
    events = [(at, 1, i, rec, direction) for at, i, rec, direction in kept]
    if reset is not None:
        events += [(d["day"] * DAY + reset * 60, 0, -1, 0, "reset") for d in a["days"]
                   if d["coverage"] != "sin datos" and d["day"] * DAY + reset * 60 <= end]
    events.sort()
    by_day = collections.defaultdict(list)
    for e in events:
        by_day[e[0] // DAY].append(e)
    value, below, lowest, changes = start, [], 0, []
    for d in a["days"]:
        d["start"] = d["max"] = d["min"] = value
        d["max_at"], d["correction"] = 0, None
        at_quarter = {}
        for at, _, i, rec, direction in by_day[d["day"]]:
            second = at % DAY
            if direction == "reset":
                d["correction"], value = value, 0
            else:
                value += 1 if direction == "entrada" else -1
                d["quarters"][second // 900][direction == "salida"] += 1
                if value < 0:
                    below.append((i, rec))
                    lowest = min(lowest, value)
            if value > d["max"]:
                d["max"], d["max_at"] = value, second
            d["min"] = min(d["min"], value)
            at_quarter[second // 900] = value
            changes.append((at, value))
        d["end"] = value
        carried = d["start"]
        for q in range(96):
            carried = at_quarter.get(q, carried)
            d["occupancy"][q] = carried
        if capacity and d["coverage"] != "sin datos":
            m = d["max"]
            d["share"] = (1 if m >= 0 else -1) * ((2000 * abs(m) + capacity) // (2 * capacity))
    a["below"], a["lowest"] = below, lowest

    # Minutes at or above 90 % of the capacity within the covered stretches: each value holds
    # from its moment until the next change.
    near = 0
    for first, last in stretches:
        for k, (at, v) in enumerate(changes):
            until = changes[k + 1][0] if k + 1 < len(changes) else last
            lo, hi = max(at, first), min(until, last)
            if capacity and hi > lo and v * 10 >= 9 * capacity:
                near += hi - lo
    a["near_minutes"] = near // 60 if capacity else None

    # Each day's figures: totals, peaks two-way (as before) and per flow, the split.
    for d in a["days"]:
        q = d["quarters"]
        d["entries"], d["exits"] = sum(e for e, _ in q), sum(x for _, x in q)
        d["hours"] = [[sum(q[k][f] for k in range(4 * h, 4 * h + 4)) for h in range(24)]
                      for f in (0, 1)]
        if d["coverage"] == "sin datos" or d["entries"] + d["exits"] == 0:  # no peak
            d["peaks"], d["peak"], d["split"] = [[None, None]] * 3, None, None
            continue
        flows = [[e for e, _ in q], [x for _, x in q], [e + x for e, x in q]]
        d["peaks"] = [[peak(v, r) for r in (range(0, 45), range(45, 93))] for v in flows]
        d["peak"] = peak(flows[2], range(0, 93))
        s, v = d["peak"][0] // 15, d["peak"][1]  # a day with passages has a peak
        d["split"] = (2000 * max(sum(f[s:s + 4]) for f in flows[:2]) + v) // (2 * v)
    a["empty_days"] = [d["day"] for d in a["days"]
                       if d["coverage"] == "completo" and d["entries"] + d["exits"] == 0]
    a["averages"] = []
    for kinds in (range(0, 5), range(5, 7)):
        chosen = [d for d in a["days"] if d["coverage"] == "completo" and d["weekday"] in kinds]
        hours = [[sum(d["hours"][f][h] for d in chosen) for h in range(24)] for f in (0, 1)]
        a["averages"].append({"days": len(chosen), "totals": [sum(h) for h in hours],
                              "hours": hours})
    return a


def record_lead(a) -> bytes:
    """The fields every row of a record's tables starts with: archivo, contador and serie."""
    names = b" + ".join(table_name(r["name"]) for r in a["downloads"])
    lead = a["lead"]
    return b"".join(table_text(f) + b"," for f in (names, utf8(lead["counter"]),
                                                   utf8(lead["serial"])))


def iso(day):
    return date_of(day).isoformat()


def day_fields(d):
    """fecha, dia and completo of a day's rows."""
    mark = {"completo": "si", "parcial": "no"}.get(d["coverage"], d["coverage"])
    return f"{iso(d['day'])},{WEEKDAYS[d['weekday']]},{mark},"


def days_csv(a) -> bytes:
    lead = record_lead(a)
    out = [(b"archivo,contador,serie,fecha,dia,completo,entradas,salidas,total,punta_manana,"
           b"vol_manana,fhp_manana,punta_tarde,vol_tarde,fhp_tarde,reparto,ocupacion_max,"
           b"ocupacion_min,ocupacion_fin\r\n")]
    for d in a["days"]:
        row = day_fields(d)
        if d["coverage"] == "sin datos":
            row += "," * 12
        else:
            row += f"{d['entries']},{d['exits']},{d['entries'] + d['exits']},"
            for p in d["peaks"][2]:
                row += f"{hh_mm(p[0])},{p[1]},{p[2] // 100}.{p[2] % 100:02d}," if p else ",0,,"
            split = d["split"]
            row += (f"{split // 10}.{split % 10}" if split is not None else "") + \
                f",{d['max']},{d['min']},{d['end']}"
        out.append(lead + row.encode() + b"\r\n")
    return b"".join(out)


def hourly_csv(a) -> bytes:
    lead = record_lead(a)
    out = [b"archivo,contador,serie,fecha,dia,completo,sentido," +
           ",".join(f"h{h:02d}" for h in range(24)).encode() + b",total\r\n"]
    for d in a["days"]:
        for f, sense in enumerate(("entrada", "salida")):
            row = day_fields(d) + f"{sense},"
            hours = d["hours"][f]
            row += "," * 24 if d["coverage"] == "sin datos" else \
                ",".join(map(str, hours)) + f",{sum(hours)}"
            out.append(lead + row.encode() + b"\r\n")
    return b"".join(out)


def intervals_record_csv(a, minutes) -> bytes:
    lead = record_lead(a)
    out = [b"archivo,contador,serie,fecha,desde,hasta,entradas,salidas,total,ocupacion\r\n"]
    per = minutes // 15
    for d in a["days"]:
        if d["entries"] + d["exits"] == 0:
            continue
        for first in range(0, 96, per):
            e, x = (sum(q[k] for q in d["quarters"][first:first + per]) for k in (0, 1))
            out.append(lead + (f"{iso(d['day'])},{hh_mm(first * 15)},{hh_mm((first + per) * 15)},"
                               f"{e},{x},{e + x},{d['occupancy'][first + per - 1]}\r\n").encode())
    return b"".join(out)


def decimal(value):
    """A value in tenths with its one decimal."""
    return f"{'-' if value < 0 else ''}{abs(value) // 10},{abs(value) % 10}"


def n_of(n, one, several):
    return f"{n} {one if n == 1 else several}"


def found_list(items, one, several, first):
    if not items:
        return "0"
    lead = first if len(items) > 5 else several if len(items) > 1 else one
    return f"{len(items)} ({lead} " + ", ".join(items[:5]) + ")"


def record_summary(a) -> bytes:
    read = a["downloads"]
    lead = a["lead"]
    several = len(read) > 1

    def name_of(r):
        return shown(r["name"]) if r["name"] else "entrada estándar".encode()

    def found(refs):
        shown_refs = [f"{rec}" if not several else
                      f"{rec} de " + name_of(read[i]).decode("utf-8", "surrogateescape")
                      for i, rec in refs]
        return found_list(shown_refs, "registro", "registros", "primeros registros")

    def when(at):
        return f"{dmy(at // DAY)} {clock(at)}"

    lines = [(b"Descargas: " if several else b"Descarga: ") +
             b" + ".join(name_of(r) for r in read),
             b"Contador: " + shown(utf8(lead["counter"])) + "   Número de serie: ".encode() +
             shown(utf8(lead["serial"])) + b"   Descargado: " + shown(utf8(lead["date"])),
             f"Registros: {a['records']}   Entradas: {a['entries']}   "
             f"Salidas: {a['exits']}".encode()]
    if a["period"]:
        kinds = [sum(1 for d in a["days"] if d["coverage"] == k)
                 for k in ("completo", "parcial", "sin datos")]
        n = len(a["days"])
        counts_text = (f"{n_of(n, 'día', 'días')}: {n_of(kinds[0], 'completo', 'completos')}, "
                       f"{n_of(kinds[1], 'parcial', 'parciales')}" +
                       (f", {kinds[2]} sin datos" if kinds[2] else ""))
        lines.append(f"Periodo: del {when(a['period'][0])} al {when(a['period'][1])} "
                     f"({counts_text})".encode())
    else:
        lines.append("Periodo: ninguno (ningún paso válido con sentido)".encode())
    calibration = f"Ocupación inicial: {a['start']}"
    if a["reset"] is not None:
        calibration += f"   Puesta a cero: {hh_mm(a['reset'])}"
    if a["capacity"]:
        calibration += (f"   Capacidad: {a['capacity']} (al 90 % o más: "
                        f"{n_of(a['near_minutes'], 'minuto', 'minutos')})")
    lines += [calibration.encode(), b"Comprobaciones:",
              f"  Fechas u horas no válidas: {found(a['invalid'])}".encode(),
              f"  Registros sin sentido: {found(a['none'])}".encode(),
              f"  Reloj atrasado: {found(a['back'])}".encode(),
              ("  Pasos posteriores a la descarga: " + (
                  found(a["after"]) if a["date_read"] else
                  "no se comprueba: la fecha de descarga no se lee como día/mes/año "
                  "hora:minuto:segundo")).encode(),
              (f"  Ocupación por debajo de cero: {found(a['below'])}" +
               (f"; la más baja, {a['lowest']}" if a["below"] else "")).encode(),
              ("  Días completos sin ningún paso: " + found_list(
                  [dmy(day) for day in a["empty_days"]], "día", "días",
                  "primeros días")).encode()]
    if several:
        lines += [f"  Pasos repetidos en otra descarga: {found(a['repeated'])}".encode(),
                  ("  Sin datos: " + found_list(
                      [f"del {when(f)} al {when(t)}" for f, t in a["gaps"]], "tramo", "tramos",
                      "primeros tramos")).encode()]
    if a["period"]:
        lines.append(b"")
        for title, none, average in zip(
                ("Día laborable medio", "Día de fin de semana medio"),
                ("ningún día completo de lunes a viernes", "ningún sábado ni domingo completo"),
                a["averages"]):
            n = average["days"]
            if n == 0:
                lines.append(f"{title}: {none}".encode())
                continue
            e, x = average["totals"]
            lines += [f"{title}: {n_of(n, 'día completo', 'días completos')}".encode(),
                      f"  Entradas: {decimal(tenths(e, n))}   Salidas: {decimal(tenths(x, n))}   "
                      f"Total: {decimal(tenths(e + x, n))}".encode(),
                      ("  Hora " + "".join(w.rjust(10) for w in ("Entradas", "Salidas", "Total"))
                       ).encode()]
            lines += [(f"  {h:02d}:00" + "".join(decimal(tenths(v, n)).rjust(10)
                                                 for v in (e, x, e + x))).encode()
                      for h, (e, x) in enumerate(zip(*average["hours"]))]
    def share(d):
        return f"  Ocupación máxima: {decimal(d['share'])} % de la capacidad".encode()

    def kind(d):
        """A missing day, or a quiet one: complete, and nothing changed it (no passage, no
        reset that corrected a value)."""
        quiet = d["coverage"] == "completo" and d["entries"] + d["exits"] == 0
        return "sin datos" if d["coverage"] == "sin datos" else \
            "quiet" if quiet and not d["correction"] else None

    # Runs of two or more quiet days, or of missing days, are one paragraph each.
    days, i = a["days"], 0
    while i < len(days):
        d, n = days[i], 1
        while kind(d) and i + n < len(days) and kind(days[i + n]) == kind(d):
            n += 1
        if n > 1:
            last = days[i + n - 1]
            span = (f"{dmy(d['day'])} {WEEKDAYS[d['weekday']]} a "
                    f"{dmy(last['day'])} {WEEKDAYS[last['weekday']]}")
            if kind(d) == "sin datos":
                lines += [b"", f"{span}, {n} días sin datos".encode()]
            else:
                lines += [b"", f"{span}, {n} días completos sin ningún paso".encode(),
                          f"  Ocupación: {d['end']}".encode()]
                if a["capacity"]:
                    lines.append(share(d))
            i += n
            continue
        i += 1
        lines += [b"", f"{dmy(d['day'])} {WEEKDAYS[d['weekday']]}, {d['coverage']}".encode()]
        if d["coverage"] == "sin datos":
            continue

        def hour(p):
            return f"{hh_mm(p[0])}-{hh_mm(p[0] + 60)}"

        def factor(f):
            return f"{f // 100},{f % 100:02d}"

        def peak_text(p):
            return f"{hour(p)} ({p[1]}, factor {factor(p[2])})" if p else "ninguna"

        lines.append(f"  Entradas: {d['entries']}   Salidas: {d['exits']}   "
                     f"Total: {d['entries'] + d['exits']}".encode())
        p = d["peak"]
        lines.append((f"  Hora punta: {hour(p)}, {n_of(p[1], 'vehículo', 'vehículos')}, "
                      f"factor {factor(p[2])}; "
                      f"reparto {decimal(d['split'])} %"
                      if p else "  Hora punta: ninguna").encode())
        for k, title in enumerate(("Punta de mañana", "Punta de tarde")):
            lines.append((f"  {title}: entradas {peak_text(d['peaks'][0][k])}; "
                          f"salidas {peak_text(d['peaks'][1][k])}; "
                          f"total {peak_text(d['peaks'][2][k])}").encode())
        lines.append(f"  Ocupación: máxima {d['max']} a las {clock(d['max_at'])}, mínima "
                     f"{d['min']}, al final del día {d['end']}".encode())
        if d["correction"] is not None:
            lines.append(f"  Puesta a cero a las {hh_mm(a['reset'])}: corrección "
                         f"{d['correction']}".encode())
        if a["capacity"]:
            lines.append(share(d))
    return b"\n".join(lines) + b"\n\n"


def first_field(data: bytes) -> bytes:
    """The first field of a download file: up to a comma or line end; a field that starts
    with a double quote runs, without its quotes, to the closing quote or the line end."""
    quoted, plain = re.match(rb'"([^"\r\n]*)|([^,\r\n]*)', data).groups()
    return plain if quoted is None else quoted

# Runs of the command line with options, each stored as tests/data/runs/NAME.FORMAT: the
# downloads (read from tests/data, named as given), the options, the outputs.
RUNS = {
    # A reset that corrects a drift, a capacity reached and left.
    "car_park_calibrated": (["car_park.vlm"], ["--occupancy-start", "3", "--occupancy-reset",
                                               "03:00", "--capacity", "40"],
                            ["summary", "days", "intervals60"]),
    # A reset before the first passage (it replaces the starting value), maxima above the
    # capacity and shares of it that round half up.
    "traffic_week_calibrated": (["traffic_week.vlm"], ["--occupancy-start", "5",
                                                       "--occupancy-reset", "06:00",
                                                       "--capacity", "3"], ["summary", "days"]),
    # Two downloads of one counter, the second repeating part of the first's memory.
    "combine_overlap": (["counter_a1.vlm", "counter_a2.vlm"], ["--combine"],
                        ["summary", "days", "hourly", "intervals60"]),
    # Two downloads of one counter with days between them that neither covers, the occupancy
    # carried across them at the capacity (those days count no minutes at it).
    "combine_gap": (["counter_a1.vlm", "counter_a3.vlm"], ["--combine", "--capacity", "2"],
                    ["summary", "days", "hourly"]),
    # A reset before the first passage and one at the very moment of the download date.
    "reset_at_end": (["stretch_2.vlm"], ["--occupancy-start", "7", "--occupancy-reset", "08:00"],
                     ["summary"]),
    # Stretches that touch, nest and leave 2 seconds or days between them, given out of order;
    # the time at 90 % of the capacity exactly, in whole minutes; a share below zero.
    "combine_stretches": (["stretch_3.vlm", "stretch_1.vlm", "stretch_5.vlm", "stretch_4.vlm",
                           "stretch_2.vlm"], ["--combine", "--capacity", "10"],
                          ["summary", "days", "hourly"]),
    # Six stretches without data (the first five named); of dates that do not read, the
    # last given.
    "combine_six_gaps": ([f"stretch_{k}.vlm" for k in range(1, 10)], ["--combine"], ["summary"]),
    "combine_unread": (["stretch_9.vlm", "stretch_8.vlm"], ["--combine"], ["summary"]),
    # Download dates one second apart, the later one given first.
    "combine_odd_second": (["stretch_10.vlm", "stretch_3.vlm", "stretch_4.vlm"], ["--combine"],
                           ["summary"]),
    # An exit of the first download given and an entry of the second in the same second: the
    # exit comes first, and the occupancy goes below zero.
    "combine_same_second": (["stretch_11.vlm", "stretch_4.vlm"], ["--combine"], ["summary"]),
}
# Each output a run or a reference download can have: the end of its file's name, its maker.
OUTPUTS = {"passages": ("passages.csv", passages_csv), "summary": ("summary.txt", record_summary),
           "days": ("days.csv", days_csv), "hourly": ("hourly.csv", hourly_csv),
           "intervals15": ("intervals15.csv", lambda a: intervals_record_csv(a, 15)),
           "intervals60": ("intervals60.csv", lambda a: intervals_record_csv(a, 60))}


def run(downloads, options, files):
    """The record a run analyses: its downloads (their bytes in `files`, by name) and its
    calibration, from the options."""
    given, words = {}, iter(options)
    for word in words:
        given[word] = True if word == "--combine" else next(words)
    assert given.get("--combine") or len(downloads) == 1
    reset = given.get("--occupancy-reset")
    texts = [(name.encode(), first_field(files[name]).decode("latin-1")) for name in downloads]
    return analyse(texts, start=int(given.get("--occupancy-start", 0)),
                     reset=int(reset[:2]) * 60 + int(reset[3:]) if reset else None,
                     capacity=int(given["--capacity"]) if "--capacity" in given else None)


def download(rng, days, per_day, counter, serial, when):
    records = []
    for day in days:
        times = sorted(rng.randrange(6 * 3600, 22 * 3600) for _ in range(per_day))
        for t in times:
            h, mi, s = t // 3600, t // 60 % 60, t % 60 // 2 * 2
            records.append("$" + stamp(*day, h, mi, s) + rng.choice("@#"))
    return ("&" + counter + "00" + serial + when + "".join(records)).encode("latin-1")


def make():
    """Every file the generator makes, by its path from the repository root."""
    made = {}

    def put(path, data):
        assert path not in made
        made[path] = data

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
    # What the traffic is, at its edges. A week of one counter over the leap day of 2028,
    # from a Friday afternoon to the download on the next Friday at noon: two weekend days and
    # four weekdays whole (their means rounding half up), one of them without a passage, peaks
    # at the ends of the morning and of the day, passages at one second.
    def passages_of(marked):
        return b"".join(b"$" + stamp(*when).encode() + mark.encode() for when, mark in marked)

    def day_of(y, mo, d, marked):
        return [((y, mo, d, *[int(p) for p in at.split(":")]), mark) for at, mark in marked]

    week = [*day_of(2028, 2, 25, [("15:20:00", "@"), ("15:25:00", "@"), ("15:40:00", "#"),
                                  ("17:06:00", "#")]),
            *day_of(2028, 2, 26, [("10:00:00", "@"), ("10:10:00", "@"), ("11:30:00", "#"),
                                  ("12:40:00", "#"), ("18:00:00", "@")]),
            *day_of(2028, 2, 27, [("09:15:00", "#"), ("11:00:00", "@"), ("11:20:00", "#"),
                                  ("11:58:00", "@")]),
            *day_of(2028, 2, 28, [("07:20:00", "@"), ("07:35:00", "@"), ("07:50:00", "@"),
                                  ("08:05:00", "@"), ("08:10:00", "#"), ("08:25:00", "#"),
                                  ("08:40:00", "#"), ("16:50:00", "@"), ("17:00:00", "#"),
                                  ("17:10:00", "#"), ("17:40:00", "#")]),
            *day_of(2028, 2, 29, [("00:00:00", "@"), ("08:00:00", "@"), ("08:00:00", "@"),
                                  ("08:14:58", "#"), ("13:30:00", "@"), ("23:59:58", "#")]),
            *day_of(2028, 3, 2, [("07:45:00", "@"), ("12:00:00", "#"), ("12:00:00", "@")]),
            *day_of(2028, 3, 3, [("06:00:00", "@"), ("09:00:00", "#")])]
    traffic_week = b"&000610xx31" + b"03/03/2028 12:30:00 " + passages_of(week) + b"\r\n"
    # A car park of 40 places over three days and a night, downloaded at 02:30 before its
    # daily 03:00 (so that no reset follows the record's end): three cars leave the first
    # night, and an exit is lost on each of the first days, so that the occupancy drifts up;
    # the second day it fills to the last place and empties; on the third a car comes in at
    # the very second of the reset.
    park = [*day_of(2027, 5, 4, [("00:40:00", "#"), ("01:10:00", "#"), ("02:06:00", "#")] +
                    [(at, "@") for at in ("07:55:00", "08:05:00", "08:20:00", "08:21:00",
                                          "08:30:00", "09:10:00", "09:45:00", "10:00:00",
                                          "11:15:00", "13:05:00", "14:00:00", "15:30:00")] +
                    [(at, "#") for at in ("12:00:00", "13:40:00", "16:10:00", "16:45:00",
                                          "17:00:00", "17:20:00", "17:30:00", "17:55:00",
                                          "18:30:00", "19:00:00", "20:15:00")]),
            *day_of(2027, 5, 5, [(f"{7 + (30 + 2 * k) // 60:02d}:{(30 + 2 * k) % 60:02d}:00", "@")
                                 for k in range(40)] +
                    [("12:00:00", "#"), ("12:30:00", "@")] +
                    [(f"{16 + 3 * k // 60:02d}:{3 * k % 60:02d}:10", "#") for k in range(39)]),
            *day_of(2027, 5, 6, [("03:00:00", "@"), ("05:00:00", "#")] +
                    [(at, "@") for at in ("09:00:00", "09:20:00", "10:02:00", "10:30:00",
                                          "11:00:00", "11:45:00")] +
                    [(at, "#") for at in ("12:15:00", "15:00:00", "16:40:00", "17:10:00",
                                          "18:00:00")]),
            *day_of(2027, 5, 7, [("01:15:00", "#")])]
    car_park = b"&000720xx44" + b"07/05/2027 02:30:00 " + passages_of(sorted(park)) + b"\r\n"
    # Three downloads of one counter: the second repeats part of the first's memory (one
    # passage it holds twice where the first holds it once, one the first lacks), with a
    # record without direction and one with the clock set back; the third comes after days
    # that no download covers. The first has an impossible date.
    a1 = [*day_of(2027, 3, 6, [("14:00:00", "@"), ("14:30:00", "#"), ("16:10:00", "@")]),
          *day_of(2027, 3, 7, [("10:00:00", "@"), ("10:20:00", "#")]),
          *day_of(2027, 3, 8, [("07:30:00", "@"), ("07:45:00", "@"), ("08:10:00", "#"),
                               ("17:30:00", "#")]),
          *day_of(2027, 3, 9, [("07:30:00", "@"), ("07:40:00", "#"), ("08:00:00", "@"),
                               ("18:00:00", "#")]),
          *day_of(2027, 3, 10, [("08:20:00", "@")])]
    a2 = [*a1[5:10], *day_of(2027, 3, 9, [("07:30:00", "@")]), *a1[10:12],
          *day_of(2027, 3, 9, [("12:00:00", "@")]), *a1[12:],
          *day_of(2027, 3, 10, [("11:00:00", "@"), ("12:10:00", "#")]),
          *day_of(2027, 3, 11, [("07:50:00", "@"), ("16:30:00", "#")]),
          *day_of(2027, 3, 12, [("08:15:00", "@"), ("17:45:00", "#")]),
          *day_of(2027, 3, 13, [("09:30:00", "@")]), *day_of(2027, 3, 11, [("10:00:00", "@")])]
    a3 = [*day_of(2027, 3, 16, [("11:00:00", "@"), ("11:30:00", "#"), ("15:00:00", "@")]),
          *day_of(2027, 3, 17, [("08:00:00", "@"), ("17:00:00", "#")]),
          *day_of(2027, 3, 18, [("07:55:00", "@"), ("12:00:00", "#")])]
    counters = {
        "counter_a1": b"&000510xx21" + b"10/03/2027 09:00:00 " + passages_of(a1[:4]) +
                      b"$3E9F0000#" + passages_of(a1[4:]) + b"\r\n",
        "counter_a2": b"&000530xx21" + b"13/03/2027 10:15:00 " + passages_of(a2[:3]) +
                      b"$" + stamp(2027, 3, 8, 9, 0, 0).encode() + b"1" + passages_of(a2[3:]) +
                      b"\r\n",
        "counter_a3": b"&000560xx21" + b"18/03/2027 16:00:00 " + passages_of(a3) + b"\r\n",
    }
    # Downloads of one counter (serial 51) with the edges of the covered stretches: the second
    # starts at the first's download date (they touch), the third 2 seconds after the second's
    # (a gap), the fourth lies inside the third with the same download date (of equal dates,
    # the last given gives the header), the fifth to ninth leave days uncovered and have dates
    # that do not read, the tenth lies inside the third and was downloaded one second later, the
    # eleventh has an exit in the second of the fourth's entry.
    # The first has 9 cars for 90 seconds, two complete days without a passage after it and
    # exits at the last afternoon start; the second leaves the occupancy below zero all day.
    def one_counter(counter, date, marked):
        return b"&" + counter + b"xx51" + date + passages_of(marked) + b"\r\n"

    stretches = {
        "stretch_1": one_counter(b"000900", b"04/06/2027 12:00:00 ", day_of(2027, 6, 1, [
            ("10:00:00", "@")] * 9 + [(at, "#") for at in ("10:01:30", "23:00:00", "23:59:58")])),
        "stretch_2": one_counter(b"000900", b"05/06/2027 08:00:00 ",
                                 day_of(2027, 6, 4, [("12:00:00", "#")] * 7)),
        "stretch_3": one_counter(b"000900", b"07/06/2027 18:00:00 ", day_of(
            2027, 6, 5, [("08:00:02", "#")]) + day_of(2027, 6, 7, [("09:00:00", "@")])),
        "stretch_4": one_counter(b"000901", b"07/06/2027 18:00:00 ",
                                 day_of(2027, 6, 6, [("10:00:00", "@")])),
        **{f"stretch_{k}": one_counter(f"00090{k - 3}".encode(),
                                       f"{2 * k:02d}/06/2027 24:00:00 ".encode(),
                                       day_of(2027, 6, 2 * k, [("11:00:00", "@")]))
           for k in range(5, 10)},
        "stretch_10": one_counter(b"000907", b"07/06/2027 18:00:01 ",
                                  day_of(2027, 6, 6, [("12:00:00", "#")])),
        "stretch_11": one_counter(b"000908", b"06/06/2027 20:00:00 ",
                                  day_of(2027, 6, 6, [("10:00:00", "#")])),
    }
    references = {"worked_example": worked, "small_download": small, **edges,
                  "traffic_week": traffic_week, "car_park": car_park, **counters, **stretches}
    put("samples/counter_2026-11.vlm", sample)
    # Downloads that fail, for the command-line transcript: an empty file, and a first record
    # whose "#" stands too near the start of the event list (failure 5).
    failing = {"empty": b"", "bad_first_record": b"&000123xx07$1#$3E654A3B@"}
    for name, data in {**references, **failing}.items():
        put(f"tests/data/{name}.vlm", data)
    long_periods = []
    for stem, data in references.items():
        path, first = f"tests/data/{stem}", first_field(data)
        put(path + ".report.txt", report(first))
        put(path + ".report.C.txt", report(first, "C"))
        analysis = analyse([(f"{stem}.vlm".encode(), first.decode("latin-1"))])
        short = len(analysis["days"]) <= LONG_PERIOD
        for output, (ext, write) in OUTPUTS.items():
            if short or output not in ("days", "hourly"):
                put(f"{path}.{ext}", write(analysis))
        if not short:
            long_periods.append(f"{stem}.vlm {len(analysis['days'])}\n")
    put("tests/data/long_periods.txt", "".join(sorted(long_periods)).encode())
    for stem, (downloads, options, formats) in RUNS.items():
        analysis = run(downloads, options, {f"{n}.vlm": d for n, d in references.items()})
        for output in formats:
            ext, write = OUTPUTS[output]
            put(f"tests/data/runs/{stem}.{ext}", write(analysis))
    return made


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--into", default=".", help="the folder to write under (default: here)")
    args = parser.parse_args()
    gc.disable()  # many small lists, none of them in a cycle
    for path, data in make().items():
        path = os.path.join(args.into, path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
