#!/usr/bin/env bash
# Runs every benchmark of a release build and prints its figures as `name: value` lines.
set -euo pipefail
build=$1
export VEXA_WINEPREFIX=$build/wineprefix
