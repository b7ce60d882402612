"""Every end-to-end case of Tockmere, and the one way to run one.

usage: main.py --list                    the cases, in the order run.sh runs them
       main.py --list-waiting            those that spend most of their time
                                         waiting for a reminder's minute
       main.py PROGRAM CASE [PID_FILE]   runs one case on a desktop of its own
Prints nothing and exits 0 when the case passes; prints the step that failed
and exits 1 otherwise.
"""

import functools
import importlib
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

# Case: (module, the case's function (with ":" the argument it takes), the
# desktop it runs on, the clock at start). A case without a desktop sets one up itself, as another user.
CASES = {
    "one_reminder": ("cases", "one_reminder", "desktop.Desktop", "09:41:50"),
    "three_reminders_in_advanced_mode": ("cases", "three_reminders", "desktop.Desktop",
                                         "09:41:45"),
    "menu_opens_while_a_reminder_is_told": ("cases", "menu_while_box_open", "desktop.Desktop",
                                            "09:41:50"),
    "told_while_typing_the_next": ("cases", "told_while_typing_the_next", "desktop.Desktop",
                                   "09:41:50"),
    "three_taken_then_hidden": ("cases", "three_taken_then_hidden", "desktop.Desktop", "09:41:45"),
    "second_start_brings_back_hidden": ("cases", "second_start_brings_back_hidden",
                                        "desktop.Desktop", "09:41:50"),
    "second_start_after_kill": ("cases", "second_start_after_kill", "desktop.Desktop",
                                "09:41:50"),
    "keyboard_and_screen_reader": ("a11y", "keyboard_and_screen_reader", "a11y.ReaderDesktop",
                                   "09:41:50"),
    "keyboard_advanced_entry_heard": ("a11y", "keyboard_advanced_entry_heard",
                                      "a11y.ReaderDesktop", "09:41:50"),
    "orca_keyboard_path": ("a11y", "orca_keyboard_path", "a11y.SpeakingDesktop", "09:41:35"),
    "fast_hide_and_restore_sni": ("a11y", "fast_hide_and_restore_over_the_bus",
                                  "a11y.SniReaderDesktop", "09:41:30"),
    "hide_and_restore_jwm": ("wms", "told_then_hide_and_restore", "a11y.ReaderDesktop",
                             "09:41:45"),
    "hide_and_restore_openbox": ("wms", "told_then_hide_and_restore", "wms.OpenboxDesktop",
                                 "09:41:45"),
    "hide_and_restore_i3": ("wms", "hide_and_restore", "wms.I3Desktop", "09:41:30"),
    "hide_and_restore_fluxbox": ("wms", "hide_and_restore", "wms.FluxboxDesktop", "09:41:30"),
    "hide_and_restore_fluxbox_200": ("wms", "hide_and_restore", "wms.FluxboxDesktopAt200",
                                     "09:41:30"),
    "hide_and_restore_xfwm4": ("wms", "told_then_hide_and_restore", "wms.XfwmDesktop",
                               "09:41:45"),
    "hide_and_restore_mutter": ("wms", "told_then_hide_and_restore", "wms.MutterDesktop",
                                "09:41:45"),
    "hide_and_restore_kwin": ("wms", "told_then_hide_and_restore", "wms.KwinDesktop",
                              "09:41:45"),
    "xembed_one_menu_per_right_click": ("desktops", "xembed_one_menu_per_right_click",
                                        "desktop.Desktop", "09:41:30"),
    "sni_menu": ("desktops", "sni_menu", "sni.UserBusSniDesktop", "09:41:40"),
    "sni_panel_goes_away_while_hidden": ("desktops", "tray_goes_away_from_the_panel",
                                         "sni.SniDesktop", "09:41:30"),
    "tray_goes_away_while_hidden": ("desktops", "tray_goes_away_while_hidden", "desktop.Desktop",
                                    "09:41:30"),
    "wm_ends_holding_the_window": ("desktops", "wm_ends_holding_the_window", "desktop.Desktop",
                                   "09:41:30"),
    "wm_ends_with_a_request_unanswered": ("desktops", "wm_ends_with_a_request_unanswered",
                                          "desktop.Desktop", "09:41:30"),
    "no_session_bus": ("desktops", "no_session_bus", "desktop.Desktop", "09:41:30"),
    "wayland_session": ("sway", "as_root", None, None),
    "wayland_native": ("sway", "as_root", None, None),
    "zone_link_replaced": ("edges", "zone_followed:link_replaced", "edges.ZoneDesktop", "04:41:30"),
    "zone_ln_sf": ("edges", "zone_followed:ln_sf", "edges.ZoneDesktop", "04:41:30"),
    "zone_slow_writer": ("edges", "zone_followed:slow_writer", "edges.ZoneDesktop", "04:41:30"),
    "zone_removed_then_written": ("edges", "zone_followed:removed_then_written", "edges.ZoneDesktop", "04:41:30"),
    "zone_install": ("edges", "zone_followed:install", "edges.ZoneDesktop", "04:41:30"),
    "zone_bind_mount": ("edges", "zone_followed:bind_mount", "edges.ZoneDesktop", "04:41:30"),
    "zone_package_upgrade": ("edges", "zone_followed:package_upgrade", "edges.ZoneDesktop", "04:41:30"),
    "zone_tz_names_a_file": ("edges", "zone_followed:tz_names_a_file", "edges.ZoneDesktop", "04:41:30"),
    "clock_set_while_hidden": ("edges", "clock_set_while_hidden", "edges.ClockSetDesktop",
                               "09:41:50"),
    "reminder_heard": ("edges", "reminder_heard", "edges.SoundDesktop", "09:41:50"),
    "display_goes_away": ("edges", "display_goes_away", "edges.EdgeDesktop", "09:41:50"),
    "end_signals": ("edges", "end_signals", "edges.EdgeDesktop", "09:41:50"),
    "other_users_files": ("edges", "other_users_files", "edges.EdgeDesktop", "09:41:50"),
}

DAY = "2026-12-06"

# Told a reminder at one minute and the next at the minute after, these wait
# for the clock most of the time: run.sh runs them beside the others.
WAITING = ("three_reminders_in_advanced_mode", "told_while_typing_the_next",
           "three_taken_then_hidden") + tuple(c for c in CASES if c.startswith("zone_"))


def resolve(dotted):
    module, name = dotted.rsplit(".", 1)
    return getattr(importlib.import_module(module), name)


def main(argv):
    if len(argv) == 2 and argv[1] in ("--list", "--list-waiting"):
        print("\n".join(CASES if argv[1] == "--list" else WAITING))
        return 0
    if len(argv) < 3 or argv[2] not in CASES:
        sys.stderr.write("usage: main.py PROGRAM CASE [PID_FILE] | --list; cases: %s\n"
                         % " ".join(CASES))
        return 2
    program, case = argv[1], argv[2]
    pid_file = argv[3] if len(argv) > 3 else None
    module, function, desktop, clock = CASES[case]
    function, _, argument = function.partition(":")
    run = resolve("%s.%s" % (module, function))
    if argument:
        run = functools.partial(run, route=argument)
    if desktop is None:
        return run(program, case, pid_file)
    from desktop import run_case
    d = resolve(desktop)(program, "%s %s" % (DAY, clock), pid_file)
    return run_case(run, d)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
