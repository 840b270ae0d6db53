#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running need.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# The PostgreSQL server is for the tests' throw-away clusters (scripts/pg-cluster.sh):
# the package's own permanent cluster is not wanted.
if [ ! -e /etc/postgresql-common/createcluster.conf ]; then
    $SUDO mkdir -p /etc/postgresql-common/createcluster.d
    echo "create_main_cluster = false" | $SUDO tee /etc/postgresql-common/createcluster.d/ambitra.conf >/dev/null
fi
$SUDO apt-get update -qq
# mdbtools-dev: the library that reads the old program's database file (Ambitra.mdb);
# mdbtools and sqlite3 are the benchmark's peer for that copy.
# The handheld service: Qt's HTTP server (whose CMake package needs the websockets
# one) and OpenSSL for its certificate authority. Its browser tests drive Debian's
# Chromium through chromedriver and selenium (certutil trusts the authority), with
# a fake camera fed by a video made from zint's symbols by ffmpeg.
$SUDO apt-get install -y -qq --no-install-recommends \
    g++ cmake ninja-build pkg-config \
    qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql qt6-translations-l10n libgl-dev \
    postgresql \
    libsqlite3-dev libgtest-dev libgmock-dev \
    xvfb xauth fonts-dejavu-core \
    dpkg-dev file desktop-file-utils appstream xdotool x11-utils \
    python3-dbf python3-dbfread \
    libzint-dev zbar-tools poppler-utils \
    mdbtools-dev mdbtools sqlite3 \
    qt6-httpserver-dev qt6-websockets-dev libssl-dev \
    chromium chromium-driver python3-selenium libnss3-tools zint ffmpeg >/dev/null
# The app's web dependencies come from npm (pinned by web/coletor/package-lock.json).
if ! command -v npm >/dev/null; then
    $SUDO apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
fi
# Installed here, not by the build: the build only checks that they are there and
# match the lock file.
(cd "$(dirname "$0")/../web/coletor" && npm ci --no-audit --no-fund --ignore-scripts --loglevel=error)
