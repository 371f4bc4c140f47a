"""Checks a CSV file written for spreadsheets against the files themselves, as Python's csv module and os.stat
see them. Usage: csv_check.py CSV PATHS [GONE...]; PATHS holds the expected paths in order, each ended by a NUL;
GONE are paths that were removed before the export. Prints one line a fault; exits 1 if there is any."""
import csv
import datetime
import io
import os
import sys

FORMULA = ("=", "+", "-", "@", "\t", "\r")


def text_cell(value):
    return "'" + value if value.startswith(FORMULA) else value


def extension(name):
    dot = name.rfind(".")
    return "" if dot <= 0 else name[dot + 1:]


def main():
    raw = open(sys.argv[1], "rb").read()
    expected = [p.decode() for p in open(sys.argv[2], "rb").read().split(b"\0")[:-1]]
    gone = set(sys.argv[3:])
    faults = []
    if not raw.startswith(b"\xef\xbb\xbf"):
        faults.append("no byte-order mark")
    # Every record ends with CR LF: what is left once the quoted cells are taken out has no bare LF or CR.
    outside = b"".join(raw.split(b'"')[0::2])
    if outside.replace(b"\r\n", b"").count(b"\n") or outside.replace(b"\r\n", b"").count(b"\r"):
        faults.append("a line end other than CR LF outside quotes")
    rows = list(csv.reader(io.StringIO(raw.decode("utf-8-sig"), newline="")))
    if rows[:1] != [["Path", "Name", "Extension", "Size", "Modified"]]:
        faults.append("header %r" % rows[:1])
    if [r[0] for r in rows[1:]] != expected:
        faults.append("paths %r, expected %r" % ([r[0] for r in rows[1:]], expected))
    for row in rows[1:]:
        path = row[0]
        name = os.path.basename(path)
        want = [path, text_cell(name), text_cell(extension(name)), "", ""]
        if path not in gone:
            info = os.stat(path)
            stamp = datetime.datetime.fromtimestamp(int(info.st_mtime)).astimezone()
            want[3:] = [str(info.st_size), stamp.isoformat()]
        if row != want:
            faults.append("row %r, expected %r" % (row, want))
        if name.startswith(FORMULA) and ('"\'' + name.replace('"', '""')).encode() not in raw:
            faults.append("formula name %r not quoted with its quote mark" % name)
    for fault in faults:
        print(fault)
    print("%d rows checked" % (len(rows) - 1))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
