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
    libcairo2-dev libpango1.0-dev libexpat1-dev libjpeg-dev
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
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
