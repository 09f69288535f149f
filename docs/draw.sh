#!/usr/bin/env bash
# Redraws the architecture picture from docs/architecture.dot (Graphviz `dot`, Debian's graphviz).
set -euo pipefail
cd "$(dirname "$0")"
dot -Tsvg architecture.dot -o architecture.svg
dot -Tpng -Gdpi=80 architecture.dot -o architecture.png
