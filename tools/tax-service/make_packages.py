#!/usr/bin/env python3
"""Writes the module packages the peer serves into a folder: good and damaged ZIP archives of
application files and templates, and bytes that are no archive at all. The file names are what
scenarios name in their packages ({"file": "app.zip"})."""
import os
import sys
import zipfile


def text_bytes(seed, size):
    line = ("%s 申报数据 line " % seed).encode("gbk")
    out = bytearray()
    n = 0
    while len(out) < size:
        out += line + str(n).encode() + b"\r\n"
        n += 1
    return bytes(out[:size])


def noise(seed, size):
    # xorshift: the same bytes on every build, hard to deflate.
    x = (seed * 2654435761) & 0xFFFFFFFF or 1
    out = bytearray(size)
    for i in range(size):
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        out[i] = x & 0xFF
    return bytes(out)


def write_zip(path, entries):
    with zipfile.ZipFile(path, "w") as z:
        for name, data in entries:
            z.writestr(zipfile.ZipInfo(name), data, compress_type=zipfile.ZIP_DEFLATED)


# The files of each package, also read back by the tests to compare what was installed.
PACKAGES = {
    "app.zip": [("bin/VzHelper.dll", noise(1, 3000)), ("AppNotes.txt", text_bytes("app", 5000))],
    "app2.zip": [("AppNotes.txt", text_bytes("app2", 4000)), ("VzExtra.dat", noise(2, 2000))],
    "tpl.zip": [("ZZS.rep", text_bytes("ZZS", 3000)), ("forms/ZZS_FB1.rep", text_bytes("ZZS_FB1", 2000))],
    "tpl2.zip": [("QYSDS.rep", text_bytes("QYSDS", 2500))],
    # Two files an earlier install holds and one it does not.
    "app3.zip": [("AppNotes.txt", text_bytes("app3", 4500)), ("bin/VzHelper.dll", noise(3, 2500)),
                 ("VzExtra.dat", noise(4, 1500))],
    # A large module of many files: its replace takes long enough to be cut short from outside.
    "app-large.zip": [("VzBig%03d.dat" % i, text_bytes("big%d" % i, 16000)) for i in range(300)],
}


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, entries in PACKAGES.items():
        write_zip(os.path.join(out, name), entries)
    # An archive whose second entry fails its CRC: its first entry is whole.
    good = open(os.path.join(out, "app.zip"), "rb").read()
    with zipfile.ZipFile(os.path.join(out, "app.zip")) as z:
        second = z.infolist()[1]
    data_at = second.header_offset + 30 + len(second.filename.encode()) + len(second.extra)
    bad = bytearray(good)
    bad[data_at + 10] ^= 0xFF
    open(os.path.join(out, "app-corrupt.zip"), "wb").write(bytes(bad))
    # A template archive cut short: no central directory.
    tpl = open(os.path.join(out, "tpl.zip"), "rb").read()
    open(os.path.join(out, "tpl-truncated.zip"), "wb").write(tpl[: len(tpl) * 2 // 3])
    open(os.path.join(out, "garbage.bin"), "wb").write(noise(9, 4096))
    open(os.path.join(out, "empty.bin"), "wb").write(b"")


if __name__ == "__main__":
    main()
