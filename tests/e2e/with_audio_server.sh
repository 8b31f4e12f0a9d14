#!/usr/bin/env bash
# Runs a command with an audio server of its own: a private PulseAudio daemon whose only sink is
# a null sink named kokurin (what is played into it can be recorded from kokurin.monitor), found
# by the command through PULSE_SERVER (Wine's driver, and SDL's, told to use it). The daemon is
# stopped and its folder removed afterwards.
#
#   with_audio_server.sh command [args...]
set -uo pipefail

folder=$(mktemp -d "${TMPDIR:-/tmp}/kokurin-pulse.XXXXXX") || exit 125
daemon=""
cleanUp() {
    if [ -n "$daemon" ] && kill -0 "$daemon" 2>/dev/null; then
        kill "$daemon" 2>/dev/null
        wait "$daemon" 2>/dev/null
    fi
    rm -rf "$folder"
}
trap cleanUp EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

export PULSE_RUNTIME_PATH="$folder/runtime"
export PULSE_STATE_PATH="$folder/state"
mkdir -p "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH"
socket="$folder/native"

# No configuration files, no session bus, no hardware: only the modules loaded here.
HOME="$folder" pulseaudio --daemonize=no --system=no --disallow-exit --exit-idle-time=-1 \
    --use-pid-file=no --disable-shm=yes -n \
    --load="module-null-sink sink_name=kokurin rate=44100" \
    --load="module-native-protocol-unix socket=$socket auth-anonymous=1" \
    >"$folder/pulse.log" 2>&1 &
daemon=$!
export PULSE_SERVER="unix:$socket"
for _ in $(seq 100); do
    if timeout 5 pactl info >/dev/null 2>&1; then
        break
    fi
    if ! kill -0 "$daemon" 2>/dev/null; then
        echo "with_audio_server: pulseaudio did not start" >&2
        cat "$folder/pulse.log" >&2
        exit 125
    fi
    sleep 0.1
done
if ! timeout 5 pactl info >/dev/null 2>&1; then
    echo "with_audio_server: pulseaudio does not answer" >&2
    cat "$folder/pulse.log" >&2
    exit 125
fi
timeout 5 pactl set-default-sink kokurin >/dev/null 2>&1
export SDL_AUDIODRIVER=pulseaudio

"$@"
