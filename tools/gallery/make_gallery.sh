#!/usr/bin/env bash
# Builds the two gallery programs and writes their pictures into build/gallery/.
# Usage: tools/gallery/make_gallery.sh [build-dir]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
BUILD="${1:-$ROOT/build}"
cmake --build "$BUILD" --target cutbench_controlsgallery cutbench_picturesgallery --parallel 4
cd "$BUILD"
export QT_QPA_PLATFORM=offscreen CUTBENCH_RESOURCE_DIR="$BUILD/bin/resources"
bin/tools/cutbench_controlsgallery
bin/tools/cutbench_picturesgallery
echo "Pictures in $BUILD/gallery"
