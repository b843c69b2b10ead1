#!/usr/bin/python3
"""Reads a Windows program's own fields: its headers, its import table, its sections and its
application manifest, straight from the file (the PE/COFF layout), so that no tool's wording
(file, objdump) comes between the file and the check.

Usage: /usr/bin/python3 pe.py EXE

Prints one fact a line:
  machine i386|x86-64|0xNNNN          the COFF header's machine
  format PE32|PE32+|0xNNN             the optional header's magic
  kind program|dll                    whether the image says it is a DLL
  subsystem gui|console|N             the optional header's subsystem
  subsystem-version MAJOR.MINOR       the lowest Windows it asks for
  section NAME                        each section, long names read from the string table
  import DLL FUNCTION                 each imported function (the DLL in small letters;
                                      #N for one imported by ordinal)
  manifest TEXT                       the manifest (resource type 24, ID 1), on one line as
                                      Python's repr of its UTF-8 text; none when it has none
Exits 1, saying why, for a file that is no PE image or is cut short.
"""
import struct
import sys

MACHINES = {0x14C: "i386", 0x8664: "x86-64"}
SUBSYSTEMS = {2: "gui", 3: "console"}


class NotPE(Exception):
    pass


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise NotPE("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise NotPE("no PE signature at %#x" % pe)
        coff = pe + 4
        self.machine, sections, _, symbols_at, symbols, optional_size, self.characteristics = \
            struct.unpack_from("<HHIIIHH", data, coff)
        optional = coff + 20
        self.magic = self.u16(optional)
        if self.magic == 0x10B:
            directories_at, count_at = optional + 96, optional + 92
        elif self.magic == 0x20B:
            directories_at, count_at = optional + 112, optional + 108
        else:
            raise NotPE("an optional header of unknown magic %#x" % self.magic)
        self.subsystem_version = (self.u16(optional + 48), self.u16(optional + 50))
        self.subsystem = self.u16(optional + 68)
        count = self.u32(count_at)
        self.directories = [struct.unpack_from("<II", data, directories_at + 8 * i) for i in range(count)]
        strings = symbols_at + 18 * symbols if symbols_at else None
        self.sections = []
        at = optional + optional_size
        for i in range(sections):
            name, vsize, va, raw_size, raw_at = struct.unpack_from("<8sIIII", data, at + 40 * i)
            name = name.rstrip(b"\0").decode("latin-1")
            if name.startswith("/") and name[1:].isdigit() and strings is not None:
                name = self.asciz(strings + int(name[1:]))
            self.sections.append((name, va, max(vsize, raw_size), raw_at, raw_size))

    def u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def asciz(self, at):
        end = self.data.index(b"\0", at)
        return self.data[at:end].decode("latin-1")

    def offset(self, rva):
        for _, va, size, raw_at, raw_size in self.sections:
            if va <= rva < va + size and rva - va < raw_size:
                return raw_at + rva - va
        raise NotPE("address %#x lies in no section" % rva)

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def imports(self):
        rva, _ = self.directory(1)
        if not rva:
            return
        wide = self.magic == 0x20B
        entry = self.offset(rva)
        while True:
            lookup, _, _, name, first = struct.unpack_from("<IIIII", self.data, entry)
            if not (lookup or name or first):
                return
            dll = self.asciz(self.offset(name)).lower()
            thunk = self.offset(lookup or first)
            while True:
                value = struct.unpack_from("<Q" if wide else "<I", self.data, thunk)[0]
                if not value:
                    break
                if value >> (63 if wide else 31):
                    yield dll, "#%d" % (value & 0xFFFF)
                else:
                    yield dll, self.asciz(self.offset(value & 0x7FFFFFFF) + 2)
                thunk += 8 if wide else 4
            entry += 20

    def resource(self, *path):
        """The bytes of the resource at path (type, ID), in its first language, or None."""
        rva, _ = self.directory(2)
        if not rva:
            return None
        base = self.offset(rva)
        at = base
        for wanted in list(path) + [None]:
            named, ids = struct.unpack_from("<HH", self.data, at + 12)
            for i in range(named + ids):
                key, target = struct.unpack_from("<II", self.data, at + 16 + 8 * i)
                if wanted is None or (not key >> 31 and key == wanted):
                    break
            else:
                return None
            if target >> 31:
                at = base + (target & 0x7FFFFFFF)
            else:
                data_rva, size = struct.unpack_from("<II", self.data, base + target)
                start = self.offset(data_rva)
                return self.data[start:start + size]
        return None


def main():
    path = sys.argv[1]
    try:
        image = Image(open(path, "rb").read())
        print("machine", MACHINES.get(image.machine, "%#06x" % image.machine))
        print("format", {0x10B: "PE32", 0x20B: "PE32+"}[image.magic])
        print("kind", "dll" if image.characteristics & 0x2000 else "program")
        print("subsystem", SUBSYSTEMS.get(image.subsystem, str(image.subsystem)))
        print("subsystem-version %d.%d" % image.subsystem_version)
        for section in image.sections:
            print("section", section[0])
        for dll, function in image.imports():
            print("import", dll, function)
        manifest = image.resource(24, 1)
        print("manifest", "none" if manifest is None else repr(manifest.decode("utf-8", "replace")))
    except (NotPE, struct.error, ValueError, IndexError) as error:
        sys.exit("%s: not a whole PE image: %s" % (path, error))


main()
