#!/usr/bin/env bash
# Packs the players' zip: one top folder named as the zip, holding the program stripped of its
# debug information and symbols, the named assets and README.txt (CRLF line ends, for Notepad).
# The same tree gives the same bytes: names in a fixed order, one fixed time and mode for every
# file, no extra fields (zip -X: no uid/gid, no extended time stamps).
# Usage: pack.sh <strip tool> <program> <asset folder> <readme> <zip> <asset name...>
set -euo pipefail
[ $# -ge 6 ] || { echo "usage: $0 <strip> <program> <asset folder> <readme> <zip> <asset...>" >&2; exit 2; }
strip=$1 program=$2 assets=$3 readme=$4 zip=$(realpath -m "$5")
shift 5
name=$(basename "$zip" .zip)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
top=$stage/$name
mkdir "$top"
# strip writes the time into the PE header unless told one: the linker's 0 (no time) again.
SOURCE_DATE_EPOCH=0 "$strip" -o "$top/Vexa2.exe" "$program"
for asset in "$@"; do
    [ -f "$assets/$asset" ] || { echo "pack: $assets/$asset is missing" >&2; exit 1; }
    cp "$assets/$asset" "$top/"
done
sed 's/\r*$/\r/' "$readme" >"$top/README.txt"
chmod 644 "$top"/*
TZ=UTC touch -d '2000-01-01 00:00:00' "$top"/*

mkdir -p "$(dirname "$zip")"
rm -f "$zip.tmp"
(cd "$stage" && printf '%s\n' "$name"/* | LC_ALL=C sort | TZ=UTC zip -q -X -D -9 "$zip.tmp" -@)
mv "$zip.tmp" "$zip"
