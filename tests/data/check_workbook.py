#!/usr/bin/python3
"""Reads a workbook of tarvex-report back with openpyxl and holds it to the reference tables.

    check_workbook.py [--rows N] BOOK.xlsx NAME...

NAME... are the reference downloads the workbook was made of, in order (NAME.vlm in this
folder), or a reference run of several read as one record, RUN=NAME+NAME (runs/RUN.* its
outputs). Each data sheet must hold, cell by cell, the rows of the matching reference tables of
every NAME one after another (a sheet whose table is missing for any NAME is not compared;
Pasos, of a run, the tables of passages of its downloads):
the same header row; text cells for text, without the apostrophe a CSV puts before what a
spreadsheet would run; dates, times and clock times as date and time cells; counts as whole
numbers; factors with two decimals; shares as percentages. Pasos may go on in Pasos 2, ...,
each of at most N rows with its header. The Resumen sheet has a row per NAME whose totals are
those of its days, and each NAME's two charts draw from the cells their series name.
Exits 1 with every difference found.
"""
import csv
import datetime
import decimal
import io
import math
import os
import re
import sys
import zipfile

import openpyxl

HERE = os.path.dirname(os.path.abspath(__file__))
SHEETS = [("Días", "days.csv"), ("Horas", "hourly.csv"), ("Intervalos", "intervals15.csv"),
          ("Pasos", "passages.csv")]
TEXT = {"archivo", "contador", "serie", "sello", "dia", "completo", "sentido", "valido"}
EPOCH = datetime.datetime(1899, 12, 30)
problems = []
renamed = {}  # a reference download's name, and the name the run gave its copy


def as_run(text):
    for old, new in renamed.items():
        text = text.replace(old, new)
    return text


def fail(text):
    problems.append(text)


def table(name, suffix):
    path = os.path.join(HERE, name + "." + suffix)
    if not os.path.exists(path):
        return None
    with open(path, encoding="utf-8", newline="") as f:
        return list(csv.reader(io.StringIO(as_run(f.read()), newline="")))


def minutes(value):
    """A time or clock-time cell in seconds since 00:00."""
    if isinstance(value, datetime.timedelta):
        return round(value.total_seconds())
    if isinstance(value, datetime.time):
        return value.hour * 3600 + value.minute * 60 + value.second
    if isinstance(value, datetime.datetime):  # a clock time of 24:00 reads as a day
        return round((value - EPOCH).total_seconds())
    return None


def same(column, text, cell, where):
    value = cell.value
    number = isinstance(value, (int, float)) and cell.data_type == "n"
    if text == "":
        if value is not None:
            fail(f"{where}: {value!r} where the table has nothing")
        return
    if column in TEXT:
        expected = text[1:] if text[:1] == "'" and text[1:2] in "=+-@\t\r" else text
        if cell.data_type != "s" or value != expected:
            fail(f"{where}: {value!r} ({cell.data_type}) is not the text {expected!r}")
    elif re.fullmatch(r"\d{4}-\d\d-\d\d", text):
        if not cell.is_date or value != datetime.datetime.fromisoformat(text):
            fail(f"{where}: {value!r} is not the date cell {text}")
        if cell.number_format != "yyyy-mm-dd":
            fail(f"{where}: date shown as {cell.number_format}")
    elif re.fullmatch(r"\d\d:\d\d(:\d\d)?", text):
        parts = [int(p) for p in text.split(":")] + [0]
        if not cell.is_date or minutes(value) != parts[0] * 3600 + parts[1] * 60 + parts[2]:
            fail(f"{where}: {value!r} is not the time cell {text}")
    elif re.fullmatch(r"-?\d+", text):
        if not number or value != int(text) or not float(value).is_integer():
            fail(f"{where}: {value!r} is not the number {text}")
    elif column == "reparto":
        if not number or abs(value - float(text) / 100) > 1e-9 or \
                "%" not in cell.number_format:
            fail(f"{where}: {value!r} ({cell.number_format}) is not the share {text} %")
    elif column.startswith("fhp_"):
        if not number or abs(value - float(text)) > 1e-9 or \
                cell.number_format != "0.00":
            fail(f"{where}: {value!r} ({cell.number_format}) is not the factor {text}")
    else:
        fail(f"{where}: no rule for {column}={text!r}")


