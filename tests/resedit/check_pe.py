#!/usr/bin/python3
"""Checks a PE file that the resource editor wrote with tools nobody here wrote:
pefile (headers, checksum, sections, resource tree), wrestool (lists and extracts
each resource) and the mingw objdump -p (reads the resource directory).

    check_pe.py FILE EXPECTED_DIR [ORIGINAL]

EXPECTED_DIR holds one file per resource the PE must hold, named TYPE,NAME,LANGUAGE
(a type or name that is not a number is a string identifier); nothing else may be there.
With ORIGINAL, the file it was made from, SizeOfInitializedData must have moved with the sections.
Prints each failed check and exits 1 if any failed."""
import os
import re
import subprocess
import sys

import pefile

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def align(value, alignment):
    return (value + alignment - 1) // alignment * alignment


def key_text(entry):
    return str(entry.name) if entry.name is not None else str(entry.id)


def main(path, expected_dir, original=None):
    data = open(path, "rb").read()
    pe = pefile.PE(path)
    opt = pe.OPTIONAL_HEADER
    check(opt.CheckSum == pe.generate_checksum(), "checksum %#x, pefile computes %#x" % (opt.CheckSum, pe.generate_checksum()))

    # Sections: aligned, in order, not overlapping, data inside the file and nothing after the last one.
    next_va, next_raw, raw_end = 0, opt.SizeOfHeaders, opt.SizeOfHeaders
    for s in pe.sections:
        extent = s.Misc_VirtualSize or s.SizeOfRawData
        check(s.VirtualAddress % opt.SectionAlignment == 0 and s.VirtualAddress >= next_va,
              "section %r misplaced in memory" % s.Name)
        next_va = align(s.VirtualAddress + extent, opt.SectionAlignment)
        if s.SizeOfRawData:
            check(s.PointerToRawData % opt.FileAlignment == 0 and s.SizeOfRawData % opt.FileAlignment == 0,
                  "section %r not file-aligned" % s.Name)
            check(s.PointerToRawData >= next_raw, "section %r overlaps in the file" % s.Name)
            next_raw = raw_end = s.PointerToRawData + s.SizeOfRawData
    check(raw_end == len(data), "the file is %d bytes, its sections end at %d" % (len(data), raw_end))
    check(opt.SizeOfImage == next_va, "SizeOfImage %#x, sections end at %#x" % (opt.SizeOfImage, next_va))
    if original:
        # SizeOfInitializedData moves by what the initialised-data sections grew by.
        before = pefile.PE(original)
        def initialized(p):
            return sum(s.SizeOfRawData for s in p.sections if s.Characteristics & 0x40)
        check(opt.SizeOfInitializedData - before.OPTIONAL_HEADER.SizeOfInitializedData == initialized(pe) - initialized(before),
              "SizeOfInitializedData %#x does not follow the sections" % opt.SizeOfInitializedData)

        # The base relocations (moved behind a grown resource section) still patch the same places.
        def relocations(p):
            return [(r.rva, r.type) for block in getattr(p, "DIRECTORY_ENTRY_BASERELOC", []) for r in block.entries]
        check(relocations(pe) == relocations(before), "the base relocations changed")

    rsrc = opt.DATA_DIRECTORY[2]
    section = pe.get_section_by_rva(rsrc.VirtualAddress)
    check(section is not None and section.VirtualAddress == rsrc.VirtualAddress, "resource directory not at a section's start")
    check(pe.DIRECTORY_ENTRY_RESOURCE.struct.TimeDateStamp == 0, "resource directory has a time stamp")
    # A loader maps a section straight from the file only when its data starts on a
    # page: the resource section does, wherever the section before it has the room.
    index = pe.sections.index(section)
    before = pe.sections[index - 1] if index else None
    if before is not None and before.SizeOfRawData and before.PointerToRawData + before.SizeOfRawData == section.PointerToRawData:
        room = align(before.Misc_VirtualSize or before.SizeOfRawData, opt.SectionAlignment)
        if align(section.PointerToRawData, 4096) - before.PointerToRawData <= room:
            check(section.PointerToRawData % 4096 == 0, "resource data at %#x, not on a page of the file" % section.PointerToRawData)

    found = {}
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for n in t.directory.entries:
            for lang in n.directory.entries:
                d = lang.data.struct
                found[(key_text(t), key_text(n), str(lang.id))] = pe.get_data(d.OffsetToData, d.Size)
    expected = {}
    for name in os.listdir(expected_dir):
        expected[tuple(name.split(","))] = open(os.path.join(expected_dir, name), "rb").read()
    check(sorted(found) == sorted(expected), "pefile finds %s, expected %s" % (sorted(found), sorted(expected)))
    for key, value in expected.items():
        check(found.get(key) == value, "pefile: %s has other bytes" % (key,))

    # wrestool: the same list, and each resource extracts to exactly its bytes.
    listing = subprocess.run(["wrestool", "-l", path], capture_output=True, text=True, check=True).stdout
    listed = set()
    for line in listing.splitlines():
        m = re.match(r"--type='?([^' ]+)'? --name='?([^' ]+)'? --language=(\d+)", line)
        check(m is not None, "wrestool line not understood: " + line)
        if m:
            listed.add(m.groups())
    check(listed == set(expected), "wrestool lists %s" % sorted(listed))

    def ident(text):
        return text if text.isdigit() else "+" + text

    for (t, n, lang), value in expected.items():
        out = subprocess.run(["wrestool", "-x", "-R", "--type=" + ident(t), "--name=" + ident(n), "--language=" + lang, path],
                             capture_output=True, check=True).stdout
        check(out == value, "wrestool extracts other bytes for %s" % ((t, n, lang),))

    objdump = "x86_64-w64-mingw32-objdump" if pe.FILE_HEADER.Machine == 0x8664 else "i686-w64-mingw32-objdump"
    report = subprocess.run([objdump, "-p", path], capture_output=True, text=True)
    check(report.returncode == 0, objdump + " -p failed: " + report.stderr.strip())
    check(re.search(r"Resource Directory \[\.rsrc\]", report.stdout) is not None
          or "The .rsrc Resource Directory section" in report.stdout,
          objdump + " -p shows no resource directory")
    check("Corrupt" not in report.stdout and "WARNING" not in report.stdout, objdump + " -p reports damage")

    for f in failures:
        print("FAIL: " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
