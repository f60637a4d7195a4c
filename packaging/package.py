#!/usr/bin/env python3
"""Makes and checks the release zips of Corvane.dll and corvane.exe.

  package.py make   --version V --dist DIR --date EPOCH --root REPO
                    --exe x86=EXE --exe x64=EXE x86=DLL x64=DLL
  package.py verify --version V --dist DIR --root REPO [--host-x86 EXE] [--host-x64 EXE]

make writes DIR/Corvane-V-<arch>.zip for every DLL given, each holding one folder
Corvane-V-<arch>/ with Corvane.dll and corvane.exe of that architecture (both stripped),
README-ja.txt, README-en.txt, CHANGES.txt (the repository's CHANGELOG.md), LICENSE.txt and
SHA256SUMS, and DIR/SHA256SUMS over the zips. The zips are byte-for-byte reproducible: fixed
entry order, every entry dated EPOCH, fixed permissions, no extra fields.

Both refuse a version that is not a release: CMakeLists.txt's version, and CHANGELOG.md opening
with that version's dated section and no [Unreleased] one. verify checks what make promises,
from the files alone: the sums, the entry list, the DLL's machine type, exports and version, corvane.exe's machine type, imports, version block
and manifest, the texts; it runs each packaged corvane.exe under wine, and with a host
program it also loads each packaged DLL in corvane-host.exe under wine and numbers a small
document with it.
"""
import argparse
import hashlib
import io
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree
import zipfile

ARCHES = {
    # arch: (bits, PE machine, mingw triplet, wine-run.sh architecture)
    "x86": (32, 0x014C, "i686-w64-mingw32", "win32"),
    "x64": (64, 0x8664, "x86_64-w64-mingw32", "win64"),
}
OTHER = {"x86": "x64", "x64": "x86"}
FILES = ["Corvane.dll", "corvane.exe", "README-ja.txt", "README-en.txt", "CHANGES.txt",
         "LICENSE.txt", "SHA256SUMS"]
BOM = b"\xef\xbb\xbf"
# What corvane.exe may import: Windows' own DLLs (the C and C++ runtimes are linked in).
SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll", "user32.dll", "advapi32.dll", "shell32.dll",
               "ucrtbase.dll"}
SYSTEM_DLL_PREFIX = "api-ms-win-"
# The manifest's supportedOS ids: Vista, 7, 8, 8.1, 10 and 11.
SUPPORTED_OS = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
RT_VERSION = 16
RT_MANIFEST = 24


def project_version(root):
    """The version CMakeLists.txt gives the project: the one source every other place takes."""
    with open(os.path.join(root, "CMakeLists.txt"), encoding="utf-8") as f:
        m = re.search(r"^project\(Corvane VERSION ([0-9.]+)", f.read(), re.M)
    return m.group(1) if m else None


def release_faults(changelog, version, project, snapshot=False):
    """What keeps CHANGELOG.md from describing release `version` of a project at `project`:
    a release's changelog opens with its own dated section and keeps no [Unreleased] one. A
    snapshot (work in progress) may open with [Unreleased] instead."""
    faults = []
    if version != project:
        faults.append("the release is %s but CMakeLists.txt says %s" % (version, project))
    if snapshot and re.match(r"\[Unreleased\]$", (re.findall(r"^## (.*)$", changelog, re.M) or [""])[0]):
        return faults
    if re.search(r"^## \[Unreleased\]", changelog, re.M | re.I):
        faults.append("CHANGELOG.md still has an [Unreleased] section")
    heads = re.findall(r"^## (.*)$", changelog, re.M)
    m = re.fullmatch(r"\[([^\]]+)\] - (\d{4})-(\d{2})-(\d{2})", heads[0]) if heads else None
    if not m or m.group(1) != version:
        faults.append("CHANGELOG.md's first section is %r, not '[%s] - YYYY-MM-DD'"
                      % (heads[0] if heads else None, version))
    else:
        try:
            time.strptime("-".join(m.groups()[1:]), "%Y-%m-%d")
        except ValueError:
            faults.append("CHANGELOG.md's [%s] is dated %s-%s-%s, no such day" % ((version,) + m.groups()[1:]))
    if len([h for h in heads if h.startswith("[%s]" % version)]) > 1:
        faults.append("CHANGELOG.md has more than one [%s] section" % version)
    return faults


