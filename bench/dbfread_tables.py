#!/usr/bin/env python3
# The peer of the diskette check benchmark: python3-dbfread reading the four
# delivered tables of every folder given (names without regard to case),
# every record decoded, one summary line a folder.
import os
import sys

from dbfread import DBF

TABLES = ("datoprov.dbf", "provmerc.dbf", "ventas.dbf", "activida.dbf")

out = sys.stdout
for folder in sys.argv[1:]:
    try:
        names = {name.lower(): name for name in os.listdir(folder)}
    except OSError as e:
        out.write("%s: %s\n" % (folder, e))
        continue
    counts = []
    for table in TABLES:
        name = names.get(table)
        if name is None:
            counts.append("-")
            continue
        records = list(DBF(os.path.join(folder, name), char_decode_errors="strict"))
        counts.append(str(len(records)))
    out.write("%s: %s\n" % (folder, " ".join(counts)))
