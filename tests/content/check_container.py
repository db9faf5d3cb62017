#!/usr/bin/env python3
"""Checks a built setup container record by record: the chain order, names, ids,
parent ids, types and flags of the 22 nodes and of the skin drawn again at 150 %
and 200 % after them, the header's highest id, the decoded sizes that the
window's geometry fixes at each scale, and the bytes of every node that comes
from a file.

    check_container.py TKDS CONTAINER CONTENT_DIR DEMO_EXE UNINSTALLER_EXE

Uses `tkds list --json` and `tkds extract`, and reads the few header fields
that the listing does not show straight from the file.
"""
import json
import struct
import subprocess
import sys

def scaled(length, percent):
    return (length * percent + 50) // 100


def dib_size(width, height):
    return 24 + (width * 3 + 3) // 4 * 4 * height


def skin_sizes(percent):
    """The decoded sizes of the skin's pictures and the values of its Integers
    at a scale: every cell and the background scaled, cell counts kept."""
    s = lambda n: scaled(n, percent)
    images = {"Digits": (11 * s(13), s(19)), "Font": (42 * s(12), s(13)), "Units": (2 * s(16), s(13))}
    integers = {
        "Backgrounds.Sizes.1x": s(450), "Backgrounds.Sizes.1y": s(207),
        "Controls.MaskedButtons.PushButton.Width": 3 * s(44), "Controls.MaskedButtons.PushButton.CtrlWidth": s(44),
        "Controls.MaskedButtons.PushButton.Height": s(32), "Controls.MaskedButtons.PushButton.States": 7,
    }
    decoded = {path: dib_size(w, h) for path, (w, h) in images.items()}
    decoded["Controls.MaskedButtons.PushButton.RGBA"] = 3 * s(44) * s(32) * 4
    decoded["Backgrounds.1"] = s(450) * s(207) * 3
    return images, integers, decoded


# path, type, id, parent id, decoded size (None: checked against a file below)
SKIN_LAYOUT = [
    ("Backgrounds.Sizes.1x", "Integer", 3, 2, 4),
    ("Backgrounds.Sizes.1y", "Integer", 4, 2, 4),
    ("Backgrounds.Sizes", "Folder", 2, 1, 0),
    ("Backgrounds", "Folder", 1, 0, 0),
    ("Controls", "Folder", 104, 0, 0),
    ("Controls.MaskedButtons.PushButton.Width", "Integer", 108, 106, 4),
    ("Controls.MaskedButtons.PushButton.CtrlWidth", "Integer", 111, 106, 4),
    ("Controls.MaskedButtons.PushButton.Height", "Integer", 109, 106, 4),
    ("Controls.MaskedButtons.PushButton.RGBA", "Binary", 107, 106, 132 * 32 * 4),
    ("Controls.MaskedButtons.PushButton.States", "Integer", 110, 106, 4),
    ("Controls.MaskedButtons.PushButton", "Folder", 106, 105, 0),
    ("Controls.MaskedButtons", "Folder", 105, 104, 0),
    ("Digits", "Binary", 114, 0, 24 + 432 * 19),
    ("Font", "Binary", 115, 0, 24 + 1512 * 13),
    ("Units", "Binary", 134, 0, 24 + 96 * 13),
]
BACKGROUND = ("Backgrounds.1", "Binary", 128, 1, 450 * 207 * 3)
LAYOUT = SKIN_LAYOUT + [
    ("Data", "Folder", 116, 0, 0),
    ("Data.idoc", "String", 126, 116, 451),
    BACKGROUND,
    ("Data.prg", "Binary", 130, 116, None),
    ("Data.lic", "Binary", 131, 116, None),
    ("License", "String", 132, 0, None),
    ("Uninstall", "Binary", 133, 0, None),
    ("Scales", "Folder", 1000, 0, 0),
]
# The scaled skin: "Scales.<percent>" and below it each 100 % skin node in the
# same order, its id plus 1000 at 150 % and plus 2000 at 200 %.
for percent, plus in ((150, 1000), (200, 2000)):
    decoded = skin_sizes(percent)[2]
    LAYOUT.append(("Scales.%d" % percent, "Folder", plus + 500, 1000, 0))
    for path, node_type, node_id, parent_id, _ in SKIN_LAYOUT + [BACKGROUND]:
        LAYOUT.append(("Scales.%d.%s" % (percent, path), node_type, node_id + plus,
                       parent_id + plus if parent_id else plus + 500, decoded.get(path, 4 if node_type == "Integer" else 0)))


