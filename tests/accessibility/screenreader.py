#!/usr/bin/python3
"""Reads the program's window through the accessibility bus and works it the
way a screen reader's user does: by names, roles, states and actions, never
by pointer or keys.

    screenreader.py APPLICATION_NAME [PID]

With PID, the program's process: a wait ends as soon as it has gone rather
than after its whole patience. Exits 0 when every check holds; otherwise
prints what was missing.
"""
import re
import sys
import time

import pyatspi
from gi.repository import Atspi, GLib

PATIENCE = 150  # seconds: the demo links its account and syncs first
PROGRAM_PID = None  # the program's process, when the caller named it


class Failure(Exception):
    pass


def pump():
    """Lets the bus's signals in, so that what is read is current."""
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def program_gone():
    """Whether the named program has ended: no process, or one not yet
    reaped by its parent."""
    if PROGRAM_PID is None:
        return False
    try:
        with open(f"/proc/{PROGRAM_PID}/stat") as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] in ("Z", "X")
    except (OSError, IndexError):
        return True


def wait_for(what, probe, patience=PATIENCE):
    deadline = time.monotonic() + patience
    last = None
    while time.monotonic() < deadline:
        if program_gone():
            raise Failure(f"the program ended while waiting for {what}")
        pump()
        try:
            found = probe()
        except GLib.Error as error:  # an object gone while it was read
            found, last = None, error
        if found:
            return found
        time.sleep(0.25)
    raise Failure(f"no {what} after {patience} s" + (f" (last error: {last})" if last else ""))


def children(node):
    for index in range(node.get_child_count()):
        child = node.get_child_at_index(index)
        if child is not None:
            yield child


def walk(node, depth=0):
    """Every node under `node`; the web views' documents are left out, as
    they are the mail's own and can be large."""
    yield node
    if depth > 40 or node.get_role() == pyatspi.ROLE_DOCUMENT_WEB:
        return
    for child in children(node):
        yield from walk(child, depth + 1)


def states(node):
    return node.get_state_set()


def showing(node):
    return states(node).contains(pyatspi.STATE_SHOWING)


def named(root, role, name=None, pattern=None):
    """Showing nodes of `role` under `root`, by exact name or pattern."""
    found = []
    for node in walk(root):
        if node.get_role() != role or not showing(node):
            continue
        text = node.get_name() or ""
        if name is not None and text != name:
            continue
        if pattern is not None and not re.search(pattern, text):
            continue
        found.append(node)
    return found



def do_action(node, wanted):
    action = node.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    if wanted not in names:
        raise Failure(f"'{node.get_name()}' offers {names}, not '{wanted}'")
    action.doAction(names.index(wanted))


def application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in children(desktop):
        if app.get_name() == name:
            # Read each time from the program, not from a copy kept here.
            app.set_cache_mask(Atspi.Cache.NONE)
            return app
    return None


WINDOWS = (pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW, pyatspi.ROLE_DIALOG)


def frame(app, pattern):
    for window in children(app):
        if window.get_role() in WINDOWS and re.search(pattern, window.get_name() or ""):
            return window
    return None


def windows(app):
    return [(window.get_role_name(), window.get_name()) for window in children(app)]


def rows(window, list_name):
    lists = named(window, pyatspi.ROLE_LIST, name=list_name)
    if not lists:
        return []
    return [row for row in children(lists[0]) if row.get_role() == pyatspi.ROLE_LIST_ITEM]


DAY = r"\d{1,2} de \w+"
# A button that stays down (the transfers' toggle) is read as a check box.
BUTTONS = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX)


def check_sidebar(window):
    accounts = wait_for("account row", lambda: rows(window, "Contas"))
    names = [row.get_name() for row in accounts]
    if not any(name.endswith("selecionada") and "@" in name for name in names):
        raise Failure(f"no account row reads its address and that it is selected: {names}")
    labels = wait_for("label rows", lambda: rows(window, "Etiquetas"))
    names = [row.get_name() for row in labels]
    inbox = [name for name in names if name.startswith("Caixa de entrada")]
    if not inbox or not inbox[0].endswith("aberta"):
        raise Failure(f"the inbox row does not read as the open label: {names}")
    if not re.search(r"\d+ não lidas?", inbox[0]):
        raise Failure(f"the inbox row does not read its unread count: {inbox[0]}")
    print(f"sidebar: {len(accounts)} account rows, {len(labels)} label rows; {inbox[0]!r}")


