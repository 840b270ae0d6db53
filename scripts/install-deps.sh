#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running need.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
    g++ cmake ninja-build pkg-config \
    qt6-base-dev libqt6sql6-sqlite qt6-translations-l10n libgl-dev \
    libsqlite3-dev libgtest-dev libgmock-dev \
    xvfb xauth fonts-dejavu-core \
    dpkg-dev file desktop-file-utils appstream xdotool x11-utils \
    python3-dbf python3-dbfread \
    libzint-dev zbar-tools poppler-utils >/dev/null
