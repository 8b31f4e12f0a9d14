#!/usr/bin/env bash
# Makes Japanese legible in the message boxes and dialogs of a Wine prefix. A prefix without
# Wine's own fonts draws them in faces it does not have (MS Shell Dlg, which stands for Tahoma)
# and falls back to a font without Japanese, so every character shows as an empty square.
# Those faces, and the System font, are replaced by the installed IPA Gothic (Debian's
# fonts-ipafont-gothic); where Wine's own Tahoma is installed, which a replacement cannot
# override, IPA Gothic is linked to it for the characters Tahoma lacks.
#
#   WINEPREFIX=... tools/wine/japanese-fonts.sh
#
# Safe to run again. Uses $KOKURIN_WINE, else wine64 or wine from the path.
set -euo pipefail

replacement=IPAGothic
# The file of that face in fonts-ipafont-gothic, as Wine's font links name it.
replacementFile=ipag.ttf
replacedFaces=("MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "System")
linkKey='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'

# shellcheck source=tools/wine/wine-program.sh
. "$(dirname "$0")/wine-program.sh"
wine=$(wineProgram) || exit 1
if command -v fc-list >/dev/null 2>&1 && ! fc-list ":family=$replacement" | grep -q .; then
    echo "japanese-fonts: $replacement is not installed (apt-get install fonts-ipafont-gothic)" >&2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kokurin-fonts.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The link's value is a list of "file,face" strings: REG_MULTI_SZ, written in hex.
linkHex=$(printf '%s,%s\0\0' "$replacementFile" "$replacement" | od -An -v -tx1 |
    tr -s ' \n' ',' | sed 's/^,//; s/,$//')
{
    printf 'REGEDIT4\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for face in "${replacedFaces[@]}"; do
        printf '"%s"="%s"\r\n' "$face" "$replacement"
    done
    printf '\r\n[%s]\r\n' "$linkKey"
    printf '"Tahoma"=hex(7):%s\r\n' "$linkHex"
} >"$work/fonts.reg"

regFile="Z:${work//\//\\}\\fonts.reg"
if ! WINEDEBUG=-all timeout 120 "$wine" reg import "$regFile" >"$work/reg.log" 2>&1; then
    echo "japanese-fonts: wine reg import failed" >&2
    cat "$work/reg.log" >&2
    exit 1
fi
