"""The packages as a user gets them: the Debian package, the Windows zip and
the Windows installer, each built twice and compared, read for what they must
hold (HOLDS), installed and started (the .deb on a virtual desktop, the zip's
program and the installer under Wine) and removed again.

Prints one line per check, PASS or FAIL, and last "N passed, M failed"; exits
1 when a check failed. Needs root (it installs and purges the .deb).

usage: sh tests/package/run.sh
"""
import concurrent.futures
import glob
import gzip
import io
import json
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tarfile
import tempfile
import zipfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from desktop import Desktop, StepFailed  # noqa: E402

os.chdir(ROOT)
VERSION = re.search(r"^project\(Tockmere VERSION ([0-9.]+)", open("CMakeLists.txt").read(), re.M)[1]
HOLDER = re.search(r"^Copyright \(c\) \d+ (.+)$", open("LICENSE").read(), re.M)[1]
NAME = "Tockmere 定时提醒"
MAIN_TITLE = "Tockmere Beta " + VERSION
ARCH = subprocess.run(["dpkg", "--print-architecture"], capture_output=True, text=True).stdout.strip()
DEB = "build/tockmere_%s_%s.deb" % (VERSION, ARCH)
ZIP = "build-windows/tockmere-%s-windows-x64.zip" % VERSION
MSI = "build-windows/tockmere-%s-windows-x64.msi" % VERSION
EPOCH = subprocess.run(["git", "log", "-1", "--format=%ct"], capture_output=True, text=True).stdout.strip()
CET = r"x86 feature:.*IBT.*SHSTK"
# Debian 12's C start files carry no IBT/SHSTK property, so no program linked
# there can: the program is asked for it only once they have it.
START_FILES_CET = bool(re.search(CET, subprocess.run(
    ["readelf", "-nW", subprocess.run(["gcc", "-print-file-name=Scrt1.o"], capture_output=True,
                                      text=True).stdout.strip()], capture_output=True, text=True).stdout))
BUILDFLAGS = lambda what: subprocess.run(["dpkg-buildflags", "--get", what], capture_output=True, text=True, env=dict(
    os.environ, DEB_BUILD_MAINT_OPTIONS="hardening=+all")).stdout.split()

