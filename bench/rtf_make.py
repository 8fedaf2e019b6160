#!/usr/bin/env python3
"""Writes a rich-text document for the reader's benchmark.

  rtf_make.py doc OUT MEGABYTES   paragraphs with formatting, lists and tables
  rtf_make.py runs OUT COUNT      one paragraph of COUNT formatting runs
"""
import sys

HEAD = (r"{\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fswiss Arial;}{\f1\fmodern Courier New;}"
        r"{\f2\fcharset2 Symbol;}}{\colortbl;\red192\green0\blue0;\red0\green0\blue255;}" "\n")
WORDS = ("solicitud exportaci\\'f3n programa empresa ventas Secretar\\'eda registro "
         "contribuyentes domicilio representante producto cuenta").split()


def paragraph(i):
    out = [r"\pard\qj\sa120\f0\fs22 "]
    for j in range(40):
        w = WORDS[(i * 7 + j) % len(WORDS)]
        if j % 9 == 3:
            out.append(r"{\b %s} " % w)
        elif j % 9 == 6:
            out.append(r"{\i\cf1 %s} " % w)
        else:
            out.append(w + " ")
    out.append("\\u8364? 12,345.00\\par\n")
    return "".join(out)


def table(i):
    rows = []
    for r in range(4):
        cells = "".join(r"\cellx%d" % (2000 * (c + 1)) for c in range(4))
        text = "".join(r"\pard\intbl %s %d\cell " % (WORDS[(i + r + c) % len(WORDS)], c) for c in range(4))
        rows.append(r"\trowd\trgaph108" + cells + text + r"\row" + "\n")
    return "".join(rows) + r"\pard\par" + "\n"


def bullets(i):
    return "".join(r"{\listtext\f2 \'b7\tab}\pard\ls1\li720\fi-360 elemento %d de la lista\par" "\n" % k
                   for k in range(3))


def document(size):
    parts = [HEAD]
    total = len(HEAD)
    i = 0
    while total < size:
        piece = paragraph(i)
        if i % 10 == 5:
            piece += table(i)
        if i % 10 == 8:
            piece += bullets(i)
        parts.append(piece)
        total += len(piece)
        i += 1
    parts.append("}\n")
    return "".join(parts)


def runs(count):
    body = "".join((r"{\b x}" if k % 2 else r"{\i y}") for k in range(count))
    return HEAD + r"\pard " + body + r"\par}" + "\n"


if __name__ == "__main__":
    kind, out, amount = sys.argv[1], sys.argv[2], float(sys.argv[3])
    text = document(int(amount * 1024 * 1024)) if kind == "doc" else runs(int(amount))
    with open(out, "w", encoding="ascii") as f:
        f.write(text)
