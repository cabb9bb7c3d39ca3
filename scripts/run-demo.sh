#!/usr/bin/env bash
# Installs what is missing, builds Orvane and starts it on the demo investigation.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build_dir=${BUILD_DIR:-$root/build}
cd "$root"
exec "$build_dir/bin/orvane" "$build_dir/demo/OperationBrume/OperationBrume.orvane.db"
