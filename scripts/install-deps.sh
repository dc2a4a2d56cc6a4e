#!/usr/bin/env bash
# Installs the Debian packages the native build and its tests need, when any is missing.
# shared-mime-info and xdg-utils (with its mimetype helper) let the desktop test look the
# installed MIME types up as a file manager does. Safe to run again: it only calls apt-get when a package is absent.
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config zlib1g-dev libpng-dev libgif-dev
          libdeflate-dev libgtest-dev libgmock-dev libbenchmark-dev clang-format ccache clang libclang-rt-14-dev
          shared-mime-info xdg-utils libfile-mimeinfo-perl)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them as root, then run this again:" >&2
    echo "  su -c 'apt-get update && apt-get install -y --no-install-recommends ${missing[*]}'" >&2
    exit 1
  fi
  sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq || true
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
