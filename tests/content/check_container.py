#!/usr/bin/env python3
"""Checks a built setup container record by record: the chain order, names, ids,
parent ids, types and flags of the 22 nodes, the header's highest id, the
decoded sizes that the window's geometry fixes, and the bytes of every node
that comes from a file.

    check_container.py TKDS CONTAINER CONTENT_DIR DEMO_EXE UNINSTALLER_EXE

Uses `tkds list --json` and `tkds extract`, and reads the few header fields
that the listing does not show straight from the file.
"""
import json
import struct
import subprocess
import sys

# path, type, id, parent id, decoded size (None: checked against a file below)
LAYOUT = [
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
    ("Data", "Folder", 116, 0, 0),
    ("Data.idoc", "String", 126, 116, 451),
    ("Backgrounds.1", "Binary", 128, 1, 450 * 207 * 3),
    ("Data.prg", "Binary", 130, 116, None),
    ("Data.lic", "Binary", 131, 116, None),
    ("License", "String", 132, 0, None),
    ("Uninstall", "Binary", 133, 0, None),
]
INTEGERS = {
    "Backgrounds.Sizes.1x": 450, "Backgrounds.Sizes.1y": 207,
    "Controls.MaskedButtons.PushButton.Width": 132, "Controls.MaskedButtons.PushButton.CtrlWidth": 44,
    "Controls.MaskedButtons.PushButton.Height": 32, "Controls.MaskedButtons.PushButton.States": 7,
}
# name: (width, height) of the three image records
IMAGE_RECORDS = {"Digits": (143, 19), "Font": (504, 13), "Units": (32, 13)}


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
    check(struct.unpack_from("<I", raw, 5)[0] == 134, "the header's highest id is not 134")

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
        for path, value in INTEGERS.items():
            check(struct.unpack("<i", extract(path))[0] == value, path + " is not %d" % value)
        for path, (width, height) in IMAGE_RECORDS.items():
            tag, w, h, fmt = struct.unpack_from("<12sIII", extract(path))
            check((tag, w, h, fmt) == (b"TolvikDIBDAT", width, height, 3),
                  path + ": record header %r %d x %d format %d" % (tag, w, h, fmt))
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
