#!/usr/bin/python3
"""Independent checks of rewritten executables, with pefile as the reader.

  check_copies.py --host HOST --exe EXE --copies DIR --work DIR FIXTURE...

1. Every copy listed in DIR/manifest.txt (written by the ExeImage test) has
   consistent headers and every resource but its greeting unchanged.
2. The personaliser, built for Linux (HOST) and for Windows (EXE, run under
   Wine), writes identical copies that pass the same checks and greet with
   their new message under Wine; it refuses bad input with exit code 2 and one
   line on stderr and writes nothing; usage errors exit with 1.
Runs inside scripts/wine-rig, which provides `wine`.
"""
import argparse
import os
import random
import struct
import subprocess
import sys

import pefile

GREETING = b'Joyeux No\xebl\r\n---------------------\r\n'
failures = []


def fail(what):
    failures.append(what)
    print('FAIL: ' + what)


def expect(condition, what):
    if not condition:
        fail(what)


def align_up(value, alignment):
    return (value + alignment - 1) // alignment * alignment


def resources(pe):
    """(type, name, language) -> bytes, in tree order."""
    found = {}
    for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        type_key = str(type_entry.name) if type_entry.name else type_entry.id
        for name_entry in type_entry.directory.entries:
            name_key = str(name_entry.name) if name_entry.name else name_entry.id
            for language in name_entry.directory.entries:
                data = language.data.struct
                found[(type_key, name_key, language.id)] = pe.get_data(data.OffsetToData, data.Size)
    return found


def section_named(pe, name):
    for section in pe.sections:
        if section.Name.rstrip(b'\0') == name:
            return section
    return None


def check_copy(label, copy_path, original_path, message):
    with open(copy_path, 'rb') as f:
        copy_bytes = f.read()
    with open(original_path, 'rb') as f:
        original_bytes = f.read()
    pe, original = pefile.PE(data=copy_bytes), pefile.PE(data=original_bytes)
    opt, before = pe.OPTIONAL_HEADER, original.OPTIONAL_HEADER
    fa, sa = opt.FileAlignment, opt.SectionAlignment

    # Sections: in the same order, aligned, their raw data back to back in
    # the file as before, each untouched section's bytes unchanged.
    expect(len(pe.sections) == len(original.sections), label + ': section count')
    for index, (s, o) in enumerate(zip(pe.sections, original.sections)):
        name = s.Name.rstrip(b'\0').decode()
        expect(s.Name == o.Name, label + ': section names')
        expect(s.VirtualAddress % sa == 0, label + ': %s virtual address aligned' % name)
        expect(s.SizeOfRawData % fa == 0 and s.PointerToRawData % fa == 0,
               label + ': %s raw data aligned' % name)
        if name != '.rsrc':
            expect(s.get_data() == o.get_data(), label + ': %s bytes unchanged' % name)
            expect(s.Misc_VirtualSize == o.Misc_VirtualSize, label + ': %s virtual size' % name)
        if index + 1 < len(pe.sections):
            n, on = pe.sections[index + 1], original.sections[index + 1]
            gap = n.VirtualAddress - align_up(s.VirtualAddress + s.Misc_VirtualSize, sa)
            original_gap = on.VirtualAddress - align_up(o.VirtualAddress + o.Misc_VirtualSize, sa)
            expect(gap == original_gap and gap >= 0, label + ': %s followed at the same distance' % name)
            if n.SizeOfRawData and o.SizeOfRawData:
                expect(n.PointerToRawData - (s.PointerToRawData + s.SizeOfRawData) ==
                       on.PointerToRawData - (o.PointerToRawData + o.SizeOfRawData),
                       label + ': raw data after %s in place' % name)
    last = pe.sections[-1]
    expect(opt.SizeOfImage == align_up(last.VirtualAddress + last.Misc_VirtualSize, sa) or
           opt.SizeOfImage - before.SizeOfImage ==
           align_up(last.VirtualAddress + last.Misc_VirtualSize, sa) -
           align_up(original.sections[-1].VirtualAddress + original.sections[-1].Misc_VirtualSize, sa),
           label + ': SizeOfImage')
    rsrc, orsrc = section_named(pe, b'.rsrc'), section_named(original, b'.rsrc')
    expect(opt.SizeOfInitializedData - before.SizeOfInitializedData ==
           rsrc.SizeOfRawData - orsrc.SizeOfRawData, label + ': SizeOfInitializedData')
    expect(rsrc.SizeOfRawData == align_up(rsrc.Misc_VirtualSize, fa), label + ': .rsrc raw size')

    # Every data directory still points at the same place of its section.
    for d, od in zip(opt.DATA_DIRECTORY, before.DATA_DIRECTORY):
        if not od.VirtualAddress:
            expect(not d.VirtualAddress, label + ': ' + d.name)
            continue
        s, o = pe.get_section_by_rva(d.VirtualAddress), original.get_section_by_rva(od.VirtualAddress)
        expect(s is not None and s.Name == o.Name and
               d.VirtualAddress - s.VirtualAddress == od.VirtualAddress - o.VirtualAddress,
               label + ': ' + d.name + ' in place')
        if d.name != 'IMAGE_DIRECTORY_ENTRY_RESOURCE':
            expect(d.Size == od.Size, label + ': ' + d.name + ' size')
    resource_dir = opt.DATA_DIRECTORY[2]
    expect(resource_dir.Size - rsrc.Misc_VirtualSize ==
           before.DATA_DIRECTORY[2].Size - orsrc.Misc_VirtualSize, label + ': resource size')

    # Other header fields unchanged.
    changing = {'SizeOfImage', 'SizeOfInitializedData'}
    for field in before.__keys__:
        key = field[0]
        if key not in changing:
            expect(getattr(opt, key) == getattr(before, key), label + ': ' + key)

    # What follows the sections: exactly the COFF symbol and string table.
    raw_end = max(s.PointerToRawData + s.SizeOfRawData for s in pe.sections)
    original_end = max(s.PointerToRawData + s.SizeOfRawData for s in original.sections)
    expect(copy_bytes[raw_end:] == original_bytes[original_end:], label + ': file tail')
    if original.FILE_HEADER.PointerToSymbolTable:
        expect(pe.FILE_HEADER.PointerToSymbolTable == raw_end, label + ': PointerToSymbolTable')

    # Relocations still name the same places.
    if hasattr(original, 'DIRECTORY_ENTRY_BASERELOC'):
        targets = [(e.rva, e.type) for b in pe.DIRECTORY_ENTRY_BASERELOC for e in b.entries]
        original_targets = [(e.rva, e.type) for b in original.DIRECTORY_ENTRY_BASERELOC for e in b.entries]
        expect(targets == original_targets, label + ': relocations')

    # Resources: the same keys, the greeting new, every other one unchanged.
    now, then = resources(pe), resources(original)
    expect(list(now) == list(then), label + ': resource keys')
    greeting = next(k for k in then if k[0] == 'MSGTEXT' and k[1] == 101)
    for key, data in then.items():
        if key == greeting:
            expect(now.get(key) == message, label + ': new greeting')
        else:
            expect(now.get(key) == data, label + ': resource %r unchanged' % (key,))


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, timeout=60, **kwargs)


