#!/usr/bin/env python3
"""Writes the benchmark's "00" package: an archive of about 50 MB in twenty deflated entries,
half of them pseudo-random bytes (which do not shrink), half text lines (which shrink about
tenfold)."""
import random
import sys
import zipfile

RANDOM_ENTRY = 4700 * 1024
TEXT_ENTRY = 3 * 1024 * 1024

with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(20):
        if i % 2 == 0:
            data = random.Random(i).randbytes(RANDOM_ENTRY)
        else:
            lines = bytearray()
            n = 0
            while len(lines) < TEXT_ENTRY:
                lines += b"%08d\tVAT return line %d, amount %d.%02d\r\n" % (n, n % 97, n * 31 % 100000, n % 100)
                n += 1
            data = bytes(lines[:TEXT_ENTRY])
        z.writestr("bench/entry%02d.%s" % (i, "bin" if i % 2 == 0 else "txt"), data)
