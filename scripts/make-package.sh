#!/usr/bin/env bash
# Builds the Debian package velvo-studio_<version>_<arch>.deb in a Release build folder of its
# own. Usage: scripts/make-package.sh [BUILD_DIR]   (default build-package)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}
scripts/install-deps.sh scripts/packages.txt
scripts/fetch-portrait.sh "$build/downloads" || echo "warning: no sample portrait; the package has no Modelo.JPG"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELVO_TESTS=OFF -DVELVO_BENCH=OFF
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB)
ls "$build"/velvo-studio_*.deb