def greets(path, message, label):
    result = run(['wine', path])
    expect(result.returncode == 0 and result.stdout == message,
           label + ': greets with its message under Wine (got %r)' % result.stdout[:40])


def personalisers(args):
    """How to run each build: the Linux one directly, the Windows one under Wine."""
    return [('linux', [args.host]), ('windows', ['wine', args.exe])]


def check_personaliser(args):
    work = args.work
    os.makedirs(work, exist_ok=True)
    messages = [
        ('lf', b'Joyeux No\xebl\n---------------------\n', GREETING),
        ('long', b'x' * 255, b'x' * 255),
        ('short', b'Hi!', b'Hi!'),
        ('forty', b'4' * 40, b'4' * 40),
    ]
    for fixture in args.fixtures:
        base = os.path.splitext(os.path.basename(fixture))[0]
        for kind, text, stored in messages:
            label = '%s/%s' % (base, kind)
            message_file = os.path.join(work, 'message.txt')
            with open(message_file, 'wb') as f:
                f.write(text)
            outputs = []
            for build, command in personalisers(args):
                output = os.path.join(work, '%s-%s-%s.exe' % (base, kind, build))
                if os.path.exists(output):
                    os.remove(output)
                # The Linux build takes the text as an argument, the Windows
                # one from a file, as bytes (Wine would recode arguments).
                option = ['--message', text] if build == 'linux' else ['--message-file', message_file]
                result = run(command + [fixture, output] + option)
                expect(result.returncode == 0, '%s: %s personaliser exit %d %r' %
                       (label, build, result.returncode, result.stderr))
                outputs.append(output)
                printed = run(command + ['--print-message', output])
                expect(printed.returncode == 0 and printed.stdout == stored,
                       '%s: %s --print-message' % (label, build))
            if not all(os.path.exists(o) for o in outputs):
                continue
            with open(outputs[0], 'rb') as a, open(outputs[1], 'rb') as b:
                expect(a.read() == b.read(), label + ': both builds write the same copy')
            check_copy(label, outputs[0], fixture, stored)
            greets(outputs[0], stored, label)
            if kind == 'lf':
                with open(outputs[0], 'rb') as a, open(fixture, 'rb') as b:
                    expect(a.read() == b.read(), label + ': its own greeting gives the same file')

    check_refusals(args, work)


