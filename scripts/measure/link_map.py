#!/usr/bin/env python3
"""What a linked Windows program is made of, from the GNU ld link map beside it
(-Wl,-Map): the bytes of every input section that went into the file, grouped
into the program's parts, as lines "PREFIX_PART=BYTES" for scripts/measure.sh's
raw figures. What the sections do not account for (the headers and the padding
of every section to the file alignment) is the part "headers".

Usage: link_map.py PROGRAM.exe PROGRAM.map PREFIX [--largest N]
With --largest, prints the N largest input sections instead, sorted by size."""
import re
import sys
from pathlib import Path

# Output sections that hold code and data; .bss takes no room in the file.
CODE_AND_DATA = (".text", ".data", ".rdata", ".eh_frame", ".pdata", ".xdata", ".CRT", ".tls")
OUTPUT_PARTS = {".idata": "imports", ".rsrc": "resources", ".reloc": "relocations",
                ".eh_frame": "unwind_tables", ".pdata": "unwind_tables", ".xdata": "unwind_tables"}
ARCHIVE_PARTS = {
    "libz.a": "zlib",
    "libstdc++.a": "cxx_runtime", "libsupc++.a": "cxx_runtime", "libgcc.a": "cxx_runtime",
    "libgcc_eh.a": "exceptions",
    "libpthread.a": "winpthread", "libwinpthread.a": "winpthread",
    "libmingw32.a": "c_runtime", "libmingwex.a": "c_runtime", "libmsvcrt.a": "c_runtime",
    "libmoldname.a": "c_runtime",
}
# Our objects that read the payload stream: its records, its integrity check and
# the hand-over of its bytes to the files (setup's own file writing not counted).
STREAM_OBJECTS = {"PayloadStream.cpp.obj", "PayloadStreamText.cpp.obj", "StreamedPayloads.cpp.obj", "Sha256.cpp.obj"}
PARTS = ("own_code", "payload_stream", "lzma_decoder", "zlib", "cxx_runtime", "exceptions", "unwind_tables",
         "winpthread", "c_runtime", "imports", "resources", "relocations", "headers")


def input_sections(map_text):
    """(output section, input section, size, input file) of every input section placed in the file"""
    placed = map_text.split("Linker script and memory map", 1)[-1]
    output = pending = None
    for line in placed.splitlines():
        if m := re.match(r"^(\.\S+)\s", line):
            output = m.group(1)
        if m := re.match(r"^ (\.\S+)\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S+)", line):
            yield output, m.group(1), int(m.group(2), 16), m.group(3)
            pending = None
        elif m := re.match(r"^ (\.\S+)$", line):
            pending = m.group(1)  # a long section name: its address and size follow on the next line
        elif pending and (m := re.match(r"^\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S+)", line)):
            yield output, pending, int(m.group(1), 16), m.group(2)
            pending = None


def part_of(output, source):
    archive = re.sub(r"\(.*", "", Path(source).name)
    member = m.group(1) if (m := re.search(r"\((.*)\)$", source)) else ""
    # The payload stream's code counts with its unwind tables, so that its parts
    # weigh the same on x86 and x64.
    if output.startswith(CODE_AND_DATA) and archive == "liblzma_decoder.a":
        return "lzma_decoder"
    if output.startswith(CODE_AND_DATA) and member in STREAM_OBJECTS:
        return "payload_stream"
    if output in OUTPUT_PARTS:
        return OUTPUT_PARTS[output]
    if not output.startswith(CODE_AND_DATA):
        return None
    if archive in ARCHIVE_PARTS:
        return ARCHIVE_PARTS[archive]
    if re.fullmatch(r"(crt|dll)\w*\.o", archive):
        return "c_runtime"  # the start-up objects
    if re.fullmatch(r"lib\w+32\.a|libuuid\.a|libole\w*\.a", archive):
        return "imports"  # the import stubs of the system DLLs
    return "own_code"


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    program, map_file, prefix = Path(sys.argv[1]), Path(sys.argv[2]), sys.argv[3]
    sections = [(o, i, size, src) for o, i, size, src in input_sections(map_file.read_text()) if size]
    if "--largest" in sys.argv:
        count = int(sys.argv[sys.argv.index("--largest") + 1])
        placed = [(size, part_of(o, src), i, Path(src).name) for o, i, size, src in sections if part_of(o, src)]
        for size, part, name, source in sorted(placed, reverse=True)[:count]:
            print(f"{size:8,}  {part:12}  {name[:70]}  {source}")
        return
    totals = dict.fromkeys(PARTS, 0)
    for output, _, size, source in sections:
        if part := part_of(output, source):
            totals[part] += size
    totals["headers"] = program.stat().st_size - sum(totals.values())
    for part in PARTS:
        print(f"{prefix}_{part}={totals[part]}")
    # A program compiled as one at link time comes from the compiler's own
    # objects: our code, the stream reader and the decoder are no longer apart.
    print(f"{prefix}_one_program={int(any('.ltrans' in Path(src).name for _, _, _, src in sections))}")


if __name__ == "__main__":
    main()
