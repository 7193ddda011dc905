#!/usr/bin/env bash
# Installs the Debian 12 packages the library, its tests, benchmarks and fuzz targets need.
# Idempotent: asks dpkg what is missing and installs only that; does nothing when nothing is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev clang-format clang-tidy
  libboost1.81-dev libboost-url1.81-dev libboost-locale1.81-dev gettext
  nlohmann-json3-dev libicu-dev libcurl4-openssl-dev libssl-dev uuid-dev
  libgdk-pixbuf-2.0-dev libglib2.0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev qt6-base-dev libqt6svg6 fonts-dejavu-core
  xdg-utils desktop-file-utils
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}" >&2
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