def bad_inputs(fixture):
    with open(fixture, 'rb') as f:
        good = f.read()
    pe = pefile.PE(data=good)
    opt = pe.OPTIONAL_HEADER.get_file_offset()
    rsrc = pe.get_offset_from_rva(pe.OPTIONAL_HEADER.DATA_DIRECTORY[2].VirtualAddress)
    pe32_plus = bytearray(good)
    pe32_plus[opt:opt + 2] = struct.pack('<H', 0x20B)
    outside = bytearray(good)
    outside[rsrc + 20:rsrc + 24] = struct.pack('<I', 0x80000000 | 0x7FFF0000)
    random.seed(3)
    return [
        ('truncated', good[:len(good) // 3], 'outside the file'),
        ('random bytes', bytes(random.getrandbits(8) for _ in range(4096)), 'no MZ'),
        ('PE32+', bytes(pe32_plus), 'PE32+'),
        ('an overlay', good + b'appended', 'overlay'),
        ('a resource table outside its section', bytes(outside), 'outside the resource section'),
        ('not an executable', b'hello\n', 'no MZ'),
    ]


def check_refusals(args, work):
    fixture = args.fixtures[0]
    for build, command in personalisers(args):
        for label, data, reason in bad_inputs(fixture):
            label = '%s personaliser, %s' % (build, label)
            bad = os.path.join(work, 'bad.exe')
            with open(bad, 'wb') as f:
                f.write(data)
            output = os.path.join(work, 'refused.exe')
            for existing in (None, b'kept as it was'):
                if os.path.exists(output):
                    os.remove(output)
                if existing:
                    with open(output, 'wb') as f:
                        f.write(existing)
                result = run(command + [bad, output, '--message', 'Hello'])
                lines = result.stderr.decode('latin-1').splitlines()
                expect(result.returncode == 2, label + ': exit code %d' % result.returncode)
                expect(len(lines) == 1 and reason in lines[0], label + ': one line naming the reason %r' % lines)
                if existing:
                    with open(output, 'rb') as f:
                        expect(f.read() == existing, label + ': OUTPUT left as it was')
                else:
                    expect(not os.path.exists(output), label + ': nothing written')
                expect(not os.path.exists(output + '.partial'), label + ': no partial file')
            with open(bad, 'rb') as f:
                expect(f.read() == data, label + ': INPUT unchanged')

        same = os.path.join(work, 'same-file.exe')
        with open(fixture, 'rb') as f, open(same, 'wb') as g:
            g.write(f.read())
        result = run(command + [same, same, '--message', 'Hello'])
        expect(result.returncode == 2, build + ': OUTPUT naming INPUT is refused')
        with open(fixture, 'rb') as f, open(same, 'rb') as g:
            expect(f.read() == g.read(), build + ': INPUT unchanged when named as OUTPUT')
        result = run(command + [fixture, os.path.join(work, 'long.exe'), '--message', 'x' * 256])
        expect(result.returncode == 2, build + ': a message over 255 bytes is refused')

        usage = [[], [fixture], [fixture, same], ['--bogus', fixture, same],
                 [fixture, same, '--message', 'a', '--message-file', same],
                 [fixture, same, '--message'], ['--print-message'],
                 ['--print-message', fixture, same]]
        for arguments in usage:
            result = run(command + arguments)
            expect(result.returncode == 1, '%s: usage error for %r gives 1, not %d' %
                   (build, arguments, result.returncode))
            expect(len(result.stderr.splitlines()) == 1, '%s: usage error for %r in one line' %
                   (build, arguments))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--host', required=True)
    parser.add_argument('--exe', required=True)
    parser.add_argument('--copies', required=True)
    parser.add_argument('--work', required=True)
    parser.add_argument('--also', action='append', default=[],
                        help='another original named in the manifest, not run')
    parser.add_argument('fixtures', nargs='+')
    args = parser.parse_args()

    by_name = {os.path.basename(f): f for f in args.fixtures + args.also}
    with open(os.path.join(args.copies, 'manifest.txt')) as manifest:
        listed = [line.split() for line in manifest if line.strip()]
    for copy, original, message in listed:
        check_copy(copy, os.path.join(args.copies, copy), by_name[original], bytes.fromhex(message))
    print('checked %d copies written by ExeImage' % len(listed))

    check_personaliser(args)
    if failures:
        print('%d failures' % len(failures))
        return 1
    print('all checks passed')
    return 0


if __name__ == '__main__':
    sys.exit(main())
