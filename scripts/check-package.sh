#!/usr/bin/env bash
# Checks the Debian package as a salon gets it: builds it (scripts/make-package.sh), makes a
# clean Debian root from this machine's own apt sources, installs the package there with apt
# (its recommendations too, as apt does by default), and there, as an ordinary user on a
# virtual display, runs `velvo-studio --diagnostico` over the sample portrait and velvo-img's
# fit over the same photo. Fails naming the missing part.
# Usage: scripts/check-package.sh [BUILD_DIR]   (default build-package; needs root)
#        VELVO_DEB=FILE scripts/check-package.sh   checks that package instead of building one
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}
started=$(date +%s)
fail() {
    echo "check-package: FAILED: $*" >&2
    exit 1
}
[ "$(id -u)" -eq 0 ] || fail "making a Debian root needs root"

if [ -n "${VELVO_DEB:-}" ]; then
    deb=$VELVO_DEB # a package made elsewhere, checked as it is
    [ -f "$deb" ] || fail "no package $deb"
else
    scripts/make-package.sh "$build"
    deb=$(ls -t "$build"/velvo-studio_*.deb 2>/dev/null | head -n 1)
    [ -n "$deb" ] || fail "scripts/make-package.sh made no package"
fi
command -v mmdebstrap >/dev/null || fail "mmdebstrap is not installed (scripts/packages.txt)"

# The clean machine uses the mirrors and release this one uses; the files are passed as they
# are, so no mirror is named here.
sources=()
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] && grep -q '^[[:space:]]*[^#[:space:]]' "$file" && sources+=("$file")
done
[ ${#sources[@]} -gt 0 ] || fail "no apt sources in /etc/apt"
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:?}")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$deb" "$work/velvo-studio.deb"

# Runs inside the new root as root; what the salon's user does goes through runuser.
cat >"$work/inside.sh" <<'INSIDE'
set -u
missing() { echo "MISSING: $*"; exit 1; }
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -q -o APT::Install-Recommends=true /tmp/velvo-studio.deb >/tmp/apt.log 2>&1 ||
    { tail -n 30 /tmp/apt.log; missing "the package does not install with apt"; }
echo "installed: $(dpkg-query -W -f='${Package} ${Version}' velvo-studio)"
echo "Depends: $(dpkg-query -W -f='${Depends}' velvo-studio)"
echo "Recommends: $(dpkg-query -W -f='${Recommends}' velvo-studio)"
command -v velvo-studio >/dev/null || missing "velvo-studio on the PATH"
command -v velvo-img >/dev/null || missing "velvo-img on the PATH"
portrait=/usr/lib/velvo-studio/Modelo.JPG
[ -f "$portrait" ] || missing "the sample portrait $portrait"
useradd --create-home salao || missing "a user account (useradd)"
as_salon() { runuser -u salao -- env HOME=/home/salao LANG=C.UTF-8 "$@"; }

echo "--- velvo-studio --diagnostico $portrait (as salao, under xvfb-run)"
as_salon timeout 600 xvfb-run -a -s "-screen 0 1280x1024x24" \
    velvo-studio --diagnostico "$portrait" >/tmp/diagnostico.txt 2>/tmp/diagnostico.err
code=$?
cat /tmp/diagnostico.txt
[ -s /tmp/diagnostico.err ] && { echo "(standard error)"; cat /tmp/diagnostico.err; }
if [ "$code" -ne 0 ]; then
    line=$(grep '^Falta: ' /tmp/diagnostico.txt | tail -n 1)
    missing "${line#Falta: }${line:+ }(velvo-studio --diagnostico ended with $code)"
fi
grep -q "^Foto $portrait: aberta enquadrada" /tmp/diagnostico.txt || missing "the sample portrait opened framed"

echo "--- velvo-img fit $portrait (as salao)"
as_salon velvo-img fit "$portrait" /tmp/fit.png >/tmp/fit.txt 2>&1 || { cat /tmp/fit.txt; missing "velvo-img fit"; }
cat /tmp/fit.txt
grep -q '^face [0-9]' /tmp/fit.txt || missing "a face found by velvo-img fit"
grep -q '^keypoints [0-9]' /tmp/fit.txt || missing "the face models (velvo-img fit found no keypoints)"
echo "PASSED"
INSIDE

echo "check-package: installing $deb in a clean $suite root"
log=$work/inside.log
status=0
mmdebstrap --variant=apt --format=null --include=xvfb,xauth,passwd \
    --customize-hook="copy-in $work/velvo-studio.deb $work/inside.sh /tmp" \
    --customize-hook="chroot \"\$1\" sh /tmp/inside.sh >$log 2>&1" \
    "$suite" /dev/null "${sources[@]}" || status=$?
[ -f "$log" ] && cat "$log"
elapsed=$(($(date +%s) - started))
if [ "$status" -ne 0 ]; then
    what=$(grep '^MISSING: ' "$log" 2>/dev/null | tail -n 1)
    [ -n "$what" ] || what="MISSING: a clean root (mmdebstrap ended with $status)"
    fail "${what#MISSING: }"
fi
grep -q '^PASSED$' "$log" || fail "the check inside the root did not finish"
echo "check-package: passed in $((elapsed / 60)) min $((elapsed % 60)) s"