def check_release(root, version, snapshot=False):
    with open(os.path.join(root, "CHANGELOG.md"), encoding="utf-8") as f:
        faults = release_faults(f.read(), version, project_version(root), snapshot)
    if faults:
        raise Failure("not a release: " + "; ".join(faults))


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def sums_text(named):
    """sha256sum's format: hash, two blanks, name; one line each, LF."""
    return "".join("%s  %s\n" % (sha256(data), name) for name, data in named).encode("ascii")


def parse_sums(data, where):
    sums = {}
    for n, line in enumerate(data.decode("ascii").splitlines(), 1):
        m = re.fullmatch(r"([0-9a-f]{64})  (\S+)", line)
        if not m:
            raise Failure("%s line %d is not 'sha256  name': %r" % (where, n, line))
        if m.group(2) in sums:
            raise Failure("%s names %s twice" % (where, m.group(2)))
        sums[m.group(2)] = m.group(1)
    return sums


class Failure(Exception):
    pass


def windows_text(text, bom):
    """The texts travel with CR LF line breaks (Windows editors); the Japanese one with a BOM."""
    data = text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")
    return BOM + data if bom else data


def readme(root, lang, version, arch):
    with open(os.path.join(root, "packaging", "README-%s.txt" % lang), encoding="utf-8") as f:
        text = f.read()
    bits = ARCHES[arch][0]
    other = OTHER[arch]
    for key, value in (("@VERSION@", version), ("@ARCH@", arch), ("@BITS@", str(bits)),
                       ("@OTHER_ARCH@", other), ("@OTHER_BITS@", str(ARCHES[other][0]))):
        text = text.replace(key, value)
    return windows_text(text, bom=lang == "ja")


def changes(root):
    """CHANGES.txt: the repository's CHANGELOG.md with the READMEs' line breaks."""
    with open(os.path.join(root, "CHANGELOG.md"), encoding="utf-8") as f:
        return windows_text(f.read(), bom=False)


def stripped(path, arch, epoch):
    """The DLL or program without its symbol tables and debug sections (same code)."""
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, os.path.basename(path))
        # strip writes the time into the PE header unless SOURCE_DATE_EPOCH gives one.
        env = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch))
        subprocess.run([ARCHES[arch][2] + "-strip", "--strip-unneeded", "-o", out, path],
                       check=True, env=env)
        with open(out, "rb") as f:
            return f.read()


def zip_bytes(folder, members, epoch):
    """A zip of members [(name, bytes)] under folder/, in the given order, all dated epoch."""
    date_time = time.gmtime(max(epoch, 315532800))[:6]  # zip dates start in 1980
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as z:
        for name, data in members:
            info = zipfile.ZipInfo(folder + "/" + name, date_time=date_time)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            z.writestr(info, data, compresslevel=9)
    return buffer.getvalue()


def zip_name(version, arch):
    return "Corvane-%s-%s" % (version, arch)


def by_arch(specs, what):
    """{arch: path} from ["x86=PATH", ...]; each architecture once."""
    paths = {}
    for spec in specs:
        arch, _, path = spec.partition("=")
        if arch not in ARCHES or not path:
            raise Failure("%s is given as x86=PATH or x64=PATH, not %r" % (what, spec))
        if arch in paths:
            raise Failure("%s is given twice for %s" % (what, arch))
        paths[arch] = path
    return paths


