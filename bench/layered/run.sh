#!/bin/sh
# Lays seeded DAGs, trees and sparse random graphs of 300, 1,000 and 3,000 nodes out with
# Graphviz dot and with the layered layout, and writes bench/layered/report.md and report.csv.
# Installs Debian's graphviz when dot is missing. Extra arguments go to the harness, for example
#   bench/layered/run.sh --rounds 1,5
# adds rows with more sifting rounds. dot's results are kept in build/bench/layered-dot-cache and
# reused for the same graphs (the sparse graph of 3,000 nodes takes dot the better part of an
# hour); delete that folder to time dot again.
set -eu
cd "$(dirname "$0")/../.."

if ! command -v dot >/dev/null 2>&1; then
    if [ "$(id -u)" -eq 0 ]; then
        apt-get update && apt-get install -y graphviz
    else
        sudo apt-get update && sudo apt-get install -y graphviz
    fi
fi

cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DNODELOOM_BUILD_TESTS=OFF
cmake --build build/bench -j4 --target layered_harness
build/bench/bench/layered/layered_harness --out bench/layered --dot-cache build/bench/layered-dot-cache "$@"
