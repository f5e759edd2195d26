#!/usr/bin/env bash
# The program as a screen reader meets it: the accessibility bus of
# at-spi2-core in the tests' private session, the demo on the X display with
# Qt's bridge switched on, and a Python client of the bus (the one screen
# readers are written against) that reads the window and works it through
# accessibility actions alone.
#
#   screenreader-check.sh VESK_DEMO
set -euo pipefail
demo=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
groups=()
fail() { echo "FAIL: $*" >&2; exit 1; }
cleanup() {
  for group in "${groups[@]}"; do kill -- "-$group" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || fail "no session bus: run inside the tests' private session"
[ -n "${DISPLAY:-}" ] || fail "no X display: run under xvfb-run"
launcher=/usr/libexec/at-spi-bus-launcher
[ -x "$launcher" ] || fail "$launcher is missing: install at-spi2-core (scripts/install-deps)"
# The system's Python: the bindings are a Debian package, not a pip one.
python=/usr/bin/python3
"$python" -c 'import pyatspi' 2>/dev/null \
  || fail "the pyatspi module is missing: install python3-pyatspi (scripts/install-deps)"

owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q 'boolean true'
}

# The tests' session activates nothing of the machine's, so the bus launcher
# is started here, in a process group of its own: it starts the
# accessibility bus and the registry, and all of them go together at the end.
if ! owned; then
  setsid "$launcher" --launch-immediately --a11y=1 >"$work/launcher.log" 2>&1 &
  groups+=($!)
  for _ in $(seq 100); do owned && break; sleep 0.1; done
  owned || { cat "$work/launcher.log" >&2; fail "the accessibility bus did not start"; }
fi

# The demo with its own stand-in and one account; Portuguese, so that dates
# read as they would for the program's users.
mkdir -p "$work/home" "$work/tmp"
HOME="$work/home" TMPDIR="$work/tmp" LANG=pt_PT.UTF-8 LANGUAGE=pt_PT \
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=none \
  QT_QUICK_BACKEND=software QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu \
  setsid "$demo" --accounts 1 >"$work/demo.log" 2>&1 &
demo_pid=$!
groups+=("$demo_pid")

if ! "$python" "$here/screenreader.py" vesk-demo "$demo_pid"; then
  echo "--- the demo's output" >&2
  tail -n 60 "$work/demo.log" >&2
  exit 1
fi