# What each package must hold: (check, sources, "has" or "no", pattern). A
# source is a text read from the packages (see sources()); "has" fails on a
# source no line of which matches, "no" on every line that matches.
HOLDS = [
    ("deb_control", r"^deb:control$", "has", (
        r"^Depends:.*libqt6widgets6", r"^Depends:.*qt6-translations-l10n", "^Version: {version}$",
        r"^Recommends:.*fonts-wqy-zenhei.*libcanberra0.*sound-theme-freedesktop")),
    ("deb_files", r"^deb:files$", "has", tuple("^%s$" % re.escape(p) for p in (
        "/usr/bin/tockmere", "/usr/share/applications/tockmere.desktop",
        "/usr/share/metainfo/internal.tockmere.tockmere.metainfo.xml", "/usr/share/doc/tockmere/copyright",
        "/usr/share/icons/hicolor/scalable/apps/tockmere.svg"))),
    # The icon at every size a menu or panel asks for: a PNG of that size.
    ("deb_files", r"^deb:files$", "has", tuple(r"^/usr/share/icons/hicolor/{0}x{0}/apps/tockmere.png PNG {0}x{0}$"
                                               .replace("{0}", str(n)) for n in (16, 22, 24, 32, 48, 64, 128, 256))),
    ("deb_files", r"^deb:files$", "no", r"^/etc/"),
    ("zip_contents", r"^zip:files$", "has", r"\ALICENSE.txt\nREADME.txt\ntockmere.exe\Z"),
    # With its byte-order mark: Notepad on a Chinese system reads a UTF-8 file
    # without one in the ANSI code page, and shows it garbled.
    ("zip_contents", r"^zip:README.txt$", "has", ("\\A\ufeffTockmere {version} ", r"^中文\r$(?s:.*)^English\r$", r"tockmere\.exe")),
    ("zip_contents", r"^zip:(README|LICENSE).txt$", "no", r"(?<!\r)\n"),
    ("zip_contents", r"^zip:LICENSE.txt$", "has", r"\AMIT License\r$(?s:.*)^Copyright \(c\) \d+ {holder}\r$"),
    ("texts: no example domain", r"^(deb|zip|exe|msi):", "no", r"example\.(com|net|org)|\borg\.example\b|\.example\b"),
    # A program's strings hold its compiler's texts, and pieces of code.
    ("texts: no address", r"^(deb|zip|exe|msi):(?!.*\(strings\)$)", "no", r"(?<!xmlns=\")(https?|ftp)://"),
    ("texts: no wixl boilerplate", r"^msi:summary$", "no",
     r"^Title: Installation Database$|^Keywords: Installer$|contains the logic and data required"),
    # The summary as Windows reads it, in code page 936.
    ("texts: the installer's summary", r"^msi:summary$", "has",
     (r"^Title: Tockmere 定时提醒.*\nSubject: Tockmere 定时提醒 {version}$", r"^Author: {holder}$")),
    ("texts: the program's version resource", r"^exe:version$", "has",
     (r"^CompanyName={holder}$", r"^LegalCopyright=.* {holder}$", r"^FileVersion={version}$")),
    # The .deb's program: PIE, full RELRO, the stack protector.
    ("hardening_elf", r"^elf:tockmere$", "has",
     (r"Type:\s+DYN", r"GNU_RELRO", r"\((FLAGS|FLAGS_1)\).*\bNOW\b", r" U __stack_chk_fail\b") + (CET,) * START_FILES_CET),
    # The zip's program: ASLR at high entropy, NX, relocations to move it
    # with, no MinGW runtime DLL beside it, the commit's time or none in its
    # header; the stack protector linked in (the build's unstripped program).
    ("hardening_exe", r"^exe:headers$", "has", (r"^\s+HIGH_ENTROPY_VA$", r"^\s+DYNAMIC_BASE$", r"^\s+NX_COMPAT$",
                                                r"^\s*\d+ \.reloc ", r"^TimeDateStamp (0|{epoch})$")),
    ("hardening_exe", r"^exe:headers$", "no", r"DLL Name: lib"),
    ("hardening_exe", r"^exe:symbols$", "has", (r" T __stack_chk_fail$", r" __stack_chk_guard$")),
    # Every hardening flag of dpkg-buildflags on the default build's compile
    # and link lines (but -g, -O and the prefix map: the build sets its own),
    # and glibc's headers see fortification level 2.
    ("hardening_flags", r"^build:compile$", "has", tuple("^%s$" % re.escape(f) for f in BUILDFLAGS("CPPFLAGS")
                                                       + BUILDFLAGS("CXXFLAGS") if not re.match(r"-g$|-O|-ffile-", f))),
    ("hardening_flags", r"^build:link$", "has", tuple("^%s$" % re.escape(f) for f in BUILDFLAGS("LDFLAGS"))),
    ("hardening_flags", r"^build:macros$", "has", r"^#define __USE_FORTIFY_LEVEL 2$"),
    ("hardening_cf_protection", r"^object:build/src/", "has", CET),
]
# The one place an example address stays: Debian wants the maintainer's
# address, and Tockmere has none of its own yet. No rule reads these lines.
EXCEPT = [
    (r"^deb:control$", r"^Maintainer: the Tockmere authors <tockmere@example\.org>$"),
    (r"^deb:/usr/share/doc/tockmere/changelog\.gz$", r"^ -- the Tockmere authors <tockmere@example\.org>  "),
]

counts = [0, 0]


class Failed(Exception):
    pass


def need(condition, message):
    if not condition:
        raise Failed(message)


def check(name, run, *args):
    """Runs one check: it returns what to say of it, or raises what went wrong."""
    try:
        detail, ok = run(*args), True
    except Exception as failure:  # noqa: B902 (a check that breaks fails)
        detail, ok = str(failure) if isinstance(failure, (Failed, StepFailed)) else repr(failure), False
    counts[not ok] += 1
    print(("PASS %s" % name) + (" (%s)" % detail if detail else "") if ok else "FAIL %s: %s" % (name, detail))
    sys.stdout.flush()
    return ok


def sh(*argv, encoding="utf-8", **kwargs):
    """The output of a command, as text in `encoding` (None: bytes); Failed,
    with its last lines, if it fails."""
    done = subprocess.run(argv, capture_output=True, timeout=1800, **kwargs)
    need(done.returncode == 0, "%s failed (%s): %s" % (" ".join(map(str, argv))[:200], done.returncode,
                                                       (done.stdout + done.stderr)[-600:].decode("utf-8", "replace")))
    return done.stdout.decode(encoding, "replace") if encoding else done.stdout


