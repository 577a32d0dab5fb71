#!/usr/bin/env bash
# Installs the Debian packages Tarvo needs to build, test and run.
# Idempotent: asks apt only for what is missing, and refreshes the package
# lists only when something has to be installed.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config python3
  qt6-base-dev qt6-svg-dev libqcustomplot-dev
  libxlsxwriter-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
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

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
