#!/bin/sh
# The Windows program under Wine from the keyboard alone, as a screen reader
# hears it: a reader of our own (tests/e2e/focus_reader.cpp) watches the
# system's focus events from outside the program and reads each focused
# object through MSAA. After every step that moves the focus in a window on
# screen (the first start, the window back by 恢复) the focus must be on a
# control, named, and Tab must move it to another. The count box has the
# focus on its button. Once a reminder is armed the main window waits in
# the tray, and after each box or window that closes then (the count box,
# the notice window a second start shows, About) no key reaches it.
# usage: sh tests/e2e/windows_focus.sh   (needs build-windows/tockmere.exe and
#        build-windows/tests/focus_reader.exe)
set -u
cd "$(dirname "$0")/../.."
. scripts/lib/desktop.sh

program=build-windows/tockmere.exe
reader=build-windows/tests/focus_reader.exe
for f in "$program" "$reader"; do
    [ -f "$f" ] || { echo "FAIL windows_focus: no $f (build the windows preset with its tests)"; exit 1; }
done
app=""
watch=""
log=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    [ -n "$watch" ] && kill "$watch" 2>/dev/null
    wineserver -k 2>/dev/null
    desktop_stop
    [ -n "$log" ] && rm -f "$log"
}
trap cleanup EXIT
fail() {
    echo "FAIL windows_focus: $*"
    echo "what the reader heard:"
    sed 's/^/  /' "$log"
    echo "0 passed, 1 failed"
    exit 1
}

log=$(mktemp "${TMPDIR:-/tmp}/tockmere-focus.XXXXXX")
wine_desktop_start 800x600 || fail "no Wine desktop"
# One Wine server for the program and the reader.
wineserver -p 9>&- || fail "the Wine server did not start"

wine "$reader" 150 >"$log" 2>/dev/null 9>&- &
watch=$!
for _ in $(seq 100); do
    grep -q '^ready' "$log" && break
    sleep 0.1
done
grep -q '^ready' "$log" || fail "the reader did not start"

start() {
    faketime_clear_stale
    NO_FAKE_STAT=1 faketime -f "@2026-12-06 09:41:50" wine "$program" >/dev/null 2>&1 9>&- &
}
title="Tockmere Beta 1.1"
heard() { wc -l <"$log"; }
# The focus events heard after line $1 once they have settled, as
# "ROLE<tab>NAME<tab>WINDOW" lines.
settled_focus() {
    last=""
    for _ in $(seq 60); do
        now=$(tail -n +"$(($1 + 1))" "$log" | awk -F'\t' '$1 == "focus" {print $2 "\t" $4 "\t" $5}')
        [ -n "$now" ] && [ "$now" = "$last" ] && break
        last=$now
        sleep 0.25
    done
    echo "$last"
}
# STEP FROM WINDOW: the focus is on a control (a text box or a button) of
# WINDOW, as a reader asks for it, and a focus event heard after line FROM
# named it (a passing event of another object may follow it, read when that
# object no longer had the focus). Sets name.
on_control() {
    heard_now=$(settled_focus "$2")
    now=$(wine "$reader" where "$3" 9>&- 2>/dev/null | awk -F'\t' '$1 == "focus" {print $2 "\t" $4 "\t" $5}')
    role=$(echo "$now" | cut -f1)
    name=$(echo "$now" | cut -f2)
    case $role in
    42 | 43) ;;  # ROLE_SYSTEM_TEXT, ROLE_SYSTEM_PUSHBUTTON
    *) fail "$1: the focus is on no control (role ${role:-none}, '$name' in '$(echo "$now" | cut -f3)')" ;;
    esac
    [ -n "$name" ] || fail "$1: the focused control has no name"
    [ "$(echo "$now" | cut -f3)" = "$3" ] || fail "$1: the focus is in '$(echo "$now" | cut -f3)', not in '$3'"
    echo "$heard_now" | grep -qxF "$now" ||
        fail "$1: the focus is on '$name' in '$3', but no focus event said so"
}
# STEP WINDOW: the focus is on a control of WINDOW, and Tab moves it to another.
focus_then_tab() {
    on_control "$1" "$mark" "$2"
    first=$name
    mark=$(heard)
    xdotool key Tab
    on_control "$1, then Tab" "$mark" "$2"
    second=$name
    [ "$second" != "$first" ] || fail "$1: Tab left the focus on '$first'"
    echo "windows_focus: $1: $first, Tab: $second"
}

start
app=$!
main=$(wait_window "$title" 30) || fail "the main window did not come up"
# A desktop under Wine can be slow to take the first input: a click on the
# hour field gives Wine's window the focus, done again until a Tab is heard.
for try in 1 2 3; do
    [ "$try" -gt 1 ] && echo "windows_focus: retrying (try $try of 3): no focus heard in the window"
    # Where the window is once it has been put in the middle of the screen.
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool windowfocus "$main" 2>/dev/null
    xdotool mousemove "$((X + 60))" "$((Y + 60))" click 1
    sleep 0.5
    mark=$(heard)
    xdotool key Tab
    sleep 1
    tail -n +"$((mark + 1))" "$log" | grep -q "^focus.*$title" && break
done
mark=$(heard)
xdotool key shift+Tab
on_control "the first start" "$mark" "$title"
# Each control is where the window system has it, for a reader through MSAA
# as on the screen; the clock is named by the time it shows.
objects=$(wine "$reader" objects "$title" 9>&- 2>/dev/null | grep '^object')
[ -n "$objects" ] || fail "no control of the main window read through MSAA"
misplaced=$(echo "$objects" | awk -F'\t' '$4 != $5')
[ -z "$misplaced" ] || fail "placed by MSAA elsewhere than on the screen: $misplaced"
echo "$objects" | awk -F'\t' '$3 == "时钟" {print $2}' | grep -qE '^9:4[12]:[0-9]{2}$' ||
    fail "the clock is not read as the time it shows: $objects"