# --- What the packages hold ---------------------------------------------------

def strings(data):
    """The runs of printable ASCII and UTF-16 text in a binary file."""
    runs = [m.decode("ascii") for m in re.findall(rb"[\x20-\x7e]{6,}", data)]
    return "\n".join(runs + [m.decode("utf-16-le") for m in re.findall(rb"(?:[\x20-\x7e]\x00){6,}", data)])


def file_source(where, data):
    """A file's text, a .gz unpacked; of a program, its strings, as WHERE (strings)."""
    if data[:2] == b"\x1f\x8b":
        data = gzip.decompress(data)
    return (where + " (strings)", strings(data)) if b"\0" in data else (where, data.decode("utf-8"))


def version_resource(exe):
    """The KEY=VALUE strings of a program's VS_VERSIONINFO: each a text node
    (type 1), its key, one NUL or two to align it, and its value."""
    at = exe.find("VS_VERSION_INFO\0".encode("utf-16-le"))
    body = exe[at - 6:at + 4000].decode("utf-16-le", "replace") if at >= 6 else ""
    return "\n".join("%s=%s" % kv for kv in re.findall(r"\x01([A-Za-z]+)\x00\x00?([^\x00]+)", body))


def sources(work):
    """Every text the rules of HOLDS read, by name."""
    yield "deb:control", sh("dpkg-deb", "-f", DEB)
    files = []
    with tarfile.open(fileobj=io.BytesIO(sh("dpkg-deb", "--fsys-tarfile", DEB, encoding=None))) as t:
        for member in t.getmembers():
            name = member.name.lstrip(".")
            if member.isfile():
                data = t.extractfile(member).read()
                size = struct.unpack(">II", data[16:24]) if data[:8] == b"\x89PNG\r\n\x1a\n" else None
                files.append(name + (" PNG %dx%d" % size if size else ""))
                yield file_source("deb:" + name, data)
    yield "deb:files", "\n".join(files)
    with zipfile.ZipFile(ZIP) as z:
        yield "zip:files", "\n".join(sorted(z.namelist()))
        for name in z.namelist():
            yield file_source("zip:" + name, z.read(name))
        exe = z.read("tockmere.exe")
    yield "exe:version", version_resource(exe)
    pe = int.from_bytes(exe[0x3C:0x40], "little")
    yield "exe:headers", sh("x86_64-w64-mingw32-objdump", "-p", "-h", work + "/zip/tockmere.exe") + \
        "\nTimeDateStamp %d" % int.from_bytes(exe[pe + 8:pe + 12], "little")
    yield "exe:symbols", sh("x86_64-w64-mingw32-nm", "build-windows/tockmere.exe")
    program = work + "/deb/usr/bin/tockmere"
    yield "elf:tockmere", sh("readelf", "-hlndW", program) + sh("nm", "-D", program)
    commands = json.load(open("build/compile_commands.json"))
    for c in commands:
        obj = "build/" + (c.get("output") or re.search(r" -o (\S+)", c["command"])[1])
        if obj.startswith("build/src/"):
            yield "object:" + obj, sh("readelf", "-nW", obj)
    line = [c["command"] for c in commands if c["file"].endswith("/src/main.cpp")][0]
    yield "build:compile", "\n".join(line.split())
    yield "build:link", "\n".join(re.search(r"^build tockmere:.*?\n\n", open("build/build.ninja").read(), re.M | re.S)[0].split())
    yield "build:macros", sh("sh", "-c", re.sub(r" -o \S+ -c ", " -dM -E ", line), cwd="build")
    yield "msi:summary", sh("msiinfo", "suminfo", MSI, encoding="cp936")
    for table in sh("msiinfo", "tables", MSI).split():
        if table != "_SummaryInformation":  # msiinfo suminfo's, not a table
            # export writes the streams of a table (Icon, Binary) into its folder.
            yield "msi:" + table, sh("msiinfo", "export", os.path.abspath(MSI), table, cwd=work)


def read(work, texts):
    """The packages unpacked, and every source of text in them."""
    sh("dpkg-deb", "-x", DEB, work + "/deb")
    zipfile.ZipFile(ZIP).extractall(work + "/zip")
    for name, body in sources(work):
        texts[name] = "\n".join(line for line in body.split("\n") if not any(
            re.search(w, name) and re.search(p, line) for w, p in EXCEPT))


