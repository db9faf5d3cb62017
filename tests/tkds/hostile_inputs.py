"""Writes the inputs of tkds_limits_test.sh into a folder: small files that name
far more memory or work than they hold. Made at test time, not kept in the tree.

  deep.tkds        40,000 folders, each the parent of the next (1.1 MB)
  overlap.tkds     50 records whose data is the same 32 MB zlib stream (about 33 KB)
  two-streams.tkds two different 32 MB streams
  preview.tkds     an install document naming one 32 MB payload on 30 lines
  tall-1bit.png    a 1-bit grey PNG claiming 65535 x 4096 pixels (about 50 KB)
  one-image.ico    65535 icon directory entries that all name one 1 MB image (2 MB)
  names-stubs/x86/setup-stub.exe
                   a PE file whose 20,000 resources all sit under one type and one
                   name of 65535 characters, both pointing at the same string (300 KB)
  shifted-stubs/x86/setup-stub.exe
                   a PE file with 32,768 resource names that overlap, each about
                   120 KB long and starting 2 bytes after the one before (1.2 MB)
"""
import os
import struct
import sys
import zlib

FOLDER, STRING, BINARY = 4, 2, 3
MB = 1 << 20


def fixed_part(length, node_id, parent, node_type, compressed, next_offset, stored):
    return struct.pack("<HBIIBBBIII", length, 1, node_id, parent, node_type, 0, compressed, next_offset, stored,
                       stored)


def container(records):
    """records: (id, parent, type, name, data, compressed), laid end to end."""
    out = bytearray(b"TKDS\x02" + struct.pack("<I", 0) + b"\0\0\0")
    for node_id, parent, node_type, name, data, compressed in records:
        length = 26 + len(name) + 1
        next_offset = len(out) + length + len(data)
        out += fixed_part(length, node_id, parent, node_type, compressed, next_offset, len(data))
        out += name + b"\0" + data
    return bytes(out + b"\0\0")


def packed(data):
    return struct.pack("<I", len(data)) + zlib.compress(data, 9)


def overlapping(stream, count):
    """count records one after another, each 28 bytes of header and name; every
    record's length reaches past the others to the one data block they share."""
    start = 12
    data_at = start + 28 * count
    out = bytearray(b"TKDS\x02" + struct.pack("<I", 0) + b"\0\0\0")
    for i in range(count):
        offset = start + 28 * i
        next_offset = offset + 28 if i + 1 < count else data_at + len(stream)
        out += fixed_part(data_at - offset, i + 1, 0, BINARY, 1, next_offset, len(stream)) + b"x\0"
    return bytes(out + stream + b"\0\0")


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def one_image_icon(count, image_size):
    """An icon file whose count directory entries all give the one image after them."""
    image = struct.pack("<IiiHHIIiiII", 40, 256, 512, 1, 32, 0, 0, 0, 0, 0, 0).ljust(image_size, b"\x5a")
    directory_end = 6 + 16 * count
    entry = struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, len(image), directory_end)
    return struct.pack("<HHH", 0, 1, count) + entry * count + image


def directory(named, numbered):
    return struct.pack("<IIIHH", 0, 0, 0, named, numbered)


def one_name_tree(leaves):
    """Type "AAA..." / name "AAA..." (one 65535-character string that both entries
    point at) in `leaves` languages, each an empty resource sharing one data entry."""
    name_dir = 48
    data_entry = name_dir + 16 + 8 * leaves
    name_at = data_entry + 16
    tree = directory(1, 0) + struct.pack("<II", 0x80000000 | name_at, 0x80000000 | 24)
    tree += directory(1, 0) + struct.pack("<II", 0x80000000 | name_at, 0x80000000 | name_dir)
    tree += directory(0, leaves) + b"".join(struct.pack("<II", language, data_entry) for language in range(leaves))
    tree += struct.pack("<IIII", 0x1000 + name_at, 0, 0, 0)
    return tree + struct.pack("<H", 0xFFFF) + "A".encode("utf-16-le") * 0xFFFF