def make(args):
    check_release(args.root, args.version, args.snapshot)
    with open(os.path.join(args.root, "LICENSE"), encoding="utf-8") as f:
        license_text = windows_text(f.read(), bom=False)
    changes_text = changes(args.root)
    dlls = by_arch(args.dlls, "a DLL")
    exes = by_arch(args.exes, "corvane.exe")
    # Every zip holds both programs of its architecture; a lone one is a mistake of the caller.
    if sorted(dlls) != sorted(exes):
        raise Failure("DLLs given for %s but corvane.exe for %s" % (sorted(dlls), sorted(exes)))
    os.makedirs(args.dist, exist_ok=True)
    made = []
    for arch, path in dlls.items():
        members = [
            ("Corvane.dll", stripped(path, arch, args.date)),
            ("corvane.exe", stripped(exes[arch], arch, args.date)),
            ("README-ja.txt", readme(args.root, "ja", args.version, arch)),
            ("README-en.txt", readme(args.root, "en", args.version, arch)),
            ("CHANGES.txt", changes_text),
            ("LICENSE.txt", license_text),
        ]
        members.append(("SHA256SUMS", sums_text(members)))
        name = zip_name(args.version, arch) + ".zip"
        data = zip_bytes(zip_name(args.version, arch), members, args.date)
        with open(os.path.join(args.dist, name), "wb") as f:
            f.write(data)
        made.append((name, data))
        print("%s  %d bytes" % (os.path.join(args.dist, name), len(data)))
        for member, content in members:
            print("    %-14s %8d bytes" % (member, len(content)))
    with open(os.path.join(args.dist, "SHA256SUMS"), "wb") as f:
        f.write(sums_text(made))


def pe_machine(data):
    """(machine, is_dll) from the PE headers."""
    if data[:2] != b"MZ":
        raise Failure("no MZ header")
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise Failure("no PE signature")
    machine, _, _, _, _, _, characteristics = struct.unpack_from("<HHIIIHH", data, pe + 4)
    return machine, bool(characteristics & 0x2000)


def pe_resources(data):
    """{(type id, name id): bytes} of the resource tree, the first language of each; the
    named (not numbered) entries are left out."""
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    (magic,) = struct.unpack_from("<H", data, optional)
    directories = optional + (96 if magic == 0x10B else 112)
    root_rva, root_size = struct.unpack_from("<II", data, directories + 2 * 8)
    table = []
    for n in range(sections):
        vsize, va, raw_size, raw = struct.unpack_from("<IIII", data, optional + optional_size + 40 * n + 8)
        table.append((va, max(vsize, raw_size), raw))

    def offset(rva):
        for va, size, raw in table:
            if va <= rva < va + size:
                return rva - va + raw
        raise Failure("resource address 0x%X lies in no section" % rva)

    if not root_rva or not root_size:
        return {}
    base = offset(root_rva)

    def entries(at):
        named, numbered = struct.unpack_from("<HH", data, base + at + 12)
        for n in range(named, named + numbered):
            ident, target = struct.unpack_from("<II", data, base + at + 16 + 8 * n)
            yield ident, target & 0x7FFFFFFF, bool(target & 0x80000000)

    found = {}
    for kind, at, is_dir in entries(0):
        for name, at2, is_dir2 in entries(at) if is_dir else ():
            languages = list(entries(at2)) if is_dir2 else []
            if languages and not languages[0][2]:
                rva, size = struct.unpack_from("<II", data, base + languages[0][1])
                found[(kind, name)] = data[offset(rva):offset(rva) + size]
    return found


