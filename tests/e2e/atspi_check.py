#!/usr/bin/python3
# Ralu's windows as a screen reader finds them through AT-SPI: lists the
# controls that show and checks each is named, that every button is a push
# button with a Press action, and works them through AT-SPI alone.
#   atspi_check.py login   the login window: lists it, fills the account
#                          number and password, leaves the password focused
#   atspi_check.py press NAME         presses the push button NAME
#   atspi_check.py main    the main window: lists it, presses the 5 key and
#                          reads the number box
#   atspi_check.py server  prints the login window's server
import sys
import time

import pyatspi

failures = 0


def check(what, ok):
    global failures
    print(("ok: " if ok else "FAILED: ") + what)
    failures += 0 if ok else 1


def window(role, seconds=10):
    """The showing window of Ralu's with that role, waited for."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in (desktop.getChildAtIndex(i) for i in range(desktop.childCount)):
            if app is None or app.name != "Ralu":
                continue
            for w in (app.getChildAtIndex(i) for i in range(app.childCount)):
                if w.getRole() == role and w.getState().contains(pyatspi.STATE_SHOWING):
                    return w
        time.sleep(0.1)
    sys.exit("FAILED: no such window of Ralu's shows")


def actions(acc):
    try:
        a = acc.queryAction()
        return [a.getName(i) for i in range(a.nActions)]
    except NotImplementedError:
        return []


def controls(w):
    """The window's children that show and take the focus or are buttons."""
    found = []
    for acc in (w.getChildAtIndex(i) for i in range(w.childCount)):
        state = acc.getState()
        button = acc.getRole() == pyatspi.ROLE_PUSH_BUTTON
        if state.contains(pyatspi.STATE_SHOWING) and (state.contains(pyatspi.STATE_FOCUSABLE) or button):
            found.append(acc)
    return found


def listing(w, title):
    """Prints the controls and checks their names and the buttons' action."""
    print("--- %s: %s '%s'" % (title, w.getRoleName(), w.name))
    shown = controls(w)
    for acc in shown:
        labels = [r.getTarget(0).name for r in acc.getRelationSet()
                  if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
        print("  %s '%s'%s%s" % (acc.getRoleName(), acc.name,
                                 " labelled by '%s'" % labels[0] if labels else "",
                                 " actions %s" % actions(acc) if actions(acc) else ""))
    unnamed = [acc.getRoleName() for acc in shown if not acc.name.strip() and not labelled(acc)]
    check("%s: every control that shows is named (%d controls)" % (title, len(shown)), not unnamed)
    buttons = [acc for acc in shown if acc.getRole() == pyatspi.ROLE_PUSH_BUTTON]
    pressable = [acc for acc in buttons
                 if "Press" in actions(acc) or not acc.getState().contains(pyatspi.STATE_ENABLED)]
    check("%s: every button can be pressed (%d buttons)" % (title, len(buttons)),
          len(buttons) >= 2 and len(pressable) == len(buttons))
    images = [acc for acc in (w.getChildAtIndex(i) for i in range(w.childCount))
              if acc.getRole() == pyatspi.ROLE_IMAGE and acc.getState().contains(pyatspi.STATE_SHOWING)]
    check("%s: no unnamed picture shows" % title, not images)
    return shown


def labelled(acc):
    return any(r.getRelationType() == pyatspi.RELATION_LABELLED_BY for r in acc.getRelationSet())


def child(w, name, role):
    for acc in (w.getChildAtIndex(i) for i in range(w.childCount)):
        if acc.name == name and acc.getRole() == role:
            return acc
    sys.exit("FAILED: no control named '%s'" % name)


def press(w, name):
    button = child(w, name, pyatspi.ROLE_PUSH_BUTTON).queryAction()
    button.doAction(actions(child(w, name, pyatspi.ROLE_PUSH_BUTTON)).index("Press"))


def main():
    command = sys.argv[1]
    if command == "login":
        w = window(pyatspi.ROLE_DIALOG)
        listing(w, "login window")
        for name, text in (("Account No", "1001"), ("Password", "demo1001")):
            field = [acc for acc in controls(w) if acc.name == name][0]
            field.queryEditableText().setTextContents(text)
        field.queryAction().doAction(actions(field).index("SetFocus"))
        combo = [acc for acc in controls(w) if acc.getRole() == pyatspi.ROLE_COMBO_BOX][0]
        check("the server box is labelled 'Host Name'",
              [r.getTarget(0).name for r in combo.getRelationSet()] == ["Host Name"])
    elif command == "press":
        press(window(pyatspi.ROLE_DIALOG), sys.argv[2])
    elif command == "main":
        w = window(pyatspi.ROLE_FILLER)
        listing(w, "main window")
        slider = [acc for acc in controls(w) if acc.getRole() == pyatspi.ROLE_SLIDER]
        check("the two level knobs are sliders with a value",
              len(slider) == 2 and all(0 <= s.queryValue().currentValue <= 100 for s in slider))
        press(w, "5")
        number = child(w, "Number", pyatspi.ROLE_TEXT).queryText()
        check("pressing the 5 key puts 5 into the number box", number.getText(0, -1) == "5")
    elif command == "server":
        w = window(pyatspi.ROLE_DIALOG)
        print([acc.name for acc in controls(w) if acc.getRole() == pyatspi.ROLE_COMBO_BOX][0])
    sys.exit(1 if failures else 0)


main()