def main():
    tkds, container, content, demo, uninstaller = sys.argv[1:6]
    problems = []

    def check(condition, text):
        if not condition:
            problems.append(text)

    def extract(path):
        return subprocess.run([tkds, "extract", container, path], check=True, capture_output=True).stdout

    with open(container, "rb") as f:
        raw = f.read()
    check(raw[:5] == b"TKDS\x02", "the header is not 'TKDS' version 2")
    check(struct.unpack_from("<I", raw, 5)[0] == 2500, "the header's highest id is not 2500")

    listing = subprocess.run([tkds, "list", "--json", container], check=True, capture_output=True, text=True)
    records = json.loads(listing.stdout)
    check([r["path"] for r in records] == [row[0] for row in LAYOUT],
          "chain order differs:\n  got      %s\n  expected %s"
          % ([r["path"] for r in records], [row[0] for row in LAYOUT]))

    for record, (path, node_type, node_id, parent_id, decoded) in zip(records, LAYOUT):
        where = "%s (id %d)" % (path, node_id)
        check(record["path"] == path and record["type"] == node_type, where + ": type " + record["type"])
        check(record["id"] == node_id and record["parentId"] == parent_id,
              where + ": id %d parent %d" % (record["id"], record["parentId"]))
        check(record["kind"] == 1 and not record["enciphered"], where + ": not a plain node record")
        packed = node_type in ("Binary", "String")
        check(record["compressed"] == packed, where + ": compressed is %s" % record["compressed"])
        if decoded is not None:
            check(record["decodedSize"] == decoded, where + ": %d bytes, expected %d" % (record["decodedSize"], decoded))
        # Record fields the listing leaves out: sizeCopy equals storedSize, the
        # next offset follows the data without a gap, level-9 zlib streams.
        at = record["offset"]
        length, = struct.unpack_from("<H", raw, at)
        next_at, stored, size_copy = struct.unpack_from("<III", raw, at + 14)
        check(size_copy == stored == record["storedSize"], where + ": sizeCopy %d, storedSize %d" % (size_copy, stored))
        check(next_at == at + length + stored, where + ": a gap before the next record")
        if packed:
            check(raw[at + length + 4:at + length + 6] == b"\x78\xda", where + ": not a maximum-compression stream")
    if records:
        last = records[-1]
        end = struct.unpack_from("<I", raw, last["offset"] + 14)[0]
        check(raw[end:] == b"\0\0", "the container does not end with the end marker")

    if not problems:
        for percent, prefix in ((100, ""), (150, "Scales.150."), (200, "Scales.200.")):
            images, integers, _ = skin_sizes(percent)
            for path, value in integers.items():
                check(struct.unpack("<i", extract(prefix + path))[0] == value, prefix + path + " is not %d" % value)
            for path, (width, height) in images.items():
                tag, w, h, fmt = struct.unpack_from("<12sIII", extract(prefix + path))
                check((tag, w, h, fmt) == (b"TolvikDIBDAT", width, height, 3),
                      prefix + path + ": record header %r %d x %d format %d" % (tag, w, h, fmt))
        files = {"Data.idoc": content + "/Data.idoc", "Data.lic": content + "/License.txt",
                 "License": content + "/License.txt", "Data.prg": demo, "Uninstall": uninstaller}
        for path, source in files.items():
            with open(source, "rb") as f:
                check(extract(path) == f.read(), path + ": bytes differ from " + source)

    for p in problems:
        print("container: " + p)
    if not problems:
        print("container: %d records and their contents as expected" % len(records))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
