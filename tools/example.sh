#!/usr/bin/env bash
# Installs what is missing, builds Nodeloom and runs the example program, which tours the library
# and writes its XML documents and PNG pictures into out/; it fails when a step of the tour fails.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/install-deps.sh"

build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNODELOOM_BUILD_TESTS=OFF \
      -DNODELOOM_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target diagram_example
mkdir -p "$root/out"
NODELOOM_RESOURCES="$root/resources" "$build/examples/diagram_example" "$root/out"
