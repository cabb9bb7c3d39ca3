#!/usr/bin/env bash
# Configures (once) and builds Orvane with Ninja and ccache into BUILD_DIR (default: build).
# Builds are serialised through a lock so that two of them never share the two cores.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
export CCACHE_BASEDIR=$root
# Debug info names the build folder; without this a clone in another folder never hits.
export CCACHE_NOHASHDIR=true
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
export CCACHE_COMPILERCHECK=content
exec 9>/tmp/orvane-build.lock
flock 9
if [[ ! -f $build_dir/build.ninja ]]; then
    cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
if (($#)); then
    cmake --build "$build_dir" -j "$(nproc)" --target "$@"
else
    cmake --build "$build_dir" -j "$(nproc)"
fi
