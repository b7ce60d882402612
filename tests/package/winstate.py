"""What an installer left in a Wine prefix, read from the prefix's files.

  winstate.py snapshot PREFIX OUT.json
      the files under drive_c and the registry (user.reg as HKCU, system.reg
      as HKLM) as they are now; run it once the wineserver has stopped, when
      the registry files are written out
  winstate.py leftovers BEFORE.json AFTER.json
      prints every file, registry key and registry value in AFTER that was not
      in BEFORE, except Windows Installer's own empty folders and keys (made by
      msiexec the first time it runs; on Windows they are always there);
      exits 1 if there is any
  winstate.py uninstall-entries PREFIX NAME
      the Apps & features entries (Uninstall keys under HKCU and HKLM) whose
      DisplayName is NAME, one line each: the key, then name=value pairs
  winstate.py products-icon PREFIX NAME
      the icon Apps & features shows for the product named NAME: its entry's
      DisplayIcon, or else the ProductIcon Windows Installer keeps for it
  winstate.py value PREFIX 'HKCU\\KEY' NAME
      one registry value (exit 1 if there is none)
  winstate.py shortcut FILE.lnk
      a shell link's target, working folder and icon, one per line

Chinese text in the registry files is written \\xNNNN; it is printed decoded.
"""
import json
import os
import re
import sys

# Windows Installer's own bookkeeping, made on its first run in a fresh
# prefix. They may be left behind only while empty.
INSTALLER_FOLDERS = {
    "windows/Installer",
}
INSTALLER_FOLDER_PATTERNS = [re.compile(r"users/[^/]+/AppData/Roaming/Microsoft/Installer")]
INSTALLER_KEYS = {
    r"HKCU\Software\Microsoft\Installer",
    r"HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UserData",
    r"HKCU\Software\Microsoft\Installer\Features",
    r"HKCU\Software\Microsoft\Installer\Products",
    r"HKCU\Software\Microsoft\Installer\UpgradeCodes",
    r"HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UpgradeCodes",
}
INSTALLER_KEY_PATTERNS = [
    re.compile(r"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-[0-9-]+(\\Components|\\Products)?"),
]


