#!/usr/bin/env bash
# One command from a fresh Debian 12 machine to a running player: installs
# what is needed, builds, makes the demo project and starts it in a window.
# Extra arguments go to the player (for example --headless --frames 300).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target tarvamo4
if cmake --build build --target tarvamo4-mkproject >/dev/null 2>&1 && [ -x build/tarvamo4-mkproject ]; then
  if [ ! -d build/demo/default ] && [ ! -d build/demo/data ]; then
    build/tarvamo4-mkproject build/demo ||
      echo "setup.sh: build/demo is in use and holds no project; remove it to get the demo project" >&2
  fi
else
  mkdir -p build/demo
fi
exec build/tarvamo4 --project build/demo "$@"