def rows_of(book, title, limit):
    """The rows of a sheet followed by those of TITLE 2, TITLE 3, ... (headers apart)."""
    names = [title] + [f"{title} {n}" for n in range(2, 1000) if f"{title} {n}" in book.sheetnames]
    header, rows = None, []
    for name in names:
        sheet = book[name]
        got = list(sheet.iter_rows())
        if len(got) > limit:
            fail(f"{name}: {len(got)} rows, more than {limit}")
        if name != names[-1] and len(got) != limit:
            fail(f"{name}: {len(got)} rows before the next sheet, not {limit}")
        if sheet.freeze_panes != "A2" or not sheet.auto_filter.ref:
            fail(f"{name}: header row not frozen or no autofilter")
        header = header or [c.value for c in got[0]]
        if [c.value for c in got[0]] != header:
            fail(f"{name}: header {[c.value for c in got[0]]}")
        rows += got[1:]
    return header, rows


def seconds_cut(path, sheet, column):
    """The numbers a sheet's file holds in a column, by row, each as a number of seconds cut
    to the second from the decimal form written (as a spreadsheet that cuts them reads it)."""
    with zipfile.ZipFile(path) as z:
        xml = z.read(f"xl/worksheets/sheet{sheet}.xml").decode()
    return {int(row): math.floor(decimal.Decimal(v) * 86400)
            for row, v in re.findall(rf'<c r="{column}(\d+)"(?: s="\d+")?><v>([^<]*)</v>', xml)}


def moments(path, book, records, expected_passages):
    """Every moment read back is the reference's to the second: Resumen's desde and hasta (the
    summary's period) and each passage's hora."""
    resumen = seconds_cut(path, 1, "E") | {-r: s for r, s in seconds_cut(path, 1, "F").items()}
    for n, (name, _) in enumerate(records):
        with open(os.path.join(HERE, name + ".summary.txt"), encoding="utf-8") as f:
            period = re.search(r"Periodo: del (\S+ \S+) al (\S+ \S+)", f.read())
        for sign, text in zip((1, -1), period.groups() if period else ()):
            want = (datetime.datetime.strptime(text, "%d/%m/%Y %H:%M:%S") - EPOCH)
            if resumen.get(sign * (n + 2)) != want.days * 86400 + want.seconds:
                fail(f"Resumen row {n + 2}: {'desde' if sign > 0 else 'hasta'} is not {text}")
    row = 0
    for title in [t for t in book.sheetnames if t.split(" ")[0] == "Pasos"]:
        got = seconds_cut(path, book.sheetnames.index(title) + 1, "G")
        for r in range(2, book[title].max_row + 1):
            passage = expected_passages[row] if row < len(expected_passages) else None
            row += 1
            if passage is not None and got.get(r) != passage:
                fail(f"{title}!G{r}: {got.get(r)} seconds, not {passage}")


def charts(path, book, names, day_rows, limit):
    """Each NAME's column chart draws from its hours on Resumen, its line chart from its
    rows of Días (on the sheet of its first day, to that sheet's end)."""
    with zipfile.ZipFile(path) as z:
        found = sorted(re.findall(r"<c:f>([^<]*)</c:f>", z.read(n).decode())
                       for n in z.namelist() if n.startswith("xl/charts/chart"))
    resumen = book["Resumen"]
    tops = [c.row for c in resumen["A"] if isinstance(c.value, str)
            and c.value.startswith("Días medios por horas: ")]
    expected = []
    for top, (first, last) in zip(tops, day_rows):
        hours = f"$A${top + 2}:$A${top + 25}"
        expected.append([f"Resumen!{hours}", f"Resumen!$B${top + 2}:$B${top + 25}",
                         f"Resumen!{hours}", f"Resumen!$C${top + 2}:$C${top + 25}"])
        if last >= first:
            part, first = divmod(first - 2, limit - 1)
            last = min(last - 2 - part * (limit - 1), limit - 2) + 2
            first += 2
            sheet = "'Días'" if part == 0 else f"'Días {part + 1}'"
            days = [f"{sheet}!${c}${first}" + (f":${c}${last}" if last > first else "")
                    for c in "DGDH"]
            expected.append(days)
    if len(tops) != len(names) or found != sorted(expected):
        fail(f"charts draw from {found}, not {sorted(expected)}")
    for top in tops:
        if minutes(resumen.cell(top + 2, 1).value) != 0 or \
                minutes(resumen.cell(top + 25, 1).value) != 23 * 3600:
            fail(f"Resumen row {top + 2}: the hours are not 00:00 to 23:00")


