#!/usr/bin/env bash
# Installs what is missing, builds Orvane and runs every test headless.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build_dir=${BUILD_DIR:-$root/build}
export QT_QPA_PLATFORM=offscreen
exec 9>/tmp/orvane-build.lock
flock 9
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" --timeout 600
