#!/usr/bin/env python3
"""Makes and checks the release zips of Corvane.dll.

  package.py make   --version V --dist DIR --date EPOCH --root REPO x86=DLL x64=DLL
  package.py verify --version V --dist DIR --root REPO [--host-x86 EXE] [--host-x64 EXE]

make writes DIR/Corvane-V-<arch>.zip for every DLL given, each holding one folder
Corvane-V-<arch>/ with Corvane.dll (stripped), README-ja.txt, README-en.txt, LICENSE.txt and
SHA256SUMS, and DIR/SHA256SUMS over the zips. The zips are byte-for-byte reproducible: fixed
entry order, every entry dated EPOCH, fixed permissions, no extra fields.

verify checks what make promises, from the files alone: the sums, the entry list, the
DLL's machine type, exports and version, the texts; with a host program it also loads each
packaged DLL in corvane-host.exe under wine and numbers a small document with it.
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
import zipfile

ARCHES = {
    # arch: (bits, PE machine, mingw triplet, wine-run.sh architecture)
    "x86": (32, 0x014C, "i686-w64-mingw32", "win32"),
    "x64": (64, 0x8664, "x86_64-w64-mingw32", "win64"),
}
OTHER = {"x86": "x64", "x64": "x86"}
FILES = ["Corvane.dll", "README-ja.txt", "README-en.txt", "LICENSE.txt", "SHA256SUMS"]
BOM = b"\xef\xbb\xbf"


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


def stripped_dll(path, arch, epoch):
    """The DLL without its symbol tables and debug sections (half the size, same code)."""
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "Corvane.dll")
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


def make(args):
    with open(os.path.join(args.root, "LICENSE"), encoding="utf-8") as f:
        license_text = windows_text(f.read(), bom=False)
    os.makedirs(args.dist, exist_ok=True)
    made = []
    for spec in args.dlls:
        arch, _, path = spec.partition("=")
        if arch not in ARCHES or not path:
            raise Failure("a DLL is given as x86=PATH or x64=PATH, not %r" % spec)
        members = [
            ("Corvane.dll", stripped_dll(path, arch, args.date)),
            ("README-ja.txt", readme(args.root, "ja", args.version, arch)),
            ("README-en.txt", readme(args.root, "en", args.version, arch)),
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


def run(argv):
    proc = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
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
    if ("%s.0" % version).encode("utf-16-le") not in dll:
        raise Failure("%s: Corvane.dll carries no file version %s.0" % (path, version))
    checks += 1

    with open(os.path.join(args.root, "LICENSE"), encoding="utf-8") as f:
        if content["LICENSE.txt"] != windows_text(f.read(), bom=False):
            raise Failure("%s: LICENSE.txt is not the repository's LICENSE" % path)
    checks += 1
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
        checks += 3
    return checks


def run_in_host(zip_path, dll_path, arch, args):
    """Loads the packaged DLL in corvane-host.exe under wine and numbers three lines with it."""
    wine_arch = ARCHES[arch][3]
    with tempfile.TemporaryDirectory(prefix="corvane-package-") as tmp:
        doc = os.path.join(tmp, "doc.txt")
        out = os.path.join(tmp, "report.txt")
        with open(doc, "wb") as f:
            f.write("りんご\r\nみかん\r\nぶどう\r\n".encode("utf-8"))
        argv = [os.path.join(args.root, "cmake", "wine-run.sh"), wine_arch, args.host[arch],
                "--dll", dll_path, "--doc", doc, "--choose", "1", "--out", out]
        with tempfile.TemporaryFile() as err:
            status = subprocess.run(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                    stderr=err, timeout=300).returncode
            err.seek(0)
            stderr = err.read().decode("utf-8", "replace")
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
    v = sub.add_parser("verify")
    v.add_argument("--host-x86")
    v.add_argument("--host-x64")
    v.add_argument("--require", action="append", default=[], choices=sorted(ARCHES))
    for p in (m, v):
        p.add_argument("--version", required=True)
        p.add_argument("--dist", required=True)
        p.add_argument("--root", required=True)
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
