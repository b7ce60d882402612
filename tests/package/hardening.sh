#!/bin/sh
# The packaged programs are hardened:
#  - the .deb's /usr/bin/tockmere, by hardening-check (devscripts) and by its
#    ELF headers: PIE (type DYN), full RELRO (GNU_RELRO and BIND_NOW), the
#    stack protector (__stack_chk_fail);
#  - control-flow protection (-fcf-protection): the IBT and SHSTK properties
#    on every object of ours, and on the program where the C library's start
#    files let the linker keep them;
#  - the flags the default preset compiles and links it with include every
#    hardening flag dpkg-buildflags gives (DEB_BUILD_MAINT_OPTIONS=hardening=+all),
#    and glibc's headers see fortification at level 2 there;
#  - the zip's tockmere.exe: ASLR with high entropy and NX in its
#    DllCharacteristics, relocations to move it with, no MinGW runtime DLL
#    (libssp, libstdc++, libgcc, libwinpthread) to load, the commit's time in
#    its header, not the build's; the stack protector linked in (symbols of
#    the build's program).
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

# Debian 12's C start files (Scrt1.o, crti.o, crtn.o) carry no IBT/SHSTK
# property, so the linker cannot mark any program with it; then the property
# is asked of each of our own objects instead, and of the program once the
# start files have it.
start_files_cet=no
readelf -nW "$(gcc -print-file-name=Scrt1.o)" 2>/dev/null | grep -q 'x86 feature:.*IBT.*SHSTK' && start_files_cet=yes
# hardening-check counts a program that has no fortifiable call with a known
# size as unfortified; whether fortification is on is checked below instead.
skip="--nofortify"
[ "$start_files_cet" = yes ] || skip="$skip --nocfprotection"
# shellcheck disable=SC2086
if hardening-check $skip "$program" >"$work/hardening-check.out" 2>&1; then
    pass "hardening_check (the .deb's tockmere: $(grep -c ': yes' "$work/hardening-check.out") properties; hardening-check $skip)"
else
    fail "hardening_check: the .deb's tockmere (hardening-check $skip):"
    sed 's/^/  /' "$work/hardening-check.out"
fi

# The same read from the ELF headers, without hardening-check's heuristics.
problems=""
readelf -h "$program" | grep -q 'Type:[[:space:]]*DYN' || problems="$problems not PIE (type is not DYN);"
readelf -lW "$program" | grep -q 'GNU_RELRO' || problems="$problems no GNU_RELRO segment;"
readelf -dW "$program" | grep -Eq '\((FLAGS|FLAGS_1)\).*\bNOW\b|BIND_NOW' || problems="$problems no BIND_NOW;"
nm -D "$program" | grep -q ' U __stack_chk_fail' || problems="$problems no __stack_chk_fail;"
if [ "$start_files_cet" = yes ]; then
    readelf -nW "$program" | grep -q 'x86 feature:.*IBT.*SHSTK' || problems="$problems no IBT/SHSTK property;"
fi
if [ -z "$problems" ]; then
    pass "hardening_elf (type DYN, GNU_RELRO, BIND_NOW, __stack_chk_fail$([ "$start_files_cet" = yes ] && echo ", IBT+SHSTK"))"
else
    fail "hardening_elf:$problems"
fi

# Control-flow protection in every object of ours the program is linked from:
# those the build compiles now (an object left by a file since renamed is not).
objects=$(cd build && /usr/bin/python3 -c '
import json, shlex
for entry in json.load(open("compile_commands.json")):
    words = shlex.split(entry["command"])
    output = words[words.index("-o") + 1]
    if output.startswith("src/"):
        print("build/" + output)' | sort)
unmarked=""
for object in $objects; do
    readelf -nW "$object" 2>/dev/null | grep -q 'x86 feature:.*IBT.*SHSTK' || unmarked="$unmarked $object"
done
if [ -n "$objects" ] && [ -z "$unmarked" ]; then
    pass "hardening_cf_protection ($(echo "$objects" | wc -l) objects under build/src/ marked IBT+SHSTK$([ "$start_files_cet" = no ] && echo "; the program itself is not: Debian 12's start files are unmarked"))"
else
    fail "hardening_cf_protection: without the IBT/SHSTK property:${unmarked:- no objects under build/src/}"
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
# Fortification is in force where it is compiled: glibc's own verdict.
level=$(cd build && eval "$(echo "$compile" | sed 's/ -o [^ ]* -c / -dM -E /')" 2>/dev/null |
    sed -n 's/^#define __USE_FORTIFY_LEVEL //p')
[ "$level" = 2 ] || missing="$missing __USE_FORTIFY_LEVEL is '${level}', not 2;"
if [ -n "$compile" ] && [ -n "$link" ] && [ -z "$missing" ]; then
    pass "hardening_flags (dpkg-buildflags' $(echo $flags $link_flags | wc -w) flags in the default build, -g/-O2/prefix map aside; __USE_FORTIFY_LEVEL 2)"
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
# The header's time is the commit's (strip writes SOURCE_DATE_EPOCH), or none.
stamp=$(/usr/bin/python3 -c '
import sys
d = open(sys.argv[1], "rb").read()
pe = int.from_bytes(d[0x3c:0x40], "little")
print(int.from_bytes(d[pe + 8:pe + 12], "little"))' "$work/tockmere.exe")
epoch=$(git log -1 --format=%ct 2>/dev/null || echo 0)
[ "$stamp" = 0 ] || [ "$stamp" = "$epoch" ] ||
    problems="$problems the header's time $stamp is neither the commit's ($epoch) nor none;"
exe_symbols=$(x86_64-w64-mingw32-nm build-windows/tockmere.exe 2>/dev/null)
echo "$exe_symbols" | grep -q ' T __stack_chk_fail$' || problems="$problems no __stack_chk_fail in build-windows/tockmere.exe;"
echo "$exe_symbols" | grep -q ' __stack_chk_guard$' || problems="$problems no __stack_chk_guard in build-windows/tockmere.exe;"
if [ -z "$problems" ]; then
    pass "hardening_exe (HIGH_ENTROPY_VA, DYNAMIC_BASE, NX_COMPAT, .reloc, stack protector linked in, DLLs: $(sed -n 's/^[[:space:]]*DLL Name: //p' "$work/exe-headers" | tr '\n' ' '))"
else
    fail "hardening_exe:$problems"
fi