def unescape(text):
    """Undoes the escapes of Wine's registry files: \\\\, \\", \\xN..."""
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            n = text[i + 1]
            if n == "x":
                m = re.match(r"[0-9a-fA-F]{1,4}", text[i + 2:])
                if m:
                    out.append(chr(int(m.group(0), 16)))
                    i += 2 + len(m.group(0))
                    continue
            out.append({"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(n, n))
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


def read_registry(path, root):
    """{key: {value name: value}}; strings decoded, other types as written."""
    keys = {}
    current = None
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        lines = f.read().split("\n")
    joined = []
    for line in lines:
        if joined and joined[-1].endswith("\\") and line.startswith("  "):
            joined[-1] = joined[-1][:-1] + line.strip()
        else:
            joined.append(line)
    for line in joined:
        if line.startswith("["):
            end = line.rindex("]")
            current = root + "\\" + unescape(line[1:end])
            keys[current] = {}
        elif current is None or not line or line.startswith("#") or line.startswith(";"):
            continue
        else:
            if line.startswith("@="):
                name, data = "", line[2:]
            else:
                m = re.match(r'"((?:[^"\\]|\\.)*)"=(.*)$', line)
                if not m:
                    continue
                name, data = unescape(m.group(1)), m.group(2)
            m = re.match(r'(?:str\(\d\):)?"((?:[^"\\]|\\.)*)"$', data)
            keys[current][name] = unescape(m.group(1)) if m else data
    return keys


def snapshot(prefix):
    drive = os.path.join(prefix, "drive_c")
    files = []
    for top, dirs, names in os.walk(drive):
        for name in dirs + names:
            files.append(os.path.relpath(os.path.join(top, name), drive))
    return {"files": sorted(files), "registry": snapshot_registry(prefix)}


def allowed_folder(path):
    return path in INSTALLER_FOLDERS or any(p.fullmatch(path) for p in INSTALLER_FOLDER_PATTERNS)


def allowed_key(key, values):
    if values:
        return False
    return key in INSTALLER_KEYS or any(p.fullmatch(key) for p in INSTALLER_KEY_PATTERNS)


def leftovers(before, after):
    found = []
    old_files = set(before["files"])
    new_files = [f for f in after["files"] if f not in old_files]
    for f in new_files:
        # An allowed folder counts only while nothing new lies inside it.
        if allowed_folder(f) and not any(g.startswith(f + "/") for g in new_files):
            continue
        found.append("file C:/" + f)
    old_keys = before["registry"]
    for key, values in after["registry"].items():
        if key not in old_keys:
            if not allowed_key(key, values):
                found.append("key %s %s" % (key, json.dumps(values, ensure_ascii=False)))
            continue
        for name, value in values.items():
            if name not in old_keys[key]:
                found.append("value %s\\%s = %s" % (key, name or "@", value))
    return found


def uninstall_entries(prefix, name):
    registry = snapshot_registry(prefix)
    entries = []
    for root in ("HKCU", "HKLM"):
        parent = root + r"\Software\Microsoft\Windows\CurrentVersion\Uninstall" + "\\"
        for key, values in registry.items():
            rest = key[len(parent):] if key.startswith(parent) else None
            if rest and "\\" not in rest and values.get("DisplayName") == name:
                entries.append((key, values))
    return entries


def products_icon(prefix, name):
    for key, values in uninstall_entries(prefix, name):
        if values.get("DisplayIcon"):
            return values["DisplayIcon"]
    registry = snapshot_registry(prefix)
    for root in ("HKCU", "HKLM"):
        parent = root + r"\Software\Microsoft\Installer\Products" + "\\"
        for key, values in registry.items():
            if key.startswith(parent) and values.get("ProductName") == name and values.get("ProductIcon"):
                return values["ProductIcon"]
    return None


def snapshot_registry(prefix):
    registry = {}
    registry.update(read_registry(os.path.join(prefix, "user.reg"), "HKCU"))
    registry.update(read_registry(os.path.join(prefix, "system.reg"), "HKLM"))
    # The files name a key only if it has values or no subkeys: its parents
    # are there all the same.
    for key in list(registry):
        parts = key.split("\\")
        for n in range(1, len(parts)):
            registry.setdefault("\\".join(parts[:n]), {})
    return registry


def shortcut(path):
    """Target, working folder and icon of a shell link (.lnk)."""
    data = open(path, "rb").read()
    if data[:4] != b"\x4c\x00\x00\x00":
        raise SystemExit("%s is not a shell link" % path)
    flags = int.from_bytes(data[0x14:0x18], "little")
    pos = 0x4C
    if flags & 0x1:  # HasLinkTargetIDList
        pos += 2 + int.from_bytes(data[pos:pos + 2], "little")
    target = ""
    if flags & 0x2:  # HasLinkInfo
        info = data[pos:]
        size = int.from_bytes(info[0:4], "little")
        header = int.from_bytes(info[4:8], "little")
        base = int.from_bytes(info[16:20], "little")
        suffix_at = int.from_bytes(info[24:28], "little")
        suffix = info[suffix_at:info.index(b"\0", suffix_at)].decode("gbk") if suffix_at else ""
        if header >= 0x24:
            wide = int.from_bytes(info[28:32], "little")
            end = wide
            while info[end:end + 2] != b"\0\0":
                end += 2
            target = info[wide:end].decode("utf-16-le")
        else:
            target = info[base:info.index(b"\0", base)].decode("gbk")
        target += suffix
        pos += size
    strings = {}
    unicode = bool(flags & 0x80)
    for bit, name in ((0x4, "name"), (0x8, "relative"), (0x10, "workdir"), (0x20, "arguments"), (0x40, "icon")):
        if flags & bit:
            count = int.from_bytes(data[pos:pos + 2], "little")
            pos += 2
            width = 2 if unicode else 1
            raw = data[pos:pos + count * width]
            strings[name] = raw.decode("utf-16-le" if unicode else "gbk")
            pos += count * width
    return target, strings.get("workdir", ""), strings.get("icon", "")


def main(argv):
    command = argv[1] if len(argv) > 1 else ""
    if command == "snapshot" and len(argv) == 4:
        with open(argv[3], "w", encoding="utf-8") as f:
            json.dump(snapshot(argv[2]), f)
        return 0
    if command == "leftovers" and len(argv) == 4:
        before = json.load(open(argv[2], encoding="utf-8"))
        after = json.load(open(argv[3], encoding="utf-8"))
        found = leftovers(before, after)
        for line in found:
            print(line)
        return 1 if found else 0
    if command == "uninstall-entries" and len(argv) == 4:
        for key, values in uninstall_entries(argv[2], argv[3]):
            print(key + "\t" + "\t".join("%s=%s" % kv for kv in sorted(values.items())))
        return 0
    if command == "products-icon" and len(argv) == 4:
        icon = products_icon(argv[2], argv[3])
        if not icon:
            return 1
        print(icon)
        return 0
    if command == "value" and len(argv) == 5:
        values = snapshot_registry(argv[2]).get(argv[3])
        if values is None or argv[4] not in values:
            return 1
        print(values[argv[4]])
        return 0
    if command == "shortcut" and len(argv) == 3:
        for line in shortcut(argv[2]):
            print(line)
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
