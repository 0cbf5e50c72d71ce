#!/usr/bin/python3
"""Prints what a screen reader finds of one process: for each of its windows
a line "window<TAB>name", then for the accessible objects below it (the web
views' documents included, which WebKit serves from its web process under
the same window) one line "text<TAB>..." per name or text, "obj<TAB>role<TAB>
name" per named object and "value<TAB>role<TAB>name<TAB>value" per object
with a value.

Usage: atspi_tree.py PID"""
import sys

import pyatspi


def texts(obj, out, depth=0):
    if obj is None or depth > 60:
        return
    try:
        if obj.name:
            out.append(obj.name)
            out.append("\x00obj\t%s\t%s" % (obj.getRoleName(), obj.name))
    except Exception:
        pass
    try:
        out.append("\x00value\t%s\t%s\t%g" % (obj.getRoleName(), obj.name, obj.queryValue().currentValue))
    except Exception:
        pass
    try:
        text = obj.queryText()
        content = text.getText(0, -1)
        if content.strip():
            out.append(content)
    except Exception:
        pass
    try:
        count = obj.childCount
    except Exception:
        return
    for i in range(count):
        try:
            texts(obj.getChildAtIndex(i), out, depth + 1)
        except Exception:
            pass


def main():
    pid = int(sys.argv[1])
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        try:
            # The web process's tree hangs below the program's own windows.
            if app.get_process_id() != pid:
                continue
        except Exception:
            continue
        for window in app:
            if window is None:
                continue
            print("window\t" + (window.name or ""))
            out = []
            texts(window, out)
            for t in out:
                if t.startswith("\x00"):
                    print(t[1:].replace("\n", " "))
                else:
                    print("text\t" + " ".join(t.split()))
    sys.stdout.flush()


main()
