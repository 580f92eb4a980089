#!/usr/bin/python3
"""Reads the desktop program in demo mode as a screen reader does (AT-SPI) and checks what a
person hears: the sign-in tabs are page tabs, the dashboard's pages a list of list items with
one name each, page titles headings, and nothing is a check box that is not one. It signs in
through the QR tab, which the demo's phone approves after a few seconds."""

import sys
import time

import pyatspi

failures = []


def expect(condition, message):
    if not condition:
        failures.append(message)


def children(node):
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            yield child


def showing(root):
    """Every node shown on screen under `root`, depth first; hidden stacked pages are skipped."""
    try:
        if not root.getState().contains(pyatspi.STATE_SHOWING):
            return
    except Exception:  # a node that went away while being read
        return
    yield root
    for child in children(root):
        yield from showing(child)


def wait_for(find, seconds, what):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = find()
        if found is not None:
            return found
        time.sleep(0.3)
    print(f"check_roles: gave up waiting for {what}")
    sys.exit(1)


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in children(desktop):
        if app.name == "orvela-desktop":
            return app
    return None


def first(app, role):
    for window in children(app):
        for node in showing(window):
            if node.getRoleName() == role:
                return node
    return None


def page_list(app):
    node = first(app, "list")
    return node if node is not None and node.childCount == 13 else None


def roles_shown(app):
    return [node.getRoleName() for window in children(app) for node in showing(window)]


def describe(node):
    return f"{node.getRoleName()} '{node.name}'" + (
        f" (description '{node.description}')" if node.description else "")


app = wait_for(application, 30, "the program on the accessibility bus")
tabs = wait_for(lambda: first(app, "page tab list"), 30, "the sign-in tabs")
# The release notes may open over the first start; they close with their own button.
notes = first(app, "dialog")
if notes is not None:
    for node in showing(notes):
        if node.getRoleName() == "push button":
            node.queryAction().doAction(0)

# The tab bar's scroll buttons are there but hidden; a screen reader reads what is shown.
tab_items = [tab for tab in children(tabs) if tab.getState().contains(pyatspi.STATE_SHOWING)]
print("sign-in tabs:", describe(tabs), "->", ", ".join(describe(tab) for tab in tab_items))
expect([tab.getRoleName() for tab in tab_items] == ["page tab", "page tab"],
       "the sign-in tabs are not two page tabs")
expect(all(tab.name and tab.description != tab.name for tab in tab_items),
       "a sign-in tab has no name, or says it twice")
expect("heading" in roles_shown(app), "the sign-in title is not a heading")
expect("check box" not in roles_shown(app), "the sign-in screen shows a check box")

tab_items[1].queryAction().doAction(0)
pages = wait_for(lambda: page_list(app), 45, "the dashboard after the QR sign-in")
items = list(children(pages))
print("sidebar:", describe(pages), "->", ", ".join(describe(item) for item in items))
expect(all(item.getRoleName() == "list item" for item in items),
       "a sidebar page is not a list item")
expect(all(item.name and item.description != item.name for item in items),
       "a sidebar page has no name, or says it twice")
chosen = [item.name for item in items if item.getState().contains(pyatspi.STATE_SELECTED)]
expect(len(chosen) == 1, f"the open page is not the one selected row: {chosen}")
headings = [node.name for window in children(app) for node in showing(window)
            if node.getRoleName() == "heading"]
print("headings shown:", headings)
expect(bool(headings), "the page title is not a heading")
expect("check box" not in roles_shown(app), "the dashboard shows a check box")

for failure in failures:
    print("check_roles: FAILED:", failure)
sys.exit(1 if failures else 0)
