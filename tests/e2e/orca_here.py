"""Orca for one test's desktop: Orca's own start-up, less its launcher's
search for other Orcas of the same user, which it would end (--replace) or
give way to. This one keeps the interpreter's process name, so no later
Orca start of the user's ends it either.

usage: python3 orca_here.py"""

import sys

from orca import orca

manager = orca.getSettingsManager()
manager.activate(None, {})
sys.path.insert(0, manager.getPrefsDir())
sys.exit(orca.main())
