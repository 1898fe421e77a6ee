#!/usr/bin/env python3
"""Zips one folder for Windows desks, or unpacks such a zip.

  make-zip.py pack FOLDER ZIP     the folder itself is the zip's top folder
  make-zip.py unpack ZIP DEST

Names that are not ASCII (使用说明.txt) are stored in code page 936 in the zip's
own name field, which is what the zip folders of a Chinese Windows 7 read, and in
UTF-8 in a Unicode path extra field (0x7075), which 7-Zip, Info-ZIP and newer
Windows prefer. Entries are sorted and dated 1980-01-01, so the same files give the
same zip.
"""
import os
import struct
import sys
import zipfile
import zlib


class DeskZipInfo(zipfile.ZipInfo):
    def _encodeFilenameFlags(self):  # noqa: N802 (zipfile's name)
        try:
            return self.filename.encode("ascii"), self.flag_bits
        except UnicodeEncodeError:
            return self.filename.encode("cp936"), self.flag_bits & ~0x800


def unicode_path_field(name):
    raw = name.encode("cp936")
    utf8 = name.encode("utf-8")
    body = struct.pack("<BI", 1, zlib.crc32(raw) & 0xFFFFFFFF) + utf8
    return struct.pack("<HH", 0x7075, len(body)) + body


def pack(folder, target):
    folder = os.path.abspath(folder)
    top = os.path.basename(folder)
    names = []
    for root, _dirs, files in os.walk(folder):
        for f in files:
            names.append(os.path.relpath(os.path.join(root, f), folder))
    with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for rel in sorted(names):
            arc = top + "/" + rel.replace(os.sep, "/")
            info = DeskZipInfo(arc, date_time=(1980, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            if not arc.isascii():
                info.extra = unicode_path_field(arc)
            with open(os.path.join(folder, rel), "rb") as fh:
                z.writestr(info, fh.read())


def stored_name(info):
    extra = info.extra
    while len(extra) >= 4:
        tag, size = struct.unpack("<HH", extra[:4])
        if tag == 0x7075 and size >= 5:
            return extra[9:4 + size].decode("utf-8")
        extra = extra[4 + size:]
    if info.flag_bits & 0x800:
        return info.filename
    return info.filename.encode("cp437").decode("cp936")


def unpack(source, dest):
    dest = os.path.abspath(dest)
    with zipfile.ZipFile(source) as z:
        for info in z.infolist():
            name = stored_name(info)
            path = os.path.abspath(os.path.join(dest, name))
            if not path.startswith(dest + os.sep):
                sys.exit("unsafe name in zip: " + name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as out:
                out.write(z.read(info))


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "pack":
        pack(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 4 and sys.argv[1] == "unpack":
        unpack(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)