def holds(texts, rows):
    """Every row of `rows`; a row whose sources are not there fails."""
    found = []
    rows = [(w, k, p) for w, k, ps in rows for p in ((ps,) if isinstance(ps, str) else ps)]
    for where, kind, pattern in rows:
        for key, value in (("{version}", re.escape(VERSION)), ("{holder}", re.escape(HOLDER)), ("{epoch}", EPOCH)):
            pattern = pattern.replace(key, value)
        names = [name for name in texts if re.search(where, name)]
        found += ["no source /%s/" % where] * (not names)
        for name, body in ((name, texts[name]) for name in names):
            if kind == "no":
                found += ["%s: %s" % (name, body[body.rfind("\n", 0, m.start()) + 1:][:100].split("\n")[0])
                          for m in re.finditer(pattern, body, re.M | re.I)]
            elif not re.search(pattern, body, re.M):
                found.append("%s lacks /%s/: %s" % (name, pattern, body[:120].replace("\n", " | ")))
    need(not found, "\n  ".join([""] + found[:10]))


# --- Built, twice -------------------------------------------------------------

def built(suffix=""):
    """scripts/package.sh makes the three packages; with a suffix, in build
    folders of that suffix (the program alone built there)."""
    paths = [re.sub(r"^(build[^/]*)/", r"\1%s/" % suffix, p) for p in (DEB, ZIP, MSI)]
    for old in paths + glob.glob("build%s/tockmere_*.deb" % suffix):
        if os.path.exists(old):
            os.remove(old)
    sh("sh", "scripts/package.sh", "deb", "windows", env=dict(os.environ, TOCKMERE_BUILD_SUFFIX=suffix))
    debs = glob.glob("build%s/tockmere_*.deb" % suffix)
    need(debs == paths[:1] and all(map(os.path.exists, paths)), "expected %s, found %s" % (paths, debs))
    return paths


def reproducible(again):
    """Built once more from the same commit in other build folders, while the
    checks after it ran: the same bytes."""
    for first, second in zip((DEB, ZIP, MSI), again.result()):
        need(open(first, "rb").read() == open(second, "rb").read(), "%s and %s differ" % (first, second))
    return "SOURCE_DATE_EPOCH %s" % EPOCH


# --- Installed ----------------------------------------------------------------

def apt(*argv):
    sh("apt-get", "-o", "DPkg::Lock::Timeout=300", "-y", *argv, env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))


def usr():
    return set(os.path.join(top, n) for top, dirs, names in os.walk("/usr") for n in dirs + names)


def installed_program_runs():
    """Started by the name the menu entry gives, from the PATH: its window and
    tray icon come up, of the class the entry names (so menus and task bars
    group them under it), and "退出" ends it."""
    entry = dict(re.findall(r"^(\w+)=(.*)$", open("/usr/share/applications/tockmere.desktop").read(), re.M))
    program = shutil.which(entry["Exec"].split()[0])
    need(program, "Exec=%s is not on the PATH" % entry["Exec"])
    d = Desktop(program, "2026-12-06 09:41:50")
    try:
        # A bus address that leads nowhere: libdbus would otherwise start a
        # session bus of its own for the program, which outlives the desktop.
        d.start(program=False).start_program(DBUS_SESSION_BUS_ADDRESS="unix:path=" + d.work + "/no-bus")
        main = d.wait_for("the main window", 20, lambda: d.titled(MAIN_TITLE))
        d.wait_for("the tray icon", 5, d.tray_icon)
        need(entry["StartupWMClass"] in main.wm_class, "WM_CLASS %r, StartupWMClass %r"
             % (main.wm_class, entry["StartupWMClass"]))
        d.choose_exit()
        need(d.await_program_end(5) == 0, "the program ended with status %s after 退出" % d.app.returncode)
        d.wait_for("the tray icon to go", 3, lambda: d.tray_icon() is None, program_may_end=True)
    finally:
        d.close()
    return program


