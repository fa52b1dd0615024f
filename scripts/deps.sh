#!/usr/bin/env bash
# Installs the Debian packages that scripts/run-main.sh and scripts/run-tests.sh
# need, and only those that are missing (through sudo when not root).
# Every one is named here, never left to a package's Recommends: clang only
# recommends the runtime the fuzzers and clang's sanitizers link
# (libclang-rt-dev, which follows the default clang as clang does), and the
# install below takes no recommended package, so that a machine set up
# without them builds as well.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-dev python3 binutils libgtest-dev libgmock-dev libbenchmark-dev
          liblz4-dev zlib1g-dev)
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if ((${#missing[@]} == 0)); then
  exit 0
fi
echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
