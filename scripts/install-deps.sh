#!/usr/bin/env bash
# Installs the Debian packages Nullvane needs to build, run and test, skipping
# what is already there. Shared by the README's two commands and by CI.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-svg-dev libqt6svg6 qt6-translations-l10n
  libsqlite3-dev libplist-dev libssl-dev libblkid-dev libmount-dev
  # NTFS labels are written through the NTFS library (ntfslabel reads a
  # name that begins with "-" as an option)
  ntfs-3g-dev
  # the browser cleaner reads Chromium's LevelDB store of downloads
  libleveldb-dev
  libgtest-dev libgmock-dev
  # wrapped labels break Chinese between words (ICU's word boundaries)
  libicu-dev
  # the compositing question to the X server
  libxcb1-dev
  # run
  fonts-noto-cjk pkexec
  # the disk utility stand-in drives these tools
  util-linux e2fsprogs dosfstools exfatprogs exfat-fuse ntfs-3g fusefat fuse3
  # the disk utility tests partition their loop devices with sfdisk
  fdisk
  # widget tests and the desktop run under a virtual display
  xvfb xauth
  # the display-sleep test runs its own session bus
  dbus-daemon
  # the install test validates the desktop entry and the polkit policy
  desktop-file-utils libxml2-utils
  # the erase benchmark reads its child runs' peak memory through GNU time
  time
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