def version_strings(block):
    """(file version tuple of the fixed part, {name: text} of the StringFileInfo tables)
    from a VS_VERSIONINFO resource."""

    def node(at):
        length, value_length, kind = struct.unpack_from("<HHH", block, at)
        end = block.index(b"\0\0", at + 6)
        while (end - at - 6) % 2:  # the key's terminator starts on a code unit
            end = block.index(b"\0\0", end + 1)
        key = block[at + 6:end].decode("utf-16-le")
        value = (end + 2 + 3) & ~3
        size = value_length * 2 if kind == 1 else value_length
        children = (value + size + 3) & ~3 if size else value
        return key, block[value:value + size], value, children, at + length

    key, fixed, _, children, end = node(0)
    if key != "VS_VERSION_INFO" or len(fixed) < 52 or struct.unpack_from("<I", fixed)[0] != 0xFEEF04BD:
        raise Failure("not a VS_VERSIONINFO block")
    ms, ls = struct.unpack_from("<II", fixed, 8)
    strings = {}

    def walk(at, stop, depth):
        while at < stop:
            key, _, value, children, after = node(at)
            if depth == 2:
                # A string's length counts its terminator in some compilers, not in others.
                strings[key] = block[value:after].decode("utf-16-le").split("\0", 1)[0]
            elif depth < 2 and (depth or key == "StringFileInfo"):
                walk(children, after, depth + 1)
            at = (after + 3) & ~3

    walk(children, end, 0)
    return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF), strings


def manifest_faults(text):
    """What the program's manifest lacks or holds in excess; empty when it is as made."""
    try:
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as e:
        return ["not well-formed XML (%s)" % e]
    local = {}
    for element in root.iter():
        local.setdefault(element.tag.rsplit("}", 1)[-1], []).append(element)
    faults = []
    levels = [e.get("level") for e in local.get("requestedExecutionLevel", [])]
    if levels != ["asInvoker"]:
        faults.append("requestedExecutionLevel %s, not asInvoker" % levels)
    if [(e.text or "").strip().lower() for e in local.get("longPathAware", [])] != ["true"]:
        faults.append("longPathAware is not true")
    ids = {(e.get("Id") or "").lower() for e in local.get("supportedOS", [])}
    if ids != SUPPORTED_OS:
        faults.append("supportedOS ids %s, expected those of Vista to 11" % sorted(ids))
    if "activeCodePage" in local:
        faults.append("an activeCodePage element")
    return faults


def run_under_wine(root, arch, argv, stdin=b"", timeout=300):
    """Runs a Windows program (argv[0]) under wine through cmake/wine-run.sh; the
    CompletedProcess with stdout and stderr as bytes."""
    return subprocess.run([os.path.join(root, "cmake", "wine-run.sh"), ARCHES[arch][3]] + argv,
                          input=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=timeout)


def run(argv):
    """Runs a tool whose output is parsed: in the C locale, whatever the user's language."""
    env = dict(os.environ, LC_ALL="C")
    proc = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, env=env)
    return proc.returncode, proc.stdout


