#!/usr/bin/env bash
# Installs the build into a temporary prefix and starts the installed launcher offscreen, twice,
# with a fresh home, as a user who cannot write the prefix: the first start seeds the studio
# folder, the second finishes what is missing and keeps what the salon changed or added.
# Usage: install-test.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: install-test.sh BUILD_DIR}
work=$(mktemp -d)
pid=
passed=0
failures=0
cleanup() {
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
check() { # DESCRIPTION COMMAND...
    local what=$1; shift
    if "$@"; then echo "ok: $what"; passed=$((passed + 1)); else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
png_width() { # the IHDR width of a PNG file
    local b; b=($(od -An -tu1 -j16 -N4 "$1")); echo $(( (b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3] ))
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
program=$prefix/lib/velvo-studio
check "launcher installed" test -x "$prefix/bin/velvo-studio"
check "executable in the program folder" test -x "$program/velvo"
check "desktop entry installed" test -f "$prefix/share/applications/velvo-studio.desktop"
for size in 16 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/velvo-studio.png
    check "icon ${size}x${size}" test "$(png_width "$icon" 2>/dev/null)" = "$size"
done
check "scalable icon" grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/velvo-studio.svg"
check "both libraries installed" test -d "$program/Velvo5" -a -d "$program/Velvo42"
check "no Temp pictures installed" test -z "$(find "$program" -name 'Temp*.BMP')"

home=$work/home
mkdir -p "$home"
studio=$home/data/velvo-studio
# The installed program folder must not be writable by whoever runs it: root can write
# anywhere, so the studio then runs as nobody.
if [ "$(id -u)" -eq 0 ]; then
    chmod 755 "$work"
    chown -R 65534:65534 "$home"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
    chmod -R a-w "$prefix"
    as_user=()
fi

# Every file the seeding copies or links, relative to the program folder.
expected=$(cd "$program" && find Velvo5 Velvo42 -type f; cd "$program" && \
    find . -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.png' -o -iname '*.gif' -o \
        -iname '*.tif' -o -iname '*.bmp' -o -iname '*.lng' \) -printf '%P\n'; \
    for d in help help-en help-es; do [ -d "$program/$d" ] && echo "$d/index.html"; done)
# The marker comes last, once a pass has copied everything.
seeded() {
    [ -e "$studio/.velvo-seeded" ] || return 1
    while read -r f; do [ -e "$studio/$f" ] || return 1; done <<<"$expected"
}

start() { # starts the launcher from another folder with a photo on the command line
    (cd "$home" && exec env HOME="$home" XDG_DATA_HOME="$home/data" QT_QPA_PLATFORM=offscreen \
        "${as_user[@]}" "$prefix/bin/velvo-studio" "$1") >"$work/run.log" 2>&1 &
    pid=$!
}
wait_for() { # waits (at most a minute) until COMMAND holds while the studio keeps running
    for _ in $(seq 600); do
        "$@" && return 0
        kill -0 "$pid" 2>/dev/null || { echo "the studio ended:"; cat "$work/run.log"; return 1; }
        sleep 0.1
    done
    return 1
}
stop() { kill "$pid"; wait "$pid" 2>/dev/null || true; pid=; }

photo=$(cd "$program" && ls | grep -i -m1 '\.\(jpg\|bmp\|png\)$')
start "$program/$photo"
check "first start seeds the studio folder" wait_for seeded
check "the studio is running after seeding" kill -0 "$pid"
stop
check "help is linked to the installed guide" test "$(readlink "$studio/help")" = "$program/help"
check "libraries are copies of the salon's own" test ! -L "$studio/Velvo5"
check "the executable is not copied" test ! -e "$studio/velvo"

# The salon adds a hairstyle and redraws one; a sample photo is missing and the seeding
# marker with it, as after a first start that stopped part-way (disk full).
category=$(cd "$studio/Velvo5" && ls | head -n 1)
first=$(cd "$studio/Velvo5/$category" && ls | head -n 1)
printf 'GIF89a added by the salon' >"$studio/Velvo5/$category/999.GIF"
printf 'GIF89a redrawn by the salon' >"$studio/Velvo5/$category/$first"
rm "$studio/$photo" "$studio/.velvo-seeded"
cp "$program/$photo" "$home/client.${photo##*.}"
start "client.${photo##*.}"
check "second start finishes the seeding" wait_for seeded
stop
check "the added hairstyle is kept" grep -q 'added by the salon' "$studio/Velvo5/$category/999.GIF"
check "the redrawn hairstyle is not overwritten" grep -q 'redrawn by the salon' "$studio/Velvo5/$category/$first"

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
