"""Orca for one test's desktop: Orca's own start-up, less its launcher's
search for other Orcas of the same user, which it would end (--replace) or
give way to. This one keeps the interpreter's process name, so no later
Orca start of the user's ends it either.

usage: python3 orca_here.py DEBUG_FILE"""

import sys

from orca import debug

debug.debugLevel = debug.LEVEL_ALL
debug.eventDebugLevel = debug.LEVEL_OFF
debug.debugFile = open(sys.argv[1], "w")

from orca import orca  # noqa: E402  (after the debug file, as Orca's launcher)

manager = orca.getSettingsManager()
manager.activate(None, {})
sys.path.insert(0, manager.getPrefsDir())
sys.exit(orca.main())