def installed(work, lintian):
    share = work + "/deb/usr/share/"
    validators = [("desktop_file_validate", ["desktop-file-validate", share + "applications/tockmere.desktop"]),
                  ("appstreamcli_validate", ["appstreamcli", "validate", "--no-net",
                                             share + "metainfo/internal.tockmere.tockmere.metainfo.xml"])]
    # desktop-file-validate says what it finds, and exits 0 for a hint.
    for name, done in [("lintian", lintian.result())] + [
            (name, subprocess.run(argv, capture_output=True, text=True)) for name, argv in validators]:
        check(name, need, done.returncode == 0 and not (name[0] == "d" and done.stdout), done.stdout + done.stderr)
    if subprocess.run(["dpkg-query", "-W", "tockmere"], capture_output=True).returncode == 0:
        apt("purge", "tockmere")
    before = usr()
    if check("apt_install", apt, "install", "./" + DEB):
        check("installed_program_runs", installed_program_runs)
        check("apt_purge", lambda: apt("purge", "tockmere") or need(
            usr() <= before, "left under /usr: " + " ".join(sorted(usr() - before)[:10])))


# --- Under Wine ---------------------------------------------------------------
# Windows Installer's own bookkeeping, made on its first run in a fresh
# prefix (on Windows always there): left behind only while empty.
INSTALLER_LEFT = re.compile(r"file C:/(windows/Installer|users/[^/]+/AppData/Roaming/Microsoft/Installer)"
                            r"|key HKCU\\Software\\Microsoft\\Installer(\\(Features|Products|UpgradeCodes))?"
                            r"|key HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\(UpgradeCodes"
                            r"|UserData(\\S-[0-9-]+(\\Components|\\Products)?)?)")
UNINSTALL = r"\Software\Microsoft\Windows\CurrentVersion\Uninstall" + "\\"


