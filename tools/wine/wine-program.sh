# Sourced by the Wine scripts: wineProgram prints the wine64 to run (KOKURIN_WINE when it is a
# program, else Debian's /usr/lib/wine/wine64, else wine64 or wine on the PATH) and fails, saying
# so, when there is none.
wineProgram() {
    local found=""
    if [ -n "${KOKURIN_WINE:-}" ] && [ -x "$KOKURIN_WINE" ]; then
        found=$KOKURIN_WINE
    elif [ -x /usr/lib/wine/wine64 ]; then
        found=/usr/lib/wine/wine64
    else
        found=$(command -v wine64 || command -v wine || true)
    fi
    if [ -z "$found" ]; then
        echo "no wine64 found (apt-get install wine64)" >&2
        return 1
    fi
    printf '%s\n' "$found"
}
