#!/usr/bin/python3
# Ralu's windows as a screen reader finds them through AT-SPI.
#   atspi_check.py login|main   lists the window's controls that show and
#       checks each is named or labelled, every button is a push button with
#       a Press action and no unnamed picture shows (main: two level sliders)
#   atspi_check.py number   prints the main window's number box: its text,
#       and "focused" when it has the keyboard
import sys
import time

import pyatspi

results = []


def check(what, ok):
    print(("ok: " if ok else "FAILED: ") + what)
    results.append(ok)


def children(acc):
    return [acc.getChildAtIndex(i) for i in range(acc.childCount)]


def window(role):  # Ralu's window with that role, once it shows
    for _ in range(100):
        apps = [app for app in children(pyatspi.Registry.getDesktop(0)) if app is not None and app.name == "Ralu"]
        for w in sum((children(app) for app in apps), []):
            if w.getRole() == role and w.getState().contains(pyatspi.STATE_SHOWING):
                return w
        time.sleep(0.1)
    sys.exit("FAILED: no such window of Ralu's shows")


def actions(acc):
    try:
        return [acc.queryAction().getName(i) for i in range(acc.queryAction().nActions)]
    except NotImplementedError:
        return []


def labels(acc):
    return [r.getTarget(0).name for r in acc.getRelationSet() if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]


name = sys.argv[1]
w = window({"login": pyatspi.ROLE_DIALOG, "main": pyatspi.ROLE_FILLER, "number": pyatspi.ROLE_FILLER}[name])
showing = [acc for acc in children(w) if acc.getState().contains(pyatspi.STATE_SHOWING)]
if name == "number":
    box = [acc for acc in showing if acc.getRole() == pyatspi.ROLE_TEXT][0]
    print(box.queryText().getText(0, -1), "focused" if box.getState().contains(pyatspi.STATE_FOCUSED) else "")
    sys.exit(0)
controls = [acc for acc in showing
            if acc.getState().contains(pyatspi.STATE_FOCUSABLE) or acc.getRole() == pyatspi.ROLE_PUSH_BUTTON]
buttons = [acc for acc in controls if acc.getRole() == pyatspi.ROLE_PUSH_BUTTON]
print("--- %s window: %s '%s'" % (name, w.getRoleName(), w.name))
for acc in controls:
    labelled = " labelled by '%s'" % labels(acc)[0] if labels(acc) else ""
    print("  %s '%s'%s actions %s" % (acc.getRoleName(), acc.name, labelled, actions(acc)))
check("%s: every control that shows is named (%d)" % (name, len(controls)),
      all(acc.name.strip() or labels(acc) for acc in controls))
check("%s: every button can be pressed (%d)" % (name, len(buttons)),
      len(buttons) >= 2 and all("Press" in actions(acc) for acc in buttons))
check("%s: no unnamed picture shows" % name, not [acc for acc in showing if acc.getRole() == pyatspi.ROLE_IMAGE])
if name == "main":
    sliders = [acc for acc in controls if acc.getRole() == pyatspi.ROLE_SLIDER]
    check("main: the two level knobs are sliders with a value",
          len(sliders) == 2 and all(0 <= s.queryValue().currentValue <= 100 for s in sliders))
sys.exit(0 if all(results) else 1)