def main(argv):
    limit = 1048576
    if argv[:1] == ["--rows"]:
        limit, argv = int(argv[1]), argv[2:]
    while argv[:1] == ["--renamed"]:  # --renamed OLD=NEW: the run read a copy named NEW
        old, new = argv[1].split("=")
        renamed[old], argv = new, argv[2:]
    path = argv[0]
    # Each record: the name of its outputs, and its downloads.
    records = [(f"runs/{a.split('=')[0]}", a.split("=")[1].split("+")) if "=" in a else (a, [a])
               for a in argv[1:]]
    names = [r for r, _ in records]
    book = openpyxl.load_workbook(path)
    wanted = ["Resumen", "Días", "Horas", "Intervalos", "Pasos"]
    if [n for n in book.sheetnames if not re.fullmatch(r"(Días|Horas|Intervalos|Pasos) \d+", n)] \
            != wanted + ["Comprobaciones"]:
        fail(f"sheets {book.sheetnames}")
    day_rows, passages = [], []
    for title, suffix in SHEETS:
        tables = [table(n, suffix) for n in
                  (names if title != "Pasos" else [d for _, ds in records for d in ds])]
        if any(t is None for t in tables):
            continue
        header, rows = rows_of(book, title, limit)
        if header != tables[0][0]:
            fail(f"{title}: header {header} is not {tables[0][0]}")
        expected = [r for t in tables for r in t[1:]]
        if len(rows) != len(expected):
            fail(f"{title}: {len(rows)} rows, not {len(expected)}")
        for i, (row, want) in enumerate(zip(rows, expected)):
            for column, text, cell in zip(header, want, row):
                same(column, text, cell, f"{title}!{cell.coordinate}")
            for cell in row[len(want):]:
                if cell.value is not None:
                    fail(f"{title}!{cell.coordinate}: {cell.value!r} past the table's row")
        if title == "Pasos":
            hora = header.index("hora")
            passages = [None if not r[hora] else sum(
                int(p) * f for p, f in zip(r[hora].split(":"), (3600, 60, 1))) for r in expected]
        if title == "Días":
            first = 2
            for t in tables:
                day_rows.append((first, first + len(t) - 2))
                first += len(t) - 1
    resumen = list(book["Resumen"].iter_rows(values_only=True))
    header = resumen[0]
    for n, (name, downloads) in enumerate(records):
        row = dict(zip(header, resumen[1 + n]))
        if row["archivo"] != as_run(" + ".join(d + ".vlm" for d in downloads)):
            fail(f"Resumen row {n + 2}: archivo {row['archivo']!r}")
        with open(os.path.join(HERE, name + ".summary.txt"), encoding="utf-8") as f:
            summary = f.read()
        capacity = re.search(r"Capacidad: (\d+) \(al 90 % o más: (\d+) minutos?\)", summary)
        want = [int(v) for v in capacity.groups()] if capacity else [None, None]
        # descargado: a date-time cell to the second written when the header's date reads,
        # else a text, as the summary has it where the summary needs no quoting.
        downloaded = re.search(r"   Descargado: (.*)", summary).group(1)
        try:
            at = datetime.datetime.strptime(downloaded[:19], "%d/%m/%Y %H:%M:%S") - EPOCH
        except ValueError:
            at = None
        if (seconds_cut(path, 1, "D").get(n + 2) != at.days * 86400 + at.seconds if at
                else not isinstance(row["descargado"], str)
                or "$'" not in downloaded and row["descargado"] != downloaded):
            fail(f"Resumen row {n + 2}: descargado {row['descargado']!r}, not {downloaded!r}")
        if [row["capacidad"], row["minutos_al_90"]] != want:
            fail(f"Resumen row {n + 2}: capacity {row['capacidad']}, {row['minutos_al_90']}")
        days = table(name, "days.csv")
        if days:
            sums = [sum(int(r[c]) for r in days[1:] if r[c]) for c in (6, 7)]
            if [row["entradas"], row["salidas"], row["total"]] != sums + [sum(sums)]:
                fail(f"Resumen row {n + 2}: totals {row['entradas']}, {row['salidas']}")
    # Comprobaciones: the summary's checks, each with its count (none where it is not made)
    # and its first records (what the summary has in brackets, and after them).
    checks = [r[3:6] for r in book["Comprobaciones"].iter_rows(min_row=2, values_only=True)]
    expected = []
    for name in names:
        with open(os.path.join(HERE, name + ".summary.txt"), encoding="utf-8") as f:
            text = as_run(f.read()).split("Comprobaciones:\n", 1)[1].split("\n\n", 1)[0]
        for line in text.split("\n"):
            check, rest = line.strip().split(": ", 1)
            count = re.match(r"(\d+)(?: \((.*)\))?(?:; (.*))?$", rest)
            first = "; ".join(p for p in count.groups()[1:] if p) if count else rest
            expected.append((check, int(count.group(1)) if count else None, first or None))
    if [tuple(c) for c in checks] != expected:
        fail(f"Comprobaciones {checks} are not the summary's {expected}")
    moments(path, book, records, passages)
    if len(day_rows) == len(names):
        charts(path, book, names, day_rows, limit)
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
