#!/usr/bin/env bash
# Installs what is missing, builds Nodeloom with AddressSanitizer and UndefinedBehaviorSanitizer,
# builds the benchmarks and examples (not timed), and runs every test.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/install-deps.sh"

build="${NODELOOM_TEST_BUILD_DIR:-$root/build/test}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNODELOOM_SANITIZE=ON -DNODELOOM_WERROR=ON \
      -DCMAKE_CXX_FLAGS="-O1" >/dev/null
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
