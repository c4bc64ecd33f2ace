#!/usr/bin/env bash
# Redraws the window's resources from make_resources.cpp into this folder.
#   app/window/resources/regenerate.sh [build folder]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../../../build}"
cmake --build "$build" --target quiterval-make-resources
QT_QPA_PLATFORM=offscreen "$build/bin/quiterval-make-resources" "$here"
