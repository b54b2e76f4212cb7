#!/usr/bin/env bash
# Installs what is missing, builds, lays out a demo installation and starts the
# program in it. The installation goes to $VMX_DEMO_DIR (default ~/valmorix-demo)
# and is made only once; delete the directory to start afresh.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${VMX_BUILD_DIR:-$top/build}"
demo="${VMX_DEMO_DIR:-$HOME/valmorix-demo}"
"$top/tools/install-deps.sh"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVMX_BUILD_TESTS=OFF -DVMX_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)" --target valmorix valmorix-cli
if [ ! -e "$demo/z.db" ]; then
  "$build/valmorix-cli" init "$demo" --demo
fi
cd "$demo"
exec "$build/valmorix" "$@"
