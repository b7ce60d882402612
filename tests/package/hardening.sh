#!/bin/sh
# The packaged programs are hardened:
#  - the .deb's /usr/bin/tockmere, by hardening-check (devscripts) and by its
#    ELF headers: PIE (type DYN), full RELRO (GNU_RELRO and BIND_NOW), the
#    stack protector and fortified calls (__stack_chk_fail, *_chk), and
#    control-flow protection (the IBT and SHSTK properties);
#  - the flags the default preset compiles and links it with include every
#    hardening flag dpkg-buildflags gives (DEB_BUILD_MAINT_OPTIONS=hardening=+all);
#  - the zip's tockmere.exe: ASLR with high entropy and NX in its
#    DllCharacteristics, relocations to move it with, no MinGW runtime DLL
#    (libssp, libstdc++, libgcc, libwinpthread) to load, no link time in its
#    header; the stack protector linked in (symbols of the build's program).
# Prints one line per check, PASS or FAIL.
#
# usage: sh tests/package/hardening.sh DEB ZIP WORK-DIR
set -u
cd "$(dirname "$0")/../.."
deb=$1
zip=$2
work=$3

pass() { printf 'PASS %s\n' "$*"; }
fail() { printf 'FAIL %s\n' "$*"; }

# --- Linux -------------------------------------------------------------------------
mkdir -p "$work/deb"
dpkg-deb -x "$deb" "$work/deb"
program=$work/deb/usr/bin/tockmere

if hardening-check "$program" >"$work/hardening-check.out" 2>&1 ||
    [ -s "$work/hardening-check.out" ]; then
    missing=""
    for property in "Position Independent Executable" "Stack protected" "Fortify Source functions" \
        "Read-only relocations" "Immediate binding" "Control flow integrity"; do
        grep -q "^ $property: yes" "$work/hardening-check.out" || missing="$missing $property;"
    done
    if [ -z "$missing" ]; then
        pass "hardening_check (the .deb's tockmere: PIE, stack protector, fortify, RELRO, BIND_NOW, CFI)"
    else
        fail "hardening_check: not so in the .deb's tockmere:$missing"
        sed 's/^/  /' "$work/hardening-check.out"
    fi
else
    fail "hardening_check: hardening-check did not run"
fi

# The same read from the ELF headers, without hardening-check's heuristics.
problems=""
readelf -h "$program" | grep -q 'Type:[[:space:]]*DYN' || problems="$problems not PIE (type is not DYN);"
readelf -lW "$program" | grep -q 'GNU_RELRO' || problems="$problems no GNU_RELRO segment;"
readelf -dW "$program" | grep -Eq '\((FLAGS|FLAGS_1)\).*\bNOW\b|BIND_NOW' || problems="$problems no BIND_NOW;"
nm -D "$program" | grep -q ' U __stack_chk_fail' || problems="$problems no __stack_chk_fail;"
nm -D "$program" | grep -Eq ' U __[a-z0-9_]+_chk(@|$)' || problems="$problems no fortified (_chk) call;"
readelf -nW "$program" | grep -q 'x86 feature:.*IBT.*SHSTK' || problems="$problems no IBT/SHSTK property;"
if [ -z "$problems" ]; then
    pass "hardening_elf (DYN, GNU_RELRO, BIND_NOW, __stack_chk_fail, $(nm -D "$program" | grep -Ec ' U __[a-z0-9_]+_chk(@|$)') fortified calls, IBT+SHSTK)"
else
    fail "hardening_elf:$problems"
fi

# Every hardening flag Debian would use is in the build's commands.
flags=$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CPPFLAGS)
flags="$flags $(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CXXFLAGS)"
link_flags=$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)
compile=$(/usr/bin/python3 -c '
import json, sys
for entry in json.load(open("build/compile_commands.json")):
    if entry["file"].endswith("/src/main.cpp"):
        print(entry["command"])
')
link=$(sed -n '/^build tockmere:/,/^$/p' build/build.ninja | tr '\n' ' ')
missing=""
for flag in $flags; do
    case "$flag" in
        -g | -O* | -ffile-prefix-map=*) continue ;; # not hardening; the build sets its own
    esac
    case " $compile " in *" $flag "*) ;; *) missing="$missing $flag" ;; esac
done
for flag in $link_flags; do
    case " $link " in *" $flag "*) ;; *) missing="$missing $flag(link)" ;; esac
done
if [ -n "$compile" ] && [ -n "$link" ] && [ -z "$missing" ]; then
    pass "hardening_flags (dpkg-buildflags' $(echo $flags $link_flags | wc -w) flags in the default build, -g/-O2/prefix map aside)"
else
    fail "hardening_flags: missing from build/ (main.cpp, the tockmere link):${missing:- the commands were not found}"
fi

# --- Windows -----------------------------------------------------------------------
/usr/bin/python3 -c 'import sys, zipfile; open(sys.argv[2], "wb").write(zipfile.ZipFile(sys.argv[1]).read("tockmere.exe"))' \
    "$zip" "$work/tockmere.exe"
objdump=x86_64-w64-mingw32-objdump
$objdump -p "$work/tockmere.exe" >"$work/exe-headers" 2>&1
problems=""
for bit in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
    sed -n '/^DllCharacteristics/,/^[A-Z]/p' "$work/exe-headers" | grep -qw "$bit" || problems="$problems no $bit;"
done
$objdump -h "$work/tockmere.exe" | grep -q ' \.reloc ' || problems="$problems no .reloc section (ASLR cannot move it);"
runtime=$(sed -n 's/^[[:space:]]*DLL Name: //p' "$work/exe-headers" | grep -i '^lib' | tr '\n' ' ')
[ -z "$runtime" ] || problems="$problems loads $runtime;"
grep -q '^Time/Date[[:space:]]*Thu Jan  1 00:00:00 1970' "$work/exe-headers" ||
    problems="$problems a link time in the header ($(grep '^Time/Date' "$work/exe-headers"));"
exe_symbols=$(x86_64-w64-mingw32-nm build-windows/tockmere.exe 2>/dev/null)
echo "$exe_symbols" | grep -q ' T __stack_chk_fail$' || problems="$problems no __stack_chk_fail in build-windows/tockmere.exe;"
echo "$exe_symbols" | grep -q ' __stack_chk_guard$' || problems="$problems no __stack_chk_guard in build-windows/tockmere.exe;"
if [ -z "$problems" ]; then
    pass "hardening_exe (HIGH_ENTROPY_VA, DYNAMIC_BASE, NX_COMPAT, .reloc, stack protector linked in, DLLs: $(sed -n 's/^[[:space:]]*DLL Name: //p' "$work/exe-headers" | tr '\n' ' '))"
else
    fail "hardening_exe:$problems"
fi
