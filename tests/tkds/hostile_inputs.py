"""Writes the inputs of tkds_limits_test.sh into a folder: small files that name
far more memory or work than they hold. Made at test time, not kept in the tree.

  deep.tkds        40,000 folders, each the parent of the next (1.1 MB)
  overlap.tkds     50 records whose data is the same 32 MB zlib stream (about 33 KB)
  two-streams.tkds two different 32 MB streams
  preview.tkds     an install document naming one 32 MB payload on 30 lines
  tall-1bit.png    a 1-bit grey PNG claiming 65535 x 4096 pixels (about 50 KB)
"""
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


if __name__ == "__main__":
    main(sys.argv[1])
