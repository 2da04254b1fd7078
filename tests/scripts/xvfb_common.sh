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

# The server picks a free display number itself and writes it to fd 3 once it takes
# connections: on a busy machine that can take a while.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for i in $(seq 1 600); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    [ -s "$work/display" ] || fail "Xvfb startet nicht: $(cat "$work/xvfb.log")"
    export DISPLAY=":$(head -n 1 "$work/display")"
    xdpyinfo >/dev/null 2>&1 || fail "Xvfb startet nicht"
}