def check_zip(path, version, arch, args):
    """Checks one zip; returns the number of checks made."""
    folder = zip_name(version, arch)
    checks = 0
    with zipfile.ZipFile(path) as z:
        bad = z.testzip()
        if bad:
            raise Failure("%s: %s fails its CRC" % (path, bad))
        infos = z.infolist()
        names = [i.filename for i in infos]
        expected = [folder + "/" + f for f in FILES]
        if names != expected:
            raise Failure("%s holds %s, expected %s in this order" % (path, names, expected))
        dates = {i.date_time for i in infos}
        if len(dates) != 1:
            raise Failure("%s: entries carry different dates %s" % (path, sorted(dates)))
        content = {f: z.read(folder + "/" + f) for f in FILES}
    checks += 3

    sums = parse_sums(content["SHA256SUMS"], path + ":SHA256SUMS")
    if sorted(sums) != sorted(FILES[:-1]):
        raise Failure("%s: SHA256SUMS lists %s, expected %s" % (path, sorted(sums), sorted(FILES[:-1])))
    for name, digest in sums.items():
        if sha256(content[name]) != digest:
            raise Failure("%s: %s does not match its SHA256SUMS line" % (path, name))
        checks += 1

    checks += check_exe(path, content["corvane.exe"], version, arch, args)

    dll = content["Corvane.dll"]
    bits, machine, triplet, wine_arch = ARCHES[arch]
    got, is_dll = pe_machine(dll)
    if got != machine or not is_dll:
        raise Failure("%s: Corvane.dll is machine 0x%04X%s, expected 0x%04X (%s) DLL"
                      % (path, got, "" if is_dll else " and not a DLL", machine, arch))
    checks += 1
    with tempfile.TemporaryDirectory() as tmp:
        dll_path = os.path.join(tmp, "Corvane.dll")
        with open(dll_path, "wb") as f:
            f.write(dll)
        # The toolchain's own reading of the file, besides ours.
        status, out = run([triplet + "-objdump", "-f", dll_path])
        want = "pei-i386" if arch == "x86" else "pei-x86-64"
        if status != 0 or "file format %s" % want not in out:
            raise Failure("%s: objdump -f does not see %s:\n%s" % (path, want, out))
        checks += 1
        status, out = run([os.path.join(args.root, "scripts", "check-exports.sh"), dll_path, wine_arch])
        if status != 0:
            raise Failure("%s: export check failed:\n%s" % (path, out))
        checks += 1
        if args.host.get(arch):
            checks += run_in_host(path, dll_path, arch, args)

    # The version block says the same version as the zip's name.
    resources = pe_resources(dll)
    fixed, strings = version_strings(resources[(RT_VERSION, 1)]) if (RT_VERSION, 1) in resources else ((), {})
    want = tuple(int(n) for n in (version.split(".") + ["0"] * 4)[:4])
    if fixed != want or strings.get("FileVersion") != "%s.0" % version:
        raise Failure("%s: Corvane.dll's version block says %s, FileVersion %r; expected %s.0"
                      % (path, ".".join(map(str, fixed)) or "nothing", strings.get("FileVersion"), version))
    checks += 1

    with open(os.path.join(args.root, "LICENSE"), encoding="utf-8") as f:
        if content["LICENSE.txt"] != windows_text(f.read(), bom=False):
            raise Failure("%s: LICENSE.txt is not the repository's LICENSE" % path)
    if content["CHANGES.txt"] != changes(args.root):
        raise Failure("%s: CHANGES.txt is not the repository's CHANGELOG.md" % path)
    # A release opens its changes with its own dated section (Keep a Changelog's "## [V] - date").
    faults = release_faults(content["CHANGES.txt"].decode("utf-8-sig").replace("\r\n", "\n"), version,
                            project_version(args.root), args.snapshot)
    if faults:
        raise Failure("%s: CHANGES.txt: %s" % (path, "; ".join(faults)))
    checks += 3
    for name, bom in (("README-ja.txt", True), ("README-en.txt", False)):
        data = content[name]
        if data.startswith(BOM) != bom:
            raise Failure("%s: %s %s a UTF-8 BOM" % (path, name, "lacks" if bom else "has"))
        text = data.decode("utf-8-sig")
        if re.search(r"(?<!\r)\n", text) or "\r" in text.replace("\r\n", ""):
            raise Failure("%s: %s has line breaks other than CR LF" % (path, name))
        if re.search(r"@[A-Z_]+@", text):
            raise Failure("%s: %s has an unfilled @placeholder@" % (path, name))
        first = text.split("\r\n", 1)[0]
        if version not in first or arch not in first or str(bits) not in first:
            raise Failure("%s: %s's title %r does not name %s %s %d-bit" % (path, name, first, version, arch, bits))
        unlisted = [f for f in FILES if f not in text]
        if unlisted:
            raise Failure("%s: %s does not name %s among the package's files" % (path, name, unlisted))
        checks += 4
    return checks