def unescape(s):
    """Undoes the escapes of Wine's registry files: \\\\, \\", \\xNNNN..."""
    return re.sub(r"\\(x[0-9a-fA-F]{1,4}|.)", lambda m: chr(int(m[1][1:], 16)) if len(m[1]) > 1 else
                  {"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(m[1], m[1]), s)


class Prefix:
    """A Wine prefix of this run's own, on the desktop `d`: nothing from an
    earlier run or from the other tests is there."""

    def __init__(self, work, d):
        self.work, self.path = work, work + "/prefix"
        # No Mono or Gecko, and no Linux menu entries made for the shortcut.
        self.env = dict(d.env, WINEPREFIX=self.path, WINEDEBUG="-all", LANG="zh_CN.UTF-8",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.user = [u for u in os.listdir(self.path + "/drive_c/users") if u != "Public"][0]
        self.home = "%s/drive_c/users/%s/" % (self.path, self.user)
        self.exe = "C:\\users\\%s\\AppData\\Local\\Programs\\Tockmere\\tockmere.exe" % self.user

    def settle(self):
        """Stops the wineserver, which writes the registry files out."""
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)
        subprocess.run(["wineserver", "-w"], env=self.env, capture_output=True)

    def msiexec(self, *argv):
        log = self.path + "/msiexec.log"
        done = subprocess.run(["timeout", "-k", "5", "180", "wine", "msiexec", *argv, "/qn", "/l*v",
                               "Z:" + log.replace("/", "\\")], env=self.env, capture_output=True)
        self.settle()
        # The actions that did not succeed, from the log in code page 936.
        need(done.returncode == 0, "msiexec %s failed (%d): %s" % (" ".join(argv), done.returncode, " | ".join(
            re.findall(r"^.*(?:返回值 [02-9]|rror).*$", open(log, encoding="gbk", errors="replace").read()
                       if os.path.exists(log) else "", re.M)[:5])))

    def registry(self):
        """{key: {name: value}} of user.reg (as HKCU) and system.reg (HKLM)."""
        keys = {}
        for file, root in (("user.reg", "HKCU"), ("system.reg", "HKLM")):
            key = None
            body = open(self.path + "/" + file, encoding="utf-8", errors="surrogateescape").read()
            for line in re.sub(r"\\\n\s+", "", body).split("\n"):
                if line.startswith("["):
                    key = root + "\\" + unescape(line[1:line.rindex("]")])
                    keys[key] = {}
                elif key and (m := re.match(r'(?:"((?:[^"\\]|\\.)*)"|@)=(.*)$', line)):
                    value = re.match(r'(?:str\(\d\):)?"((?:[^"\\]|\\.)*)"$', m[2])
                    keys[key][unescape(m[1] or "")] = unescape(value[1]) if value else m[2]
        # The files name a key only if it has values or no subkeys: a key
        # left behind shows in one of them.
        return keys

    def snapshot(self):
        """Every file ("file C:/PATH"), key ("key KEY") and value ("value
        KEY\\NAME") of the prefix."""
        drive = self.path + "/drive_c"
        items = {"file C:/" + os.path.relpath(os.path.join(top, n), drive) for top, dirs, names in os.walk(drive)
                 for n in dirs + names}
        for key, values in self.registry().items():
            items |= {"key " + key} | {"value %s\\%s" % (key, n) for n in values}
        return items

    def leftovers(self, before):
        """Every item of snapshot() there now and not in `before`, but the
        installer's own folders and keys while nothing is in them."""
        new = self.snapshot() - before
        inside = lambda item: item.split(" ", 1)[1] + ("/" if item[0] == "f" else "\\")
        found = [i for i in new if not INSTALLER_LEFT.fullmatch(i) or any(
            j != i and inside(j).startswith(inside(i)) for j in new)]
        need(not found, "left: " + "; ".join(sorted(found)[:10]))

    def state(self, version, autostart):
        """One Apps & features entry of `version`, the Run value there or not,
        and, of this version, the zip's three files in place."""
        keys = self.registry()
        entries = [v for k, v in keys.items() if re.fullmatch(r"HK(CU|LM)" + re.escape(UNINSTALL) + r"[^\\]+", k)
                   and v.get("DisplayName") == NAME]
        need(len(entries) == 1, "%d Apps & features entries named %s" % (len(entries), NAME))
        e = entries[0]
        need((e.get("DisplayVersion"), e.get("Publisher")) == (version, HOLDER),
             "the entry's version and publisher: %s, %s" % (e.get("DisplayVersion"), e.get("Publisher")))
        need(re.fullmatch(r"MsiExec\.exe /X\{[0-9A-F-]{36}\}", e.get("UninstallString", ""), re.I),
             "no msiexec uninstall command in the entry: %s" % e.get("UninstallString"))
        folder = os.path.dirname(self.windows_file(self.exe))
        need(version != VERSION or all(open("%s/%s" % (folder, f), "rb").read() == open(
            "%s/zip/%s" % (self.work, f), "rb").read() for f in ("tockmere.exe", "LICENSE.txt", "README.txt")),
             "the installed files are not the zip's")
        run = keys.get(r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run", {}).get("Tockmere")
        need(run == ('"%s"' % self.exe if autostart else None), "the Run value is %s" % run)

    def icons(self, lnk):
        """The icon Apps & features shows (the entry's, or the one Windows
        Installer keeps) is an icon file, and the shortcut names it."""
        found = [i for v in self.registry().values() if NAME in (v.get("DisplayName"), v.get("ProductName"))
                 for i in (v.get("DisplayIcon"), v.get("ProductIcon")) if i]
        need(found, "no icon named for Apps & features")
        need(open(self.windows_file(found[0]), "rb").read(4) == b"\0\0\1\0", "%s is not an icon file" % found[0])
        shortcut = open(lnk, "rb").read()
        need(found[0].encode("utf-16-le") in shortcut, "the shortcut names not %s: %s" % (found[0], strings(shortcut)))

    def windows_file(self, path):
        return self.path + "/drive_c/" + re.sub(r"^[Cc]:\\", "", path).replace("\\", "/")


def wine_checks(work, prepared):
    """The installer: installed, its program started from its shortcut,
    upgraded from an older version and uninstalled, in one prefix."""
    major, minor = VERSION.split(".")[:2]
    older = "%s.%s" % (major, int(minor) - 1) if minor != "0" else "%d.9" % (int(major) - 1)
    older_msi = "%s/tockmere-%s-windows-x64.msi" % (work, older)
    d, prefix = Desktop("/bin/false", ""), []

    def setup():
        d.start_display()
        d.start_wm()
        prepared.result()
        prefix.append(Prefix(work, d))
        sh("cmake", "-DSETTINGS=build-windows/msi/settings.cmake", "-DVERSION=" + older, "-DOUTPUT=" + older_msi,
           "-P", "cmake/make-msi.cmake")
    try:
        if not check("wine_prefix", setup):
            return
        prefix = prefix[0]

        def starts():
            d.spawn(["wine", "start", "/unix", lnk], env=prefix.env)
            shown = lambda: any(w.name == MAIN_TITLE for w in d.xwin.windows())
            try:
                d.wait_for("the main window %r" % MAIN_TITLE, 60, shown)
            finally:
                prefix.settle()
            d.wait_for("the main window to go", 10, lambda: not shown())

        lnk = prefix.home + "AppData/Roaming/Microsoft/Windows/Start Menu/Programs/%s.lnk" % NAME
        before = prefix.snapshot()

        def step(runs, after):
            for how, msi, *rest in runs:
                prefix.msiexec(how, "Z:" + os.path.abspath(msi).replace("/", "\\"), *rest)
            prefix.state(*after) if after else prefix.leftovers(before)

        # Each a fault of its own: the Run value by default, left after an
        # uninstall, not made with AUTOSTART=1, forgotten by an upgrade, kept
        # by an upgrade with AUTOSTART=0.
        for name, runs, after in [
            ("msi_install", [("/i", MSI)], (VERSION, False)),
            ("msi_uninstall", [("/x", MSI)], None),
            ("msi_autostart", [("/i", older_msi, "AUTOSTART=1")], (older, True)),
            ("msi_upgrade", [("/i", MSI)], (VERSION, True)),
            ("msi_uninstall_after_upgrade", [("/x", MSI)], None),
            ("msi_upgrade_autostart_off", [("/i", older_msi, "AUTOSTART=1"), ("/i", MSI, "AUTOSTART=0")],
             (VERSION, False)),
        ]:
            if not check(name, step, runs, after) and name == "msi_install":
                return
            if name == "msi_install":
                check("msi_icons", prefix.icons, lnk)
                # The zip's program, byte for byte (msi_install).
                check("msi_shortcut_starts_program", starts)
    finally:
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=work + "/prefix"), capture_output=True)
        d.close()


# --- What start.sh installs -----------------------------------------------------

def start_packages():
    """scripts/start.sh installs what building and running need, and nothing
    that only a test stage, the packaging or the extras need (but what running
    on a virtual X server needs as well)."""
    groups = sorted(set(" ".join(re.findall(r"^ *sh scripts/setup\.sh(.*)$", open("scripts/start.sh").read(),
                                            re.M)).split()))
    listed = lambda g: re.sub(r"#.*", "", open("scripts/packages/%s.txt" % g).read()).split()
    installed = {p for g in groups for p in listed(g)}
    wrong = ["%s (of %s.txt)" % (p, other) for other in ("format", "unit", "e2e", "windows", "deb", "msi", "package",
                                                          "extras") for p in listed(other)
             if p in installed and p not in ("xvfb", "xauth", "jwm", "python3", "python3-xlib")]
    wrong += ["no " + p for p in ("qt6-base-dev", "cmake", "fonts-wqy-zenhei") if p not in installed]
    need(groups and not wrong, "scripts/start.sh installs, of the groups %s: %s" % (groups, " ".join(wrong)))
    return " ".join(groups)


def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    check("start_packages", start_packages)
    work = tempfile.mkdtemp(prefix="tockmere-package.")
    try:
        if check("root", need, os.getuid() == 0, "installing the package needs root") and check("built", built):
            # The second build, for `reproducible`, lintian and the making of
            # Wine's prefix run beside the checks that wait on apt and Wine.
            with concurrent.futures.ThreadPoolExecutor(3) as pool:
                again = pool.submit(built, "-again")
                lintian = pool.submit(subprocess.run, ["lintian", "--fail-on", "error", DEB], capture_output=True,
                                      text=True)
                prepared = pool.submit(sh, "sh", "scripts/wine-run.sh", "--prepare", env=dict(
                    {k: v for k, v in os.environ.items() if k != "DISPLAY"}, TOCKMERE_WINEPREFIX=work + "/prefix"))
                texts = {}
                if check("packages_read", read, work, texts):
                    for name in dict.fromkeys(row[0] for row in HOLDS):
                        check(name, holds, texts, [row[1:] for row in HOLDS if row[0] == name])
                    installed(work, lintian)
                    wine_checks(work, prepared)
                check("reproducible", reproducible, again)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return finish()


def finish():
    print("%d passed, %d failed" % tuple(counts))
    return 1 if counts[1] else 0


if __name__ == "__main__":
    sys.exit(main())