def shifted_names_tree(count):
    """Type 10 with `count` names, each at the next even offset of one run of
    characters above 0xF000: every name is some 120 KB long, and all are different."""
    type_dir = 24
    name_dir = type_dir + 16 + 8 * count
    data_entry = name_dir + 24 * count
    names_at = data_entry + 16
    tree = directory(0, 1) + struct.pack("<II", 10, 0x80000000 | type_dir)
    tree += directory(count, 0) + b"".join(
        struct.pack("<II", 0x80000000 | (names_at + 2 * i), 0x80000000 | (name_dir + 24 * i)) for i in range(count))
    tree += b"".join(directory(0, 1) + struct.pack("<II", 0, data_entry) for _ in range(count))
    tree += struct.pack("<IIII", 0x1000 + names_at, 0, 0, 0)
    return tree + b"".join(struct.pack("<H", 0xF000 + (i * 7919) % 0x0FFF) for i in range(count + 0xFFFF))


def resources_pe(tree):
    """A 32-bit PE file with one section, .rsrc, that holds tree."""
    raw_size = (len(tree) + 0x1FF) & ~0x1FF
    image_size = 0x1000 + ((len(tree) + 0xFFF) & ~0xFFF)
    directories = [(0, 0)] * 16
    directories[2] = (0x1000, len(tree))
    optional = struct.pack("<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII", 0x10B, 14, 0, 0, raw_size, 0, 0, 0x1000, 0x1000,
                           0x400000, 0x1000, 0x200, 5, 1, 0, 0, 5, 1, 0, image_size, 0x200, 0, 2, 0,
                           0x100000, 0x1000, 0x100000, 0x1000, 0, 16)
    optional += b"".join(struct.pack("<II", rva, size) for rva, size in directories)
    headers = bytearray(b"MZ".ljust(0x3C, b"\0") + struct.pack("<I", 0x40))
    headers += b"PE\0\0" + struct.pack("<HHIIIHH", 0x14C, 1, 0, 0, 0, len(optional), 0x0102) + optional
    headers += struct.pack("<8sIIIIIIHHI", b".rsrc", len(tree), 0x1000, raw_size, 0x200, 0, 0, 0, 0, 0x40000040)
    return bytes(headers.ljust(0x200, b"\0") + bytes(tree).ljust(raw_size, b"\0"))


def main(folder):
    def write(name, data):
        with open(f"{folder}/{name}", "wb") as f:
            f.write(data)

    write("deep.tkds", container([(i + 1, i, FOLDER, b"d", b"", 0) for i in range(40000)]))
    zeros = packed(bytes(32 * MB))
    write("overlap.tkds", overlapping(zeros, 50))
    write("two-streams.tkds", container([(1, 0, BINARY, b"a", zeros, 1),
                                         (2, 0, BINARY, b"b", packed(b"\1" * (32 * MB)), 1)]))
    document = b"pit=pf\nname=Big\nregrecord=Big\ndeffolder=Big\ngroupname=Big\n" + b"".join(
        b"big,file%d.bin,pit,f,f,File %d\n" % (i, i) for i in range(30))
    write("preview.tkds", container([(1, 0, FOLDER, b"Data", b"", 0), (2, 1, STRING, b"idoc", document, 0),
                                     (3, 1, BINARY, b"big", zeros, 1)]))
    width, height = 65535, 4096
    rows = zlib.compress(bytes(height * (1 + (width + 7) // 8)), 9)
    write("tall-1bit.png", b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 1, 0, 0, 0, 0))
          # padding, so that the file is long enough for its rows by deflate's own measure
          + png_chunk(b"prVt", bytes(16384)) + png_chunk(b"IDAT", rows) + png_chunk(b"IEND", b""))
    write("one-image.ico", one_image_icon(65535, MB))
    os.makedirs(f"{folder}/names-stubs/x86")
    write("names-stubs/x86/setup-stub.exe", resources_pe(one_name_tree(20000)))
    os.makedirs(f"{folder}/shifted-stubs/x86")
    write("shifted-stubs/x86/setup-stub.exe", resources_pe(shifted_names_tree(32768)))


if __name__ == "__main__":
    main(sys.argv[1])