def check_exe(zip_path, exe, version, arch, args):
    """Checks the packaged corvane.exe: machine, imports, version block, manifest, and a run
    under wine; returns the number of checks made."""
    bits, machine, triplet, _ = ARCHES[arch]
    got, is_dll = pe_machine(exe)
    if got != machine or is_dll:
        raise Failure("%s: corvane.exe is machine 0x%04X%s, expected 0x%04X (%s) program"
                      % (zip_path, got, " and a DLL" if is_dll else "", machine, arch))
    resources = pe_resources(exe)
    if (RT_VERSION, 1) not in resources:
        raise Failure("%s: corvane.exe has no version block" % zip_path)
    fixed, strings = version_strings(resources[(RT_VERSION, 1)])
    want = tuple(int(n) for n in (version.split(".") + ["0"] * 4)[:4])
    if fixed != want or strings.get("FileVersion") != version or strings.get("ProductVersion") != version:
        raise Failure("%s: corvane.exe's version block says %s, FileVersion %r, ProductVersion %r; "
                      "expected %s" % (zip_path, ".".join(map(str, fixed)), strings.get("FileVersion"),
                                       strings.get("ProductVersion"), version))
    if strings.get("OriginalFilename") != "corvane.exe":
        raise Failure("%s: corvane.exe's OriginalFilename is %r" % (zip_path, strings.get("OriginalFilename")))
    if (RT_MANIFEST, 1) not in resources:
        raise Failure("%s: corvane.exe has no manifest (RT_MANIFEST 1)" % zip_path)
    faults = manifest_faults(resources[(RT_MANIFEST, 1)])
    if faults:
        raise Failure("%s: corvane.exe's manifest: %s" % (zip_path, "; ".join(faults)))
    checks = 4

    with tempfile.TemporaryDirectory(prefix="corvane-package-") as tmp:
        exe_path = os.path.join(tmp, "corvane.exe")
        with open(exe_path, "wb") as f:
            f.write(exe)
        # The toolchain reads the import table; the runtimes must be linked in, not imported.
        status, out = run([triplet + "-objdump", "-p", exe_path])
        imports = re.findall(r"^\s*DLL Name: (\S+)$", out, re.M)
        foreign = [d for d in imports
                   if d.lower() not in SYSTEM_DLLS and not d.lower().startswith(SYSTEM_DLL_PREFIX)]
        if status != 0 or not imports or foreign:
            raise Failure("%s: corvane.exe imports %s; not Windows' own: %s"
                          % (zip_path, imports or "nothing readable", foreign))
        checks += 1
        checks += run_exe(zip_path, exe_path, version, arch, args)
    return checks


def run_exe(zip_path, exe_path, version, arch, args):
    """Runs the packaged corvane.exe under wine: its version, and text of each encoding it
    reads numbered through standard input, byte for byte."""
    fruit = "りんご\r\nみかん\nぶどう"
    numbered = "1:りんご\r\n2:みかん\n3:ぶどう"
    utf16 = b"\xff\xfe" + "10:a\r\nb\r\n".encode("utf-16-le")
    cases = [
        # (argv, standard input, expected standard output)
        (["--version"], b"", ("corvane (Corvane) %s\n" % version).encode("ascii")),
        (["number"], fruit.encode("utf-8"), numbered.encode("utf-8")),
        (["number", "-r"], BOM + fruit.encode("utf-8"),
         BOM + "3:りんご\r\n2:みかん\n1:ぶどう".encode("utf-8")),
        (["continue"], utf16, b"\xff\xfe" + "10:a\r\n11:b\r\n".encode("utf-16-le")),
        (["delete"], numbered.encode("cp932"), fruit.encode("cp932")),
    ]
    for argv, stdin, want in cases:
        proc = run_under_wine(args.root, arch, [exe_path] + argv, stdin)
        got = proc.stdout if argv != ["--version"] else proc.stdout.split(b"\n", 1)[0] + b"\n"
        if proc.returncode != 0 or got != want:
            raise Failure("%s: corvane.exe %s under wine: exit %d, wrote %r, expected %r\n%s"
                          % (zip_path, " ".join(argv), proc.returncode, proc.stdout, want,
                             proc.stderr.decode("utf-8", "replace")))
    return len(cases)


