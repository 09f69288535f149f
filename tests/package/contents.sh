#!/usr/bin/env bash
# The players' zip holds one folder named as the zip and in it only the program, README.txt (CRLF
# line ends) and the demo's assets, in this order; the program carries no debug information and
# imports the system's DLLs, Direct3D 9, D3DX and DirectInput only (no MinGW runtime DLL), and
# its header holds no time.
# Usage: contents.sh <zip> <objdump of the platform>
set -uo pipefail
zip=$1 objdump=$2
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
top=$(basename "$zip" .zip)

expected=$(printf "$top/%s\n" README.txt Vexa2.exe ball.x effect.fx light.fx lizardSIG.sdkmesh lizard_belly.bmp \
    lizard_skin.bmp particle.bmp particleEffect.fx skullocc.x tiny.x tiny_skin.bmp venus.x)
files=$(unzip -Z1 "$zip") || fail "cannot list $zip"
[ "$files" = "$expected" ] || { diff <(echo "$expected") <(echo "$files") >&2; fail "the zip's files differ (< expected)"; }
unzip -p "$zip" "$top/README.txt" | grep -qv $'\r$' && fail "README.txt has lines without CR LF"

exe=$(mktemp) && trap 'rm -f "$exe"' EXIT
unzip -p "$zip" "$top/Vexa2.exe" >"$exe" || fail "cannot unpack Vexa2.exe"
# DLL names are compared as Windows does, whatever the case: the i686 import library names
# dinput8.dll, the x86-64 one DINPUT8.dll.
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr A-Z a-z | LC_ALL=C sort)
[ "$dlls" = "$(printf '%s\n' d3d9.dll d3dx9_40.dll dinput8.dll kernel32.dll msvcrt.dll user32.dll)" ] ||
    fail "Vexa2.exe imports: $(echo $dlls)"
# No time in the PE header (the file header's TimeDateStamp): two builds of a tree are the same.
header=$(od -An -tu4 -j60 -N4 "$exe")
stamp=$(($(od -An -tu4 -j$((header + 8)) -N4 "$exe")))
[ "$stamp" = 0 ] || fail "Vexa2.exe has the time stamp $stamp in its PE header"
sections=$("$objdump" -h "$exe") || fail "objdump cannot read Vexa2.exe"
grep -q '\.debug' <<<"$sections" && fail "Vexa2.exe keeps debug sections: $(grep -o '\.debug[a-z_]*' <<<"$sections" | tr '\n' ' ')"
echo "$top: $(wc -l <<<"$files") files; Vexa2.exe imports $(echo $dlls)"
