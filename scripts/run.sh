#!/usr/bin/env bash
# Installs what is needed, builds, and starts the program from its build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec "${BUILD_DIR:-build}/bin/ambitra" "$@"
