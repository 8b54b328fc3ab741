#!/usr/bin/env python3
# What a screen reader (AT-SPI) finds in the running program, for window_e2e.sh:
#   screen_reader.py choose WINDOW PATH        puts PATH into the focused name box of the file
#                                              dialog titled WINDOW, as a screen reader does
#   screen_reader.py read ENTRIES COUNTS       the entry list, its events and the counts told
# Each waits up to ten seconds and exits non-zero, saying why, when it does not find what it
# looks for.
import re
import subprocess
import sys
import time

import pyatspi


def program():
    return next((a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "tarvex"),
                None)


def focus():
    # The control with the focus and the title of its window, or nothing.
    app = program()
    found = app and pyatspi.findDescendant(app, lambda a: a.getState().contains(pyatspi.STATE_FOCUSED))
    if not found:
        return None, ""
    top = found
    while top.parent is not None and top.parent.getRole() != pyatspi.ROLE_APPLICATION:
        top = top.parent
    return found, top.name


def until(check, why):
    for _ in range(100):
        if check():
            return
        time.sleep(0.1)
    sys.exit(why())


def choose(window, path):
    def check():
        box, top = focus()
        if not box or box.getRoleName() != "text" or not re.search(window, top):
            return False
        box.queryEditableText().setTextContents(path)
        text = box.queryText()
        return text.getText(0, text.characterCount) == path
    until(check, lambda: "the name box did not take the path")


# The entry list, a text box named Entradas, holds the report's entries (one line feed a
# line); Down in it moves its caret, and says so. Conversion again: the list tells its new
# text, as long as the box says it is, and a notification tells the counts. (How the captions
# label the counts, the window's own test reads.)
def read(entries_file, counts):
    from gi.repository import GLib
    box = pyatspi.findDescendant(program(), lambda a: a.getRoleName() == "text" and a.name == "Entradas")
    text = box.queryText()
    entries = open(entries_file).read()
    if text.getText(0, text.characterCount) != entries:
        sys.exit("the text differs: %r" % text.getText(0, 80))
    moved, inserted, told = [], [], []
    pyatspi.Registry.registerEventListener(lambda event: moved.append(event.detail1),
                                           "object:text-caret-moved")
    pyatspi.Registry.registerEventListener(
        lambda event: event.source == box and inserted.append((event.detail2, event.any_data)),
        "object:text-changed:insert")
    pyatspi.Registry.registerEventListener(
        lambda event: event.detail1 and event.source.getRoleName() == "notification"
        and told.append(event.source.name), "object:state-changed:showing")
    box.queryComponent().grabFocus()
    GLib.timeout_add(500, lambda: subprocess.run(["xdotool", "key", "Down"]) and False)
    GLib.timeout_add(1000, lambda: subprocess.run(["xdotool", "key", "alt+c"]) and False)
    GLib.timeout_add(4000, pyatspi.Registry.stop)
    pyatspi.Registry.start()
    if not moved:
        sys.exit("no caret event")
    if inserted != [(len(entries), entries)]:
        sys.exit("the new text told: %r" % [(n, t[:80]) for n, t in inserted])
    if told != [counts]:
        sys.exit("told %r, not %r" % (told, counts))


{"choose": choose, "read": read}[sys.argv[1]](*sys.argv[2:])
