"""What a .lnk file says (the shell link binary format): its target, strings, icon and show
command. Two links that say the same are the same link, even when one stores an empty
string the other leaves out, or the folder times inside its item list differ."""
import struct

HAS_ID_LIST, HAS_LINK_INFO, IS_UNICODE = 0x01, 0x02, 0x80
STRINGS = [(0x04, "description"), (0x08, "relative path"), (0x10, "working folder"),
           (0x20, "arguments"), (0x40, "icon location")]


def fields(data):
    flags, attributes = struct.unpack_from("<II", data, 20)
    size, icon_index, show, hotkey = struct.unpack_from("<IiIH", data, 52)
    out = {"attributes": attributes, "target size": size, "icon index": icon_index, "show": show,
           "hotkey": hotkey}
    at = 76
    if flags & HAS_ID_LIST:
        at += 2 + struct.unpack_from("<H", data, at)[0]
    if flags & HAS_LINK_INFO:
        info_size, _header, info_flags, _volume, base = struct.unpack_from("<IIIII", data, at)
        if info_flags & 1:
            end = data.index(b"\0", at + base)
            out["target"] = data[at + base:end].decode("cp1252")
        at += info_size
    wide = bool(flags & IS_UNICODE)
    for flag, name in STRINGS:
        if not flags & flag:
            continue
        count = struct.unpack_from("<H", data, at)[0]
        length = count * (2 if wide else 1)
        text = data[at + 2:at + 2 + length].decode("utf-16-le" if wide else "cp1252")
        at += 2 + length
        text = text.rstrip("\0")  # Wine counts a terminator
        if text:
            out[name] = text
    return out
