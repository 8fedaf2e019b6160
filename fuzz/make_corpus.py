#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_dbf: small sound tables and the kinds of
damage other readers of the format are known to have tripped over.

Usage: fuzz/make_corpus.py [output folder]   (default: fuzz/corpus/dbf)
Only the standard library is used.
"""
import os
import struct
import sys


def field(name, ftype, length, decimals=0):
    return (name, ftype, length, decimals)


def header(fields, count, lang=0x03, version=0x03, reclen=None, hdrlen=None):
    n = len(fields)
    hdrlen = 32 + 32 * n + 1 if hdrlen is None else hdrlen
    reclen = 1 + sum(f[2] for f in fields) if reclen is None else reclen
    h = struct.pack('<BBBBIHH', version, 124, 6, 1, count, hdrlen, reclen)
    h += b'\0' * 17 + bytes([lang]) + b'\0\0'
    for name, ftype, length, decimals in fields:
        h += name.encode('ascii').ljust(11, b'\0') + ftype.encode('ascii')
        h += b'\0' * 4 + bytes([length, decimals]) + b'\0' * 14
    return h + b'\x0d'


def record(fields, values, flag=b' '):
    out = flag
    for (name, ftype, length, decimals), v in zip(fields, values):
        if ftype in 'NF':
            raw = b'' if v is None else (('%.*f' % (decimals, v)) if decimals else str(v)).encode()
            out += raw.rjust(length)
        else:
            out += (v or b'').ljust(length)[:length]
    return out


def hdr_len(fields):
    return 32 + 32 * len(fields) + 1


def table(fields, rows, deleted=(), **kw):
    body = b''.join(record(fields, r, b'*' if i in deleted else b' ') for i, r in enumerate(rows))
    return header(fields, len(rows), **kw) + body + b'\x1a'


VENTAS = [field('ANO', 'N', 4), field('VTOT', 'N', 18, 2), field('TC', 'F', 12, 4),
          field('ETIQUETA', 'C', 30), field('TIPO', 'N', 1)]
VENTAS_ROWS = [[2023, 1234.5, 19.25, b'Ventas totales', 1],
               [2024, None, 17.5, b'Exportaci\xf3n \x80', 1],
               [2025, 0.0, None, b'', 2]]
EVERY = [field('RFC', 'C', 13), field('FECHA', 'D', 8), field('ACTIVO', 'L', 1),
         field('IMPORTE', 'N', 10, 2)]
EVERY_ROWS = [[b' ABC800101AB1', b'20240229', b'T', 12.5],
              [b'XAXX010101000', b'        ', b'?', None],
              [b'\xd1\xc1\xc9\xcd\xd3\xda\xdc\xbf\xa1', b'00000000', b'n', -3.25]]


def seeds():
    s = {}
    s['valid_ventas.dbf'] = table(VENTAS, VENTAS_ROWS)
    s['valid_every_type.dbf'] = table(EVERY, EVERY_ROWS)
    s['valid_empty.dbf'] = table(VENTAS, [])
    s['valid_deleted.dbf'] = table(VENTAS, VENTAS_ROWS, deleted={1})
    s['valid_dos437.dbf'] = table(EVERY, [[b'\xa5AND\xa3 \xc9\xcd\xbb', b'19991231', b'F', 1.0]], lang=0x01)
    s['valid_dos850.dbf'] = table(EVERY, [[b'\xa5AND\xe9', b'20000101', b'Y', 2.0]], lang=0x02)
    s['valid_no_codepage.dbf'] = table(EVERY, EVERY_ROWS, lang=0x00)
    s['valid_memo_version.dbf'] = table(VENTAS, VENTAS_ROWS, version=0x83)
    s['valid_no_end_marker.dbf'] = table(VENTAS, VENTAS_ROWS)[:-1]
    wide = [field('CALLE', 'C', 254), field('DOM', 'C', 254), field('N', 'N', 20, 4)]
    s['valid_wide.dbf'] = table(wide, [[b'x' * 254, b'  lead', 12345678901234.5]] * 2)
    odd = [b'   1.5E3', b'  12.50 ', b'\0\0\0\0\0\0\0\0', b'+.5     ', b'  -0.00 ', b' 15E-4  ']
    s['valid_odd_numbers.dbf'] = (header([field('N', 'N', 8, 2)], len(odd))
                                  + b''.join(b' ' + v for v in odd) + b'\x1a')
    garbage = [b'********', b'1,234.50', b'       -', b'  12abc ', b'  1X2-. ']
    for i, v in enumerate(garbage):
        s['bad_number_garbage_%d.dbf' % i] = (header([field('N', 'N', 8, 2)], 1) + b' ' + v + b'\x1a')
    # Figures no trip through double survives; a name of 11 letters with no
    # NUL; the five bytes Windows-1252 leaves undefined; NUL padding after the header.
    exact = [field('VTOT', 'N', 18, 4), field('TC', 'N', 12, 4), field('NUEVES', 'N', 18, 0),
             field('DESCRIPCION', 'C', 20)]
    s['valid_exact_numbers.dbf'] = (header(exact, 2)
                                    + b' 1234567890123.4567    19.87654999999999999999999'
                                    + b'Banca \x81\x8d\x8f\x90\x9d'.ljust(20, b'\0')
                                    + b' ' + b' ' * 18 + b'    -0.00001' + b'-99999999999999999'
                                    + b'RENGLON'.ljust(20) + b'\x1a')
    padded = table(VENTAS, VENTAS_ROWS)
    s['valid_header_nul_padding.dbf'] = (padded[:8] + struct.pack('<H', hdr_len(VENTAS) + 2) + padded[10:hdr_len(VENTAS)]
                                         + b'\0\0' + padded[hdr_len(VENTAS):])
    s['bad_date_garbage.dbf'] = table(EVERY, [[b' ABC800101AB1', b'2024ZZ99', b'T', 12.5]])
    s['bad_date_impossible.dbf'] = table(EVERY, [[b' ABC800101AB1', b'20230229', b'T', 12.5]])
    s['bad_logical_garbage.dbf'] = table(EVERY, [[b' ABC800101AB1', b'20240229', b'X', 12.5]])
    s['bad_duplicate_names.dbf'] = table([field('A', 'C', 4), field('B', 'N', 3), field('a', 'C', 2)],
                                         [[b'abcd', 7, b'xy']])

    base = s['valid_ventas.dbf']
    hdr = 32 + 32 * len(VENTAS) + 1
    reclen = 1 + sum(f[2] for f in VENTAS)
    s['bad_empty.dbf'] = b''
    s['bad_not_dbase.dbf'] = b'RFC,NOMBRE\nABC,UNO\n'
    s['bad_truncated_header.dbf'] = base[:20]
    s['bad_truncated_descriptor.dbf'] = base[:70]
    s['bad_truncated_records.dbf'] = base[:hdr + reclen + 7]
    s['bad_reclen_smaller.dbf'] = base[:10] + struct.pack('<H', 5) + base[12:]
    s['bad_reclen_larger.dbf'] = base[:10] + struct.pack('<H', reclen + 40) + base[12:]
    s['bad_missing_0d.dbf'] = base[:hdr - 1] + b' ' + base[hdr:]
    s['bad_header_length.dbf'] = base[:8] + struct.pack('<H', 40) + base[10:]
    s['bad_header_length_huge.dbf'] = base[:8] + struct.pack('<H', 0xffff) + base[10:]
    # One byte off either way: records would be read shifted by one.
    s['bad_header_length_plus_one.dbf'] = base[:8] + struct.pack('<H', hdr + 1) + base[10:]
    s['bad_header_length_minus_one.dbf'] = base[:8] + struct.pack('<H', hdr - 1) + base[10:]
    s['bad_count_huge.dbf'] = base[:4] + struct.pack('<I', 0xffffffff) + base[8:]
    s['bad_count_low.dbf'] = base[:4] + struct.pack('<I', 1) + base[8:]
    s['bad_field_length_0.dbf'] = table([field('A', 'C', 0)], [], reclen=1)
    s['bad_field_length_255.dbf'] = table([field('A', 'C', 255)], [[b'x']])
    s['bad_c_decimals_as_length.dbf'] = table([field('A', 'C', 4, 1)], [[b'abcd']], reclen=1 + 4 + 256)
    s['bad_memo_field.dbf'] = table([field('M', 'M', 10)], [[b'0000000001']])
    s['bad_deletion_flag.dbf'] = base[:hdr] + b'X' + base[hdr + 1:]
    s['bad_codepage.dbf'] = base[:29] + b'\x64' + base[30:]
    s['bad_no_fields.dbf'] = base[:32] + b'\x0d' + base[33:]
    return s


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), 'corpus', 'dbf')
    os.makedirs(out, exist_ok=True)
    for name, data in sorted(seeds().items()):
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)
    print('%d seeds in %s' % (len(seeds()), out))


if __name__ == '__main__':
    main()
