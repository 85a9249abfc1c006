#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, as the README's fuzzing command does, and replays the
# stored document corpus through the document target: every stored input once, no new inputs.
# Keeps the README's command from breaking unseen and the fuzz target honest about the corpus.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/install-deps.sh"

build="${NODELOOM_FUZZ_BUILD_DIR:-$root/build/fuzz}"
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DNODELOOM_BUILD_FUZZ=ON -DNODELOOM_WERROR=ON \
    -DNODELOOM_BUILD_TESTS=OFF -DNODELOOM_BUILD_BENCH=OFF -DNODELOOM_BUILD_EXAMPLES=OFF \
    "${launcher[@]}" >/dev/null
cmake --build "$build" -j "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" --target fuzz_document

# Passing the files, not the directory, makes libFuzzer run each once and write nothing back.
shopt -s nullglob
inputs=("$root"/tests/data/documents/*)
if [ ${#inputs[@]} -eq 0 ]; then
    echo "no stored documents under tests/data/documents" >&2
    exit 1
fi
cd "$build"
# Leak checks stay on whatever the caller's environment says: the target lets the fonts go at
# exit, so whatever is still held then is a leak.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1" \
    "$build/tests/fuzz/fuzz_document" "${inputs[@]}" 2>"$build/fuzz-replay.log" || {
    tail -n 60 "$build/fuzz-replay.log" >&2
    exit 1
}
echo "fuzz_document: ${#inputs[@]} stored documents replayed"
