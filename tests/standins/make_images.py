#!/usr/bin/python3
"""Builds small ISO 9660 images by hand for the extractor's checks: one valid image
with what xorriso does not make for small files (multi-extent files, primary names
with version suffixes, associated and hidden records), and a table of damaged or
hostile images that the extractor must refuse without writing anything.

usage: make_images.py OUTDIR
  OUTDIR/multi.iso        valid, primary names only
  OUTDIR/multi.tree/      what extracting multi.iso must give
  OUTDIR/bad/<case>.iso   one image per way of being wrong
  OUTDIR/fat32/huge-file.iso  valid, with a file of exactly 4 GiB, which no FAT32 stick can hold;
                          its data is a hole in a sparse file, so it takes no room on the disk
"""
import os
import random
import struct
import sys

SECTOR = 2048


def both16(v):
    return struct.pack('<H', v) + struct.pack('>H', v)


def both32(v):
    return struct.pack('<I', v) + struct.pack('>I', v)


def record(name, lba, length, flags, name_length=None):
    nl = len(name) if name_length is None else name_length
    size = 33 + len(name) + (1 if len(name) % 2 == 0 else 0)
    return (bytes([size, 0]) + both32(lba) + both32(length) + bytes([124, 1, 1, 0, 0, 0, 0]) +
            bytes([flags, 0, 0]) + both16(1) + bytes([nl]) + name + (b'\0' if len(name) % 2 == 0 else b''))


class File:
    def __init__(self, name, data=b'', parts=None, flags=0, lba=None, length=None, name_length=None,
                 drop_last_part=False):
        self.name, self.data, self.parts, self.flags = name, data, parts, flags
        self.lba, self.length, self.name_length = lba, length, name_length
        self.drop_last_part = drop_last_part


class Dir:
    def __init__(self, name, entries, lba=None, flags=0):
        self.name, self.entries, self.lba_override, self.flags = name, entries, lba, flags


