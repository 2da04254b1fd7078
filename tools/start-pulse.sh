#!/bin/bash
# Starts a private PulseAudio server whose default sink is a null sink "kantilo_null"
# (44100 Hz), so that tests can play sound without a sound card and record it from
# "kantilo_null.monitor". Works as root and as an ordinary user; needs no D-Bus and no cookie.
#
#   eval "$(tools/start-pulse.sh [DIR])"   # DIR: where the server keeps its files (default: new)
#   ...                                      # clients find it through PULSE_SERVER
#   kill "$KANTILO_PULSE_PID"
#
# Prints the environment for the clients as shell assignments: PULSE_SERVER, XDG_RUNTIME_DIR,
# KANTILO_PULSE_PID and KANTILO_PULSE_DIR. Exits non-zero when no server could be started.
set -euo pipefail

dir="${1:-$(mktemp -d "${TMPDIR:-/tmp}/kantilo-pulse.XXXXXX")}"
mkdir -p "$dir/home" "$dir/runtime"
chmod 700 "$dir/runtime"
dir="$(cd "$dir" && pwd)"
socket="$dir/runtime/pulse/native"

if ! command -v pulseaudio >/dev/null || ! command -v pactl >/dev/null; then
  echo "start-pulse: pulseaudio or pactl is not installed" >&2
  exit 1
fi

# The server gets its own HOME and runtime directory, so it never meets a user's own server.
HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" XDG_CONFIG_HOME="$dir/home/.config" \
  DBUS_SESSION_BUS_ADDRESS=disabled: \
  setsid pulseaudio --daemonize=no --exit-idle-time=-1 --system=false --disallow-exit \
  --use-pid-file=no --disable-shm=yes -n \
  --load="module-null-sink sink_name=kantilo_null rate=44100 norewinds=1" \
  --load="module-native-protocol-unix auth-anonymous=1 socket=$socket" \
  </dev/null >"$dir/pulseaudio.log" 2>&1 &
pid=$!
echo "$pid" >"$dir/pulseaudio.pid"

export PULSE_SERVER="unix:$socket" HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime"
for _ in $(seq 1 100); do
  if pactl info >/dev/null 2>&1; then
    break
  fi
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "start-pulse: the server exited:" >&2
    cat "$dir/pulseaudio.log" >&2
    exit 1
  fi
  sleep 0.1
done
if ! pactl set-default-sink kantilo_null >/dev/null 2>&1; then
  echo "start-pulse: the server did not answer:" >&2
  cat "$dir/pulseaudio.log" >&2
  kill "$pid" 2>/dev/null || true
  exit 1
fi

printf 'export PULSE_SERVER=%q\n' "unix:$socket"
printf 'export XDG_RUNTIME_DIR=%q\n' "$dir/runtime"
printf 'export KANTILO_PULSE_PID=%q\n' "$pid"
printf 'export KANTILO_PULSE_DIR=%q\n' "$dir"