def run_in_host(zip_path, dll_path, arch, args):
    """Loads the packaged DLL in corvane-host.exe under wine and numbers three lines with it."""
    with tempfile.TemporaryDirectory(prefix="corvane-package-") as tmp:
        doc = os.path.join(tmp, "doc.txt")
        out = os.path.join(tmp, "report.txt")
        with open(doc, "wb") as f:
            f.write("りんご\r\nみかん\r\nぶどう\r\n".encode("utf-8"))
        proc = run_under_wine(args.root, arch, [args.host[arch], "--dll", dll_path, "--doc", doc,
                                                "--choose", "1", "--out", out])
        status = proc.returncode
        stderr = proc.stderr.decode("utf-8", "replace")
        report = open(out, encoding="utf-8").read() if os.path.exists(out) else ""
        want = ["dll.loaded=1", "choose.result=chosen",
                r"doc.after=1:りんご\r\n2:みかん\r\n3:ぶどう\r\n", "redraw=on", "end=1"]
        missing = [w for w in want if w not in report.splitlines()]
        if status != 0 or missing:
            raise Failure("%s: the packaged DLL did not work in corvane-host.exe (exit %d), missing %s\n%s%s"
                          % (zip_path, status, missing, stderr, report))
    return 1


def verify(args):
    top = os.path.join(args.dist, "SHA256SUMS")
    if not os.path.exists(top):
        raise Failure("%s is missing" % top)
    with open(top, "rb") as f:
        sums = parse_sums(f.read(), top)
    if not sums:
        raise Failure("%s lists no zip" % top)
    check_release(args.root, args.version, args.snapshot)
    checks = 0
    for name, digest in sorted(sums.items()):
        m = re.fullmatch(r"Corvane-%s-(x86|x64)\.zip" % re.escape(args.version), name)
        if not m:
            raise Failure("%s lists %s, not Corvane-%s-x86.zip or -x64.zip" % (top, name, args.version))
        path = os.path.join(args.dist, name)
        with open(path, "rb") as f:
            if sha256(f.read()) != digest:
                raise Failure("%s does not match %s" % (path, top))
        checks += 1 + check_zip(path, args.version, m.group(1), args)
        print("OK  %s (%s)" % (path, m.group(1)))
    for arch in args.require:
        if zip_name(args.version, arch) + ".zip" not in sums:
            raise Failure("%s does not list the %s zip" % (top, arch))
    print("verify: %d zip(s), %d checks passed" % (len(sums), checks))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    m = sub.add_parser("make")
    m.add_argument("dlls", nargs="+", metavar="ARCH=DLL")
    m.add_argument("--exe", dest="exes", action="append", default=[], metavar="ARCH=EXE",
                   help="corvane.exe of that architecture (one for every DLL)")
    v = sub.add_parser("verify")
    v.add_argument("--host-x86")
    v.add_argument("--host-x64")
    v.add_argument("--require", action="append", default=[], choices=sorted(ARCHES))
    for p in (m, v):
        p.add_argument("--version", required=True)
        p.add_argument("--dist", required=True)
        p.add_argument("--root", required=True)
        p.add_argument("--snapshot", action="store_true",
                       help="work in progress: the changelog may open with [Unreleased]")
    m.add_argument("--date", type=int, required=True, help="seconds since 1970 for every entry")
    args = parser.parse_args()
    try:
        if args.command == "make":
            make(args)
        else:
            args.host = {"x86": args.host_x86, "x64": args.host_x64}
            verify(args)
    except (Failure, OSError, subprocess.CalledProcessError, zipfile.BadZipFile) as e:
        print("package.py: FAIL: %s" % e, file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()