class Image:
    """Lays out one tree: system area, descriptors, directories, then file data."""

    def __init__(self, root, joliet=False, block_size=SECTOR, identifier=b'CD001'):
        self.root, self.joliet = root, joliet
        self.block_size, self.identifier = block_size, identifier

    def encode_name(self, name):
        return name.encode('utf-16-be') if self.joliet else name.encode('latin-1')

    def build(self):
        descriptors = 3 if self.joliet else 2
        next_lba = 16 + descriptors
        dirs = []

        def place_dirs(d, parent):
            nonlocal next_lba
            d.lba, d.parent = next_lba, parent
            next_lba += 1  # every test directory fits in one sector
            dirs.append(d)
            for e in d.entries:
                if isinstance(e, Dir):
                    place_dirs(e, d)

        place_dirs(self.root, None)
        data = {}  # lba -> bytes

        def place_data(blob):
            nonlocal next_lba
            lba = next_lba
            data[lba] = blob
            next_lba += max(1, (len(blob) + SECTOR - 1) // SECTOR)
            return lba

        sectors = {}
        for d in dirs:
            out = record(b'\0', d.lba, SECTOR, 2) + record(b'\1', (d.parent or d).lba, SECTOR, 2)
            for e in d.entries:
                name = self.encode_name(e.name) if isinstance(e.name, str) else e.name
                if isinstance(e, Dir):
                    lba = e.lba_override if e.lba_override is not None else e.lba
                    out += record(name, lba, SECTOR, 2 | e.flags)
                elif e.parts is not None:
                    # Lay the parts out backwards so that only the records' order gives the content.
                    lbas = {i: place_data(p) for i, p in reversed(list(enumerate(e.parts)))}
                    count = len(e.parts) - (1 if e.drop_last_part else 0)
                    for i in range(count):
                        last = i == len(e.parts) - 1
                        out += record(name, lbas[i], len(e.parts[i]), e.flags | (0 if last else 0x80))
                else:
                    lba = e.lba if e.lba is not None else place_data(e.data)
                    length = e.length if e.length is not None else len(e.data)
                    out += record(name, lba, length, e.flags, e.name_length)
            assert len(out) <= SECTOR, 'test directory too large'
            sectors[d.lba] = out

        total = next_lba
        image = bytearray(total * SECTOR)
        root_record = record(b'\0', self.root.lba, SECTOR, 2)
        empty_root = None
        if self.joliet:
            # The primary tree is an empty root; the content lives in the Joliet tree.
            empty_root = total
            image += record(b'\0', empty_root, SECTOR, 2) + record(b'\1', empty_root, SECTOR, 2)
            image += bytes(SECTOR - len(image) % SECTOR if len(image) % SECTOR else 0)
            total += 1

        def descriptor(kind, root_rec, escape=b''):
            d = bytearray(SECTOR)
            d[0] = kind
            d[1:6] = self.identifier
            d[6] = 1
            d[8:40] = b'TEST'.ljust(32)
            d[40:72] = b'STANDIN'.ljust(32)
            d[80:88] = both32(total)
            d[88:88 + len(escape)] = escape
            d[120:124] = both16(1)
            d[124:128] = both16(1)
            d[128:132] = both16(self.block_size)
            d[156:190] = root_rec
            d[881] = 1
            return bytes(d)

        primary_root = record(b'\0', empty_root, SECTOR, 2) if self.joliet else root_record
        image[16 * SECTOR:17 * SECTOR] = descriptor(1, primary_root)
        n = 17
        if self.joliet:
            image[n * SECTOR:(n + 1) * SECTOR] = descriptor(2, root_record, b'%/E')
            n += 1
        term = bytearray(SECTOR)
        term[0] = 255
        term[1:6] = self.identifier
        term[6] = 1
        image[n * SECTOR:(n + 1) * SECTOR] = term
        for lba, blob in list(sectors.items()) + list(data.items()):
            image[lba * SECTOR:lba * SECTOR + len(blob)] = blob
        return bytes(image)


def write(path, blob):
    with open(path, 'wb') as f:
        f.write(blob)


def main():
    out = sys.argv[1]
    rng = random.Random(1234)
    os.makedirs(os.path.join(out, 'bad'), exist_ok=True)

    # The valid image: a 3-part file, "README." without extension, a 0-byte file,
    # a hidden file, and an associated record, which has no place on a FAT stick.
    parts = [rng.randbytes(SECTOR * 3), rng.randbytes(SECTOR * 40 + 77), rng.randbytes(5000)]
    readme = b'multi-extent test image\n'
    hidden = b'hidden but extracted\n'
    root = Dir('', [
        File('BIG.BIN;1', parts=parts),
        # An associated record (a resource fork) comes before its file, under the same name.
        File('README.;1', b'resource fork', flags=4),
        File('README.;1', readme),
        File('HIDDEN.TXT;1', hidden, flags=1),
        Dir('SUB', [File('EMPTY.DAT;1', b''), Dir('DEEPER', [File('NOTE.TXT;1', b'deep\n')])]),
    ])
    write(os.path.join(out, 'multi.iso'), Image(root).build())
    tree = os.path.join(out, 'multi.tree')
    os.makedirs(os.path.join(tree, 'SUB', 'DEEPER'), exist_ok=True)
    write(os.path.join(tree, 'BIG.BIN'), b''.join(parts))
    write(os.path.join(tree, 'README'), readme)
    write(os.path.join(tree, 'HIDDEN.TXT'), hidden)
    write(os.path.join(tree, 'SUB', 'EMPTY.DAT'), b'')
    write(os.path.join(tree, 'SUB', 'DEEPER', 'NOTE.TXT'), b'deep\n')

    ok_file = File('OK.TXT;1', b'fine\n')
    bad = {
        'garbage': rng.randbytes(80 * SECTOR),
        'too-small': b'CD001' * 100,
        'bad-identifier': Image(Dir('', [ok_file]), identifier=b'CD002').build(),
        'block-size-1024': Image(Dir('', [ok_file]), block_size=1024).build(),
        'directory-loop': Image(Dir('', [ok_file, Dir('LOOP', [], lba=16 + 2)])).build(),
        'file-past-end': Image(Dir('', [ok_file, File('FAR.BIN;1', lba=900000, length=4096)])).build(),
        'folder-past-end': Image(Dir('', [ok_file, Dir('FAR', [], lba=900000)])).build(),
        'name-longer-than-record': Image(Dir('', [ok_file, File('X.TXT;1', b'x', name_length=200)])).build(),
        'multi-extent-cut-off': Image(Dir('', [ok_file, File('CUT.BIN;1', parts=[b'a' * 100, b'b' * 100],
                                                             drop_last_part=True)])).build(),
        'folder-multi-extent': Image(Dir('', [ok_file, Dir('D', [], flags=0x80)])).build(),
        'dotdot-folder': Image(Dir('', [ok_file, Dir('..', [File('escape.txt', b'escaped\n')])]),
                               joliet=True).build(),
        'dotdot-file': Image(Dir('', [ok_file, File('..;1', b'escaped\n')])).build(),
        'slash-name': Image(Dir('', [ok_file, File('up/escape.txt', b'x')]), joliet=True).build(),
        'backslash-name': Image(Dir('', [ok_file, File('..\\escape.txt', b'x')]), joliet=True).build(),
        'colon-name': Image(Dir('', [ok_file, File('C:escape.txt', b'x')]), joliet=True).build(),
        'control-name': Image(Dir('', [ok_file, File('bell\x07.txt', b'x')]), joliet=True).build(),
        'device-name': Image(Dir('', [ok_file, File('CON;1', b'x')])).build(),
        'odd-joliet-name': Image(Dir('', [ok_file, File(b'\0a\0', b'x')]), joliet=True).build(),
        'duplicate-name': Image(Dir('', [File('readme.txt', b'1'), File('README.TXT', b'2')]),
                                joliet=True).build(),
    }
    for name, blob in bad.items():
        write(os.path.join(out, 'bad', name + '.iso'), blob)

    # Two extents of one file add up to 4 GiB: 0xFFFFF800 bytes (whole sectors) and one sector more.
    os.makedirs(os.path.join(out, 'fat32'), exist_ok=True)
    first, data_lba = 0xFFFFF800, 64
    huge = Dir('', [File('HUGE.BIN;1', lba=data_lba, length=first, flags=0x80),
                    File('HUGE.BIN;1', lba=data_lba + first // SECTOR, length=SECTOR), ok_file])
    path = os.path.join(out, 'fat32', 'huge-file.iso')
    write(path, Image(huge).build())
    os.truncate(path, data_lba * SECTOR + first + SECTOR)


if __name__ == '__main__':
    main()
