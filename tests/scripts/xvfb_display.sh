# shellcheck shell=sh
# Sourced by the scripts that need a private X server. xvfb_display DIR starts one on a display
# of its own (the server picks a free number itself and writes it to fd 3 once it takes
# connections: on a busy machine that can take a while), sets xvfb_pid and exports DISPLAY.
# If the server names no display within a minute, its log goes to stderr and it returns 1.
xvfb_display() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" >"$1/xvfb.log" 2>&1 &
    # shellcheck disable=SC2034  # the caller's, to end the server with
    xvfb_pid=$!
    for _ in $(seq 1 600); do
        [ -s "$1/display" ] && break
        sleep 0.1
    done
    if [ ! -s "$1/display" ]; then
        cat "$1/xvfb.log" >&2
        return 1
    fi
    DISPLAY=":$(head -n 1 "$1/display")"
    export DISPLAY
}
