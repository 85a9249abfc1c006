#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Nodeloom need, skipping the ones
# already present; apt-get update runs only when something is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    # The fuzz build: clang, and its sanitizer and libFuzzer runtimes, which clang only
    # recommends.
    clang libclang-rt-14-dev
    libgtest-dev libbenchmark-dev
    libcairo2-dev libpango1.0-dev libfontconfig-dev libexpat1-dev libjpeg-dev
    fonts-liberation
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
# apt-get runs as root; through sudo, DEBIAN_FRONTEND has to be passed on explicitly, since sudo
# starts the command with a clean environment.
as_root=(env DEBIAN_FRONTEND=noninteractive)
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "install-deps: these packages are missing and installing them needs root: ${missing[*]}" >&2
        echo "install-deps: run this script as root, or install sudo, or install the packages by hand." >&2
        exit 1
    fi
    as_root=(sudo env DEBIAN_FRONTEND=noninteractive)
fi
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
