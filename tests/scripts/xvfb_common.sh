# Sourced by the scripts that drive the real editor: a scratch directory $work, everything
# started ended on exit, fail, and start_xvfb for a private X server on a display of its own.
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
KANTILO_PULSE_PID=""

finish() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    [ -n "$KANTILO_PULSE_PID" ] && kill "$KANTILO_PULSE_PID" 2>/dev/null
    rm -rf "$work"
}
trap finish EXIT
fail() { echo "FEHLER: $*" >&2; exit 1; }

. "$(dirname "$0")/xvfb_display.sh"
start_xvfb() {
    xvfb_display "$work" || fail "Xvfb startet nicht"
    xdpyinfo >/dev/null 2>&1 || fail "Xvfb startet nicht"
}