# 隐藏 from the keyboard's menu (its first enabled item, 普通, then Up past
# 退出, the line and 关于), and 恢复 from the icon's menu (the fourth item).
xdotool key shift+F10
sleep 0.5
xdotool key Up Up Up Return
for _ in $(seq 30); do
    xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1 || break
    sleep 0.1
done
icon=$(xwininfo -root -tree | awk '/"explorer.exe"/ && / 30x30\+| 2[0-9]x2[0-9]\+| 1[0-9]x1[0-9]\+/ {print $1; exit}')
[ -n "$icon" ] || fail "no tray icon"
# WHEN: a right click on the icon opens the menu. With no window of the
# program shown, the keys reach the menu once it holds the X focus itself.
icon_menu() {
    eval "$(xdotool getwindowgeometry --shell "$icon")"
    xdotool mousemove "$((X + WIDTH / 2))" "$((Y + HEIGHT / 2))" click 3
    menu=""
    for _ in $(seq 50); do
        menu=$(xwininfo -root -tree | awk '/has no name/ && /"tockmere.exe"/ && !/ 1x1\+/ {print $1}' |
            while read -r id; do xwininfo -id "$id" | grep -q IsViewable && echo "$id"; done | head -n 1)
        [ -n "$menu" ] && break
        sleep 0.1
    done
    [ -n "$menu" ] || fail "a right click on the icon did not open the menu $1"
    xdotool windowfocus "$menu" 2>/dev/null
}
mark=$(heard)
icon_menu "while hidden"
# It opens on its first enabled item, which Enter chooses: 恢复 while hidden
# (the modes, 查询 and 隐藏 greyed).
xdotool key Return
wait_window "$title" 10 >/dev/null || fail "恢复 did not bring the window back"
focus_then_tab "恢复" "$title"

# A reminder typed and confirmed with Enter, 确定 taking the focus on the
# way; the count box is answered with Enter.
mark=$(heard)
xdotool key shift+Tab
on_control "back to the hour" "$mark" "$title"
# Each field selects what it holds as it takes the focus: typing replaces it.
xdotool type 9
sleep 0.3
xdotool key Tab
sleep 0.3
xdotool type 59
sleep 0.3
xdotool key Tab
sleep 0.3
xdotool type x
sleep 0.3
mark=$(heard)
xdotool key Return
sleep 0.3
on_control "Enter in the message" "$mark" "$title"
[ "$name" = 确定 ] || fail "Enter in the message moved the focus to '$name', not to 确定"
mark=$(heard)
xdotool key Return
box=$(wait_window Tockmere 10) || fail "no box counting the reminder"
# With the main window hidden, no window of Wine's holds the X focus: the
# box takes it as a person clicks it. A reader then asks the box where its
# focus is (no focus event comes: the box set it on its button before it
# was shown). Wine's MSAA has no object for the box's dialog and its text
# (E_NOINTERFACE), only for the button, so only the button is checked here.
xdotool windowfocus "$box" 2>/dev/null
said=""
for _ in $(seq 20); do
    said=$(wine "$reader" where Tockmere 9>&- 2>/dev/null | grep '^focus')
    [ -n "$said" ] && break
    sleep 0.25
done
[ "$(echo "$said" | cut -f4-5)" = "$(printf '确定\tTockmere')" ] ||
    fail "the count box is read without the focus on its button: '$said'"
xdotool key Return
for _ in $(seq 50); do
    xdotool search --onlyvisible --name '^Tockmere$' >/dev/null 2>&1 || break
    sleep 0.1
done

# STEP: armed, the main window waits in the tray and no key reaches it: the
# program has no focus there, and a digit typed is heard nowhere in it.
keys_reach_nothing() {
    sleep 0.5
    now=$(wine "$reader" where "$title" 9>&- 2>/dev/null | awk -F'\t' '$1 == "focus"')
    [ -z "$now" ] || fail "$1: the keys go to '$(echo "$now" | cut -f4)' in the hidden window"
    mark=$(heard)
    xdotool type 7
    sleep 0.5
    tail -n +"$((mark + 1))" "$log" | awk -F'\t' -v t="$title" '$1 == "focus" && $5 == t' | grep -q . &&
        fail "$1: a typed digit reached the hidden window"
    echo "windows_focus: $1: no key reaches the hidden window"
}
keys_reach_nothing "the count box closed"

# A second start while armed shows what is armed, the focus on its 确定.
mark=$(heard)
start
wait_window 提醒信息 15 >/dev/null || fail "the second start while armed showed no notice window"
on_control "the second start while armed" "$mark" 提醒信息
[ "$name" = 确定 ] || fail "the notice window opened on '$name'"
xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1 &&
    fail "the second start while armed showed the main window"
xdotool key Return
keys_reach_nothing "the notice window closed"

# About while armed, from the icon's menu (Up past 退出 and the line), and
# closed with Esc.
mark=$(heard)
icon_menu "while armed"
# On 查询 while armed; 关于 is three further down.
mark=$(heard)
xdotool key Down Down Down Return
wait_window "关于Tockmere" 5 >/dev/null || fail "关于 did not open the About box while armed"
on_control "About while armed" "$mark" "关于Tockmere"
xdotool key Escape
keys_reach_nothing "About closed while armed"

echo "PASS windows_focus"
echo "1 passed, 0 failed"
