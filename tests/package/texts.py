"""What a user reads in the packages holds no example domain, no address
(Tockmere has none) and no tool's boilerplate, and names who made it:

  deb:control                the .deb's control fields
  deb:/usr/...               each file it installs (a .gz unpacked; of a
                             program, its strings, as "deb:PATH (strings)")
  zip:NAME                   each file of the Windows zip, likewise
  exe:version                the zip program's version resource, KEY=VALUE
  msi:summary                the installer's summary, as Windows reads it: in
                             code page 936
  msi:TABLE                  each table of the installer

Each rule of RULES applies to every source whose name its pattern of sources
matches; a line of EXCEPT is read by none. Prints one line per rule, PASS or
FAIL.

usage: python3 tests/package/texts.py DEB ZIP MSI VERSION WORK-DIR
"""

import gzip
import io
import os
import re
import struct
import subprocess
import sys
import tarfile
import zipfile

# (what, sources, "no" or "has", pattern): "no" fails on a line that matches,
# "has" on a source with no line that does. {version} is the project's
# version, {holder} who holds the copyright in the zip's LICENSE.txt.
RULES = [
    ("no example domain", r".", "no", r"example\.(com|net|org)|\borg\.example\b|\.example\b"),
    # A program's strings hold its compiler's texts, and pieces of code.
    ("no address", r"(?<!\(strings\))$", "no", r"(?<!xmlns=\")(https?|ftp)://"),
    ("no wixl boilerplate", r"^msi:summary$", "no",
     r"^Title: Installation Database$|^Keywords: Installer$|contains the logic and data required"),
    ("the installer's title and subject in Chinese", r"^msi:summary$", "has",
     r"^Title: Tockmere 定时提醒.*\nSubject: Tockmere 定时提醒 {version}$"),
    ("the installer's author", r"^msi:summary$", "has", r"^Author: {holder}$"),
    ("the program's company", r"^exe:version$", "has", r"^CompanyName={holder}$"),
    ("the program's copyright", r"^exe:version$", "has", r"^LegalCopyright=.* {holder}$"),
    ("the program's version", r"^exe:version$", "has", r"^FileVersion={version}$"),
]
# The one place an example address stays: Debian wants the maintainer's
# address, and Tockmere has none of its own yet.
EXCEPT = [
    (r"^deb:control$", r"^Maintainer: the Tockmere authors <tockmere@example\.org>$"),
    (r"^deb:/usr/share/doc/tockmere/changelog\.gz$", r"^ -- the Tockmere authors <tockmere@example\.org>  "),
]


def strings(data):
    """The runs of printable ASCII and UTF-16 text in a binary file."""
    runs = [m.decode("ascii") for m in re.findall(rb"[\x20-\x7e]{6,}", data)]
    runs += [m.decode("utf-16-le") for m in re.findall(rb"(?:[\x20-\x7e]\x00){6,}", data)]
    return runs


def file_source(where, data):
    """A file's lines; a program's strings, named WHERE (strings)."""
    if data[:2] == b"\x1f\x8b":
        data = gzip.decompress(data)
    if b"\0" in data:
        return where + " (strings)", strings(data)
    return where, data.decode("utf-8-sig").splitlines()


def version_resource(exe):
    """The KEY=VALUE strings of a program's VS_VERSIONINFO."""
    start = exe.find("VS_VERSION_INFO\0".encode("utf-16-le")) - 6
    if start < 0:
        return ["no version resource"]
    data = exe[start:]
    align = lambda p: (p + 3) & ~3

    def node(pos):
        length, value_length, text = struct.unpack_from("<HHH", data, pos)
        key_end = pos + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[pos + 6:key_end].decode("utf-16-le")
        p = align(key_end + 2)
        size = value_length * 2 if text else value_length
        value = data[p:p + size].decode("utf-16-le").rstrip("\0") if text else None
        p = align(p + size)
        children = []
        while p < pos + length:
            child, p = node(p)
            children.append(child)
            p = align(p)
        return (key, value, children), pos + length

    (_, _, blocks), _ = node(0)
    return ["%s=%s" % (key, value)
            for name, _, tables in blocks if name == "StringFileInfo"
            for _, _, entries in tables
            for key, value, _ in entries]


def sources(deb, zip_path, msi, work):
    fields = subprocess.run(["dpkg-deb", "-f", deb], capture_output=True, check=True).stdout
    yield "deb:control", fields.decode("utf-8").splitlines()
    tar = subprocess.run(["dpkg-deb", "--fsys-tarfile", deb], capture_output=True, check=True).stdout
    with tarfile.open(fileobj=io.BytesIO(tar)) as t:
        for member in t.getmembers():
            if member.isfile():
                yield file_source("deb:" + member.name.lstrip("."), t.extractfile(member).read())
    with zipfile.ZipFile(zip_path) as z:
        for name in z.namelist():
            yield file_source("zip:" + name, z.read(name))
        yield "exe:version", version_resource(z.read("tockmere.exe"))
    summary = subprocess.run(["msiinfo", "suminfo", msi], capture_output=True, check=True).stdout
    yield "msi:summary", summary.decode("cp936", errors="replace").splitlines()
    tables = subprocess.run(["msiinfo", "tables", msi], capture_output=True, check=True, text=True)
    for table in tables.stdout.split():
        if table == "_SummaryInformation":  # msiinfo suminfo's, not a table
            continue
        # export writes the streams of a table (Icon, Binary) into its folder.
        out = subprocess.run(["msiinfo", "export", os.path.abspath(msi), table],
                             capture_output=True, check=True, cwd=work).stdout
        yield "msi:" + table, out.decode("utf-8", errors="replace").splitlines()


def main(deb, zip_path, msi, version, work):
    texts = {}
    for where, lines in sources(deb, zip_path, msi, work):
        texts[where] = [line for line in lines
                        if not any(re.search(w, where) and re.search(p, line) for w, p in EXCEPT)]
    holder = re.search(r"^Copyright \(c\) \d+ (.+)$", "\n".join(texts.get("zip:LICENSE.txt", [])), re.M)
    fill = {"{version}": re.escape(version), "{holder}": re.escape(holder.group(1) if holder else "?")}
    failed = 0
    for what, applies, kind, pattern in RULES:
        for key, value in fill.items():
            pattern = pattern.replace(key, value)
        found = []
        for where, lines in texts.items():
            if not re.search(applies, where):
                continue
            if kind == "no":
                found += ["%s: %s" % (where, line.strip()[:100])
                          for line in lines if re.search(pattern, line, re.I)]
            elif not re.search(pattern, "\n".join(lines), re.M):
                found.append("%s lacks it: %s" % (where, " | ".join(lines)[:400]))
        if found:
            failed += 1
            print("FAIL texts: %s:" % what)
            print("\n".join("  " + line for line in found[:10]))
        else:
            print("PASS texts: %s" % what)
    return failed


if __name__ == "__main__":
    if len(sys.argv) != 6:
        sys.exit(__doc__.strip().splitlines()[-1])
    sys.exit(1 if main(*sys.argv[1:]) else 0)
