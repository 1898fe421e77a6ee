#!/usr/bin/env python3
"""Reads a Windows shortcut (.lnk, the public Shell Link Binary File Format, MS-SHLLINK).

  read-lnk.py FILE.lnk          every field found, one "name<TAB>value" a line
  read-lnk.py FILE.lnk FIELD    that field's value alone (exit 1 when the link has none)
  --codepage CP                 for links that store ANSI strings (default cp936, the
                                code page of a Chinese Windows)

Fields: target (the LinkInfo's local base path and common path suffix), name,
relative_path, working_dir, arguments, icon_location, icon_index, show_command.
The target is read from the LinkInfo, as Windows resolves it on the machine that
made the link; a link without one (made from an ID list only) has no target here.
Exit 2 when FILE is not a shell link or is cut short.
"""
import struct
import sys

HEADER_SIZE = 0x4C
LINK_CLSID = bytes.fromhex("0114020000000000c000000000000046")

HAS_LINK_TARGET_ID_LIST = 0x01
HAS_LINK_INFO = 0x02
HAS_NAME = 0x04
HAS_RELATIVE_PATH = 0x08
HAS_WORKING_DIR = 0x10
HAS_ARGUMENTS = 0x20
HAS_ICON_LOCATION = 0x40
IS_UNICODE = 0x80

VOLUME_ID_AND_LOCAL_BASE_PATH = 0x01
COMMON_NETWORK_RELATIVE_LINK_AND_PATH_SUFFIX = 0x02


class BadLink(Exception):
    pass


def unpack_at(data, fmt, offset):
    size = struct.calcsize(fmt)
    if offset < 0 or offset + size > len(data):
        raise BadLink("cut short at offset %d" % offset)
    return struct.unpack_from(fmt, data, offset)


def c_string(data, offset, codepage):
    if offset >= len(data):
        raise BadLink("string offset %d beyond the block" % offset)
    end = data.find(b"\0", offset)
    if end < 0:
        raise BadLink("unterminated string at offset %d" % offset)
    return data[offset:end].decode(codepage)


def wide_c_string(data, offset):
    end = offset
    while True:
        if end + 2 > len(data):
            raise BadLink("unterminated wide string at offset %d" % offset)
        if data[end:end + 2] == b"\0\0":
            return data[offset:end].decode("utf-16-le")
        end += 2


def link_info_target(block, codepage):
    """The target path of a LinkInfo structure (block starts at its LinkInfoSize)."""
    (_size, header_size, flags, _volume_id, base_offset, _network_offset,
     suffix_offset) = unpack_at(block, "<7I", 0)
    if not flags & VOLUME_ID_AND_LOCAL_BASE_PATH:
        return None  # a network target: not one the setup makes
    # A header of 0x24 bytes or more carries the Unicode forms of base path and suffix.
    if header_size >= 0x24:
        base_w, suffix_w = unpack_at(block, "<2I", 0x1C)
        base = wide_c_string(block, base_w)
        suffix = wide_c_string(block, suffix_w) if suffix_w else ""
    else:
        base = c_string(block, base_offset, codepage)
        suffix = c_string(block, suffix_offset, codepage) if suffix_offset else ""
    if suffix and not base.endswith("\\"):
        return base + "\\" + suffix
    return base + suffix


def read_link(data, codepage="cp936"):
    header_size, = unpack_at(data, "<I", 0)
    if header_size != HEADER_SIZE or data[4:20] != LINK_CLSID:
        raise BadLink("not a shell link (header)")
    flags, = unpack_at(data, "<I", 0x14)
    icon_index, show_command = unpack_at(data, "<iI", 0x38)
    fields = {"icon_index": str(icon_index), "show_command": str(show_command)}
    offset = HEADER_SIZE
    if flags & HAS_LINK_TARGET_ID_LIST:
        id_list_size, = unpack_at(data, "<H", offset)
        offset += 2 + id_list_size
    if flags & HAS_LINK_INFO:
        info_size, = unpack_at(data, "<I", offset)
        if info_size < 0x1C or offset + info_size > len(data):
            raise BadLink("LinkInfo of %d bytes at offset %d" % (info_size, offset))
        target = link_info_target(data[offset:offset + info_size], codepage)
        if target is not None:
            fields["target"] = target
        offset += info_size
    unicode = bool(flags & IS_UNICODE)
    for flag, name in ((HAS_NAME, "name"), (HAS_RELATIVE_PATH, "relative_path"),
                       (HAS_WORKING_DIR, "working_dir"), (HAS_ARGUMENTS, "arguments"),
                       (HAS_ICON_LOCATION, "icon_location")):
        if not flags & flag:
            continue
        count, = unpack_at(data, "<H", offset)
        offset += 2
        size = count * 2 if unicode else count
        if offset + size > len(data):
            raise BadLink("%s cut short at offset %d" % (name, offset))
        raw = data[offset:offset + size]
        # Windows counts the characters alone; wine's shell writes and counts a
        # terminating NUL as well.
        fields[name] = (raw.decode("utf-16-le") if unicode else raw.decode(codepage)).rstrip("\0")
        offset += size
    return fields


def main(argv):
    codepage = "cp936"
    args = []
    it = iter(argv)
    for a in it:
        if a == "--codepage":
            codepage = next(it, None) or sys.exit(__doc__)
        else:
            args.append(a)
    if len(args) not in (1, 2):
        sys.exit(__doc__)
    with open(args[0], "rb") as fh:
        data = fh.read()
    try:
        fields = read_link(data, codepage)
    except (BadLink, UnicodeDecodeError) as e:
        print("read-lnk: %s: %s" % (args[0], e), file=sys.stderr)
        return 2
    if len(args) == 2:
        if args[1] not in fields:
            return 1
        print(fields[args[1]])
        return 0
    for name, value in fields.items():
        print("%s\t%s" % (name, value))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
