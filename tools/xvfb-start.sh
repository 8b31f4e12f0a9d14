# Sourced by the session scripts: startXvfb FOLDER SCREEN starts a throwaway Xvfb that picks a
# free display itself (writing its number once it accepts connections), leaves its pid in
# xvfbPid and exports DISPLAY. Returns 1, having said why, when it did not start.
startXvfb() {
    local folder=$1 screen=$2 displayNumber
    Xvfb -displayfd 9 -screen 0 "$screen" -nolisten tcp -noreset \
        9>"$folder/display" 2>"$folder/xvfb.log" &
    xvfbPid=$!
    for _ in $(seq 100); do
        if [ -s "$folder/display" ] || ! kill -0 "$xvfbPid" 2>/dev/null; then
            break
        fi
        sleep 0.1
    done
    displayNumber=$(tr -dc '0-9' <"$folder/display" 2>/dev/null)
    if [ -z "$displayNumber" ] || ! kill -0 "$xvfbPid" 2>/dev/null; then
        echo "Xvfb did not start" >&2
        cat "$folder/xvfb.log" >&2
        return 1
    fi
    export DISPLAY=":$displayNumber"
}

# Stops the Xvfb that startXvfb started, if any.
stopXvfb() {
    if [ -n "${xvfbPid:-}" ]; then
        kill "$xvfbPid" 2>/dev/null
        wait "$xvfbPid" 2>/dev/null
    fi
}
