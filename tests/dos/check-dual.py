#!/usr/bin/env python3
"""Checks a dual-mode program that dosstub made against the Windows program
it was made from and the MS-DOS image it carries:

  check-dual.py ORIGINAL.EXE DUAL.EXE IMAGE.BIN

- the MZ header: DOS loads exactly the image, stored right after the PE
  headers, with CS = SS = the program segment prefix, IP 100h and the
  whole 64 KB segment; e_lfanew unchanged; nothing of the linker's stub left;
- the PE headers unchanged but for the file offsets and the checksum;
  SizeOfHeaders unchanged;
- every section's data, the COFF symbol table, the debug directory's data
  and whatever follows the sections: the same bytes, moved by a multiple of
  the file alignment;
- the checksum, when the original has one, right for the new file.
Prints what it checked; exits 1 naming the first difference."""
import struct
import sys


class Pe:
    def __init__(self, data):
        self.data = data
        self.new_header = u32(data, 0x3C)
        coff = self.new_header + 4
        self.sections_count = u16(data, coff + 2)
        self.symbols = u32(data, coff + 8)
        self.opt = coff + 20
        opt_size = u16(data, coff + 16)
        self.file_alignment = u32(data, self.opt + 36)
        self.headers_size = u32(data, self.opt + 60)
        self.checksum_at = self.opt + 64
        self.directories = self.opt + 96
        self.section_table = self.opt + opt_size
        self.sections = []
        for i in range(self.sections_count):
            at = self.section_table + 40 * i
            name = data[at:at + 8].rstrip(b"\0").decode("latin-1")
            self.sections.append((name, u32(data, at + 12), u32(data, at + 8), u32(data, at + 16),
                                  u32(data, at + 20), at))

    def directory(self, index):
        return u32(self.data, self.directories + 8 * index), u32(self.data, self.directories + 8 * index + 4)

    def file_offset(self, rva):
        for _, va, vsize, rsize, raw, _ in self.sections:
            if va <= rva < va + max(vsize, rsize):
                return raw + rva - va
        return None


def u16(b, at):
    return struct.unpack_from("<H", b, at)[0]


def u32(b, at):
    return struct.unpack_from("<I", b, at)[0]


def checksum(b, at):
    total = 0
    for i in range(0, len(b), 2):
        if i in (at, at + 2):
            continue
        total += b[i] | ((b[i + 1] << 8) if i + 1 < len(b) else 0)
        total = (total & 0xFFFF) + (total >> 16)
    return (total & 0xFFFF) + len(b)


def main():
    original = Pe(open(sys.argv[1], "rb").read())
    dual = Pe(open(sys.argv[2], "rb").read())
    image = open(sys.argv[3], "rb").read()
    failures = []

    def check(what, ok):
        print(("ok: " if ok else "FAIL: ") + what)
        if not ok:
            failures.append(what)

    d = dual.data
    shift = dual.headers_size and (len(d) - len(original.data))
    check("SizeOfHeaders unchanged (%#x)" % dual.headers_size, dual.headers_size == original.headers_size)
    check("e_lfanew unchanged (%#x)" % dual.new_header, dual.new_header == original.new_header)
    check("moved by %d bytes, a multiple of the file alignment %d" % (shift, original.file_alignment),
          shift > 0 and shift % original.file_alignment == 0 and shift >= len(image))

    dos_size = (u16(d, 4) - (1 if u16(d, 2) else 0)) * 512 + u16(d, 2)
    header = u16(d, 8) * 16
    check("DOS loads the %d bytes after the PE headers" % len(image),
          header == dual.headers_size and dos_size == header + len(image)
          and d[header:header + len(image)] == image)
    check("no relocations; e_lfarlc 40h marks the new header",
          u16(d, 6) == 0 and u16(d, 0x18) == 0x40)
    check("CS = SS = the prefix, IP 100h, SP FFFEh",
          (u16(d, 0x16), u16(d, 0x14), u16(d, 0x0E), u16(d, 0x10)) == (0xFFF0, 0x100, 0xFFF0, 0xFFFE))
    check("the whole 64 KB segment asked for",
          0x100 + len(image) + u16(d, 0x0A) * 16 >= 0x10000 and u16(d, 0x0C) == u16(d, 0x0A))
    check("nothing of the linker's stub left", b"cannot be run" not in d
          and d[0x40:dual.new_header] == bytes(dual.new_header - 0x40))

    # The headers from the PE signature on: only the file offsets and the
    # checksum may differ.
    moved_fields = {dual.checksum_at, dual.new_header + 4 + 8}
    moved_fields.update(at + 20 for *_, at in dual.sections)
    same = True
    for at in range(dual.new_header, dual.headers_size, 4):
        if at not in moved_fields and d[at:at + 4] != original.data[at:at + 4]:
            same = False
            print("  differs at %#x" % at)
    check("PE headers the same but for file offsets and checksum", same)

    # The debug directory's entries hold file offsets of their own data:
    # those fields change, the rest of their section does not.
    rva, size = original.directory(6)
    debug_fields = set()
    if rva and size:
        at = original.file_offset(rva)
        debug_fields = {at + entry + 24 for entry in range(0, size, 28)}

    def same_data(raw, new_raw, length):
        old_bytes = bytearray(original.data[raw:raw + length])
        new_bytes = bytearray(d[new_raw:new_raw + length])
        for field in debug_fields:
            if raw <= field < raw + length:
                old_bytes[field - raw:field - raw + 4] = new_bytes[field - raw:field - raw + 4] = bytes(4)
        return old_bytes == new_bytes

    for (name, _, _, rsize, raw, _), (_, _, _, _, new_raw, _) in zip(original.sections, dual.sections):
        if rsize == 0:
            continue
        check("section %s: %d bytes moved from %#x to %#x" % (name, rsize, raw, new_raw),
              new_raw == raw + shift and same_data(raw, new_raw, rsize))
    end = max(raw + rsize for _, _, _, rsize, raw, _ in original.sections)
    check("the %d bytes after the sections moved along" % (len(original.data) - end),
          d[end + shift:] == original.data[end:])
    if original.symbols:
        check("COFF symbol table moved from %#x" % original.symbols, dual.symbols == original.symbols + shift)

    if rva and size:
        at, new_at = original.file_offset(rva), dual.file_offset(rva)
        for entry in range(0, size, 28):
            old_raw, new_raw = u32(original.data, at + entry + 24), u32(d, new_at + entry + 24)
            length = u32(original.data, at + entry + 16)
            check("debug entry %d: %d bytes of data moved from %#x" % (entry // 28, length, old_raw),
                  new_raw == old_raw + shift and d[new_raw:new_raw + length] == original.data[old_raw:old_raw + length])

    if u32(original.data, original.checksum_at):
        check("checksum %#x right for the new file" % u32(d, dual.checksum_at),
              u32(d, dual.checksum_at) == checksum(d, dual.checksum_at))
    if failures:
        sys.exit(1)


main()
