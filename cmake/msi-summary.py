"""Finishes the summary of an installer that wixl and msibuild made: what
Explorer shows in the file's properties.

    python3 cmake/msi-summary.py FILE.msi TITLE

wixl writes a title of its own ("Installation Database") and msibuild cannot
set one: this sets TITLE. Both also store the summary's texts as UTF-8, while
Windows reads them in the code page the summary names (936 for the Chinese
installer), which turns Chinese into garbage: this stores them in that code
page. cmake/make-msi.cmake runs it once on the freshly built file.
"""

import ctypes
import sys

# libmsi's property ids and types (libmsi-types.h).
CODEPAGE, TITLE, SUBJECT, AUTHOR, KEYWORDS, COMMENTS = 1, 2, 3, 4, 5, 6
TYPE_STRING = 2
DB_FLAGS_TRANSACT = 4

msi = ctypes.CDLL("libmsi.so.0")
gobject = ctypes.CDLL("libgobject-2.0.so.0")
msi.libmsi_database_new.restype = ctypes.c_void_p
msi.libmsi_database_new.argtypes = [ctypes.c_char_p, ctypes.c_uint, ctypes.c_char_p, ctypes.c_void_p]
msi.libmsi_database_commit.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
msi.libmsi_summary_info_new.restype = ctypes.c_void_p
msi.libmsi_summary_info_new.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_void_p]
msi.libmsi_summary_info_get_property_type.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_void_p]
msi.libmsi_summary_info_get_int.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_void_p]
msi.libmsi_summary_info_get_string.restype = ctypes.c_char_p
msi.libmsi_summary_info_get_string.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_void_p]
msi.libmsi_summary_info_set_string.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_char_p, ctypes.c_void_p]
msi.libmsi_summary_info_persist.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
gobject.g_object_unref.argtypes = [ctypes.c_void_p]


def main(path, title):
    db = msi.libmsi_database_new(path.encode(), DB_FLAGS_TRANSACT, None, None)
    if not db:
        sys.exit("msi-summary: cannot open %s" % path)
    info = msi.libmsi_summary_info_new(db, 20, None)
    if not info:
        sys.exit("msi-summary: %s has no summary to open" % path)
    codepage = "cp%d" % msi.libmsi_summary_info_get_int(info, CODEPAGE, None)
    texts = {TITLE: title}
    for prop in (SUBJECT, AUTHOR, KEYWORDS, COMMENTS):
        if msi.libmsi_summary_info_get_property_type(info, prop, None) == TYPE_STRING:
            texts[prop] = msi.libmsi_summary_info_get_string(info, prop, None).decode("utf-8")
    for prop, text in texts.items():
        if not msi.libmsi_summary_info_set_string(info, prop, text.encode(codepage), None):
            sys.exit("msi-summary: cannot set property %d of %s" % (prop, path))
    if not msi.libmsi_summary_info_persist(info, None) or not msi.libmsi_database_commit(db, None):
        sys.exit("msi-summary: cannot write the summary of %s" % path)
    gobject.g_object_unref(info)
    gobject.g_object_unref(db)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: python3 cmake/msi-summary.py FILE.msi TITLE")
    main(sys.argv[1], sys.argv[2])
