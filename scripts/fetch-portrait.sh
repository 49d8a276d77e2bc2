#!/usr/bin/env bash
# Fetches the sample portrait (astronaut.png from Debian's python3-skimage, 512 x 512) into
# the given folder, unless it is there already. Nothing is installed: the package is only
# downloaded and unpacked.
set -euo pipefail
dest=${1:?usage: fetch-portrait.sh DEST_DIR}
mkdir -p "$dest"
[ -s "$dest/astronaut.png" ] && exit 0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 777 "$work"
( cd "$work" && apt-get download python3-skimage >/dev/null 2>&1 ) || {
    [ "$(id -u)" -eq 0 ] && apt-get update -qq && ( cd "$work" && apt-get download python3-skimage >/dev/null 2>&1 )
} || { echo "fetch-portrait: cannot download python3-skimage" >&2; exit 1; }
dpkg -x "$work"/python3-skimage_*.deb "$work/x"
cp "$(find "$work/x" -name astronaut.png | head -n 1)" "$dest/astronaut.png"
echo "Sample portrait: $dest/astronaut.png"