def check_threads(window):
    threads = wait_for("conversation rows", lambda: rows(window, "Conversas"))
    names = [row.get_name() for row in threads]
    for name in names:
        # Participants, subject and the day, each where a listener expects it.
        parts = name.split(", ")
        if len(parts) < 3 or not any(re.fullmatch(DAY + r"( de \d{4})?", p) for p in parts):
            raise Failure(f"a conversation row does not read participants, subject and day: {name!r}")
    if not any("não lida" in name for name in names):
        raise Failure(f"no conversation reads as unread: {names}")
    if not any(row.get_description() for row in threads):
        raise Failure("no conversation row describes its newest message")
    for row in threads:
        if not states(row).contains(pyatspi.STATE_SELECTABLE):
            raise Failure(f"the row {row.get_name()!r} cannot be selected")
    print(f"conversations: {len(threads)} rows; first {names[0]!r}")
    return threads


def check_toolbar(window):
    bars = wait_for("tool bar", lambda: named(window, pyatspi.ROLE_TOOL_BAR))
    buttons = [node for bar in bars for node in walk(bar)
               if node.get_role() in BUTTONS and showing(node)]
    unnamed = [node for node in buttons if not (node.get_name() or "").strip()]
    if unnamed:
        raise Failure(f"{len(unnamed)} tool bar buttons have no name")
    names = {node.get_name() for node in buttons}
    for wanted in ("Escrever", "Transferências"):
        if wanted not in names:
            raise Failure(f"the tool bar has no button '{wanted}': {sorted(names)}")
    print(f"tool bars: {sorted(names)}")
    return next(node for node in buttons if node.get_name() == "Escrever")


def check_composer(app, compose):
    do_action(compose, "press")
    try:
        composer = wait_for("composer window", lambda: frame(app, r"^Nova mensagem"), patience=30)
    except Failure:
        raise Failure(f"no composer window among {windows(app)}")
    fields = {}
    for node in walk(composer):
        if node.get_role() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY) and showing(node):
            fields[node.get_name()] = node
    for wanted in ("Para", "Assunto", "Mensagem"):
        if wanted not in fields:
            raise Failure(f"the composer has no field named '{wanted}': {sorted(fields)}")
        if not states(fields[wanted]).contains(pyatspi.STATE_EDITABLE):
            raise Failure(f"the composer's field '{wanted}' is not editable")
    buttons = {node.get_name() for node in named(composer, pyatspi.ROLE_PUSH_BUTTON)}
    for wanted in ("Enviar", "Anexar", "Descartar", "Fechar"):
        if wanted not in buttons:
            raise Failure(f"the composer has no button '{wanted}': {sorted(buttons)}")
    print(f"composer: fields {sorted(fields)}; buttons {sorted(buttons)}")


def open_and_archive(window):
    threads = rows(window, "Conversas")
    first = threads[0]
    subject = first.get_name()
    # Chosen through the row's own action, as a screen reader's user picks it.
    if not states(first).contains(pyatspi.STATE_SELECTED):
        do_action(first, "toggle")
    # The reader's tool bar shows once the conversation's messages are in.
    archive = wait_for("archive button of the open conversation",
                       lambda: named(window, pyatspi.ROLE_PUSH_BUTTON, name="Arquivar"))
    cards = [node.get_name() for node in walk(window)
             if re.match(r"Mensagem de ", node.get_name() or "") and showing(node)]
    if not cards:
        raise Failure(f"the open conversation {subject!r} shows no message card by name")
    print(f"opened {subject!r}: {cards[0]!r}")
    # Opening it read it, which changes its name: it is known by what comes
    # before the day (participants and subject).
    known_by = subject[:re.search(", " + DAY, subject).start()]
    do_action(archive[0], "press")
    wait_for("the archived conversation to leave the list",
             lambda: not any(row.get_name().startswith(known_by + ", ")
                             for row in rows(window, "Conversas")),
             patience=30)
    print(f"archived {subject!r}")


def main():
    global PROGRAM_PID
    name = sys.argv[1]
    if len(sys.argv) > 2:
        PROGRAM_PID = int(sys.argv[2])
    app = wait_for(f"application '{name}' on the accessibility bus", lambda: application(name))
    window = wait_for("main window", lambda: frame(app, r"VESK"))
    check_sidebar(window)
    check_threads(window)
    compose = check_toolbar(window)
    check_composer(app, compose)
    open_and_archive(window)
    print("PASS")


if __name__ == "__main__":
    try:
        main()
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        sys.exit(1)
