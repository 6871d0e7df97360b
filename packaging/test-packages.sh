#!/usr/bin/env bash
# Builds both Debian packages from the release preset, checks them with
# lintian (no error allowed), installs them with apt-get, looks "hello" up
# through the installed /usr/bin/vorlinda-sozluk against the installed site
# (started by hand, as tests/e2e does: no systemd runs here), on port 80 and
# on another port named with --site, checks that the manual page answers,
# then purges both and
# checks that nothing they installed, or the service made, is left.
# Installs on this machine: run it as root (scripts/test.sh does).
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(vorlinda-sozluk vorlinda-site)

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
# apt-get, without dpkg's progress lines
aptLog=$(mktemp)
trap 'rm -f "$aptLog"' EXIT
apt() {
    local status=0
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -y -qq "$@" >"$aptLog" 2>&1 || status=$?
    grep -v -e '^(Reading database' -e '^debconf: delaying' "$aptLog" || true
    return $status
}

export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
rm -f build-release/*.deb
(cd build-release && cpack -G DEB >/dev/null)
debs=("$PWD"/build-release/vorlinda-sozluk_*.deb "$PWD"/build-release/vorlinda-site_*.deb)

for deb in "${debs[@]}"; do
    echo "== lintian $(basename "$deb")"
    lintian --fail-on error --no-tag-display-limit "$deb"
done

# A run cut short earlier may have left them installed.
apt purge "${packages[@]}" >/dev/null 2>&1 || true
echo "== installing ${packages[*]}"
apt install "${debs[@]}"
for p in "${packages[@]}"; do
    dpkg-query -W -f '${Package} ${Version} installed; Depends: ${Depends}\n' "$p" | cut -c1-160
done
files=$(for deb in "${debs[@]}"; do dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\.||'; done)

# The install built the indexes where the service reads them; a dictionary
# package's change rebuilds them through the trigger.
find /var/cache/vorlinda-site/ -name freedict-eng-tur.vsi | grep -q . ||
    { echo "the install built no index in /var/cache/vorlinda-site" >&2; exit 1; }
echo "== indexes built on install: $(du -sh /var/cache/vorlinda-site/ | cut -f1)"
# The command a user types, and its manual page.
manual=$(man -P cat vorlinda-sozluk 2>/dev/null || true)
grep -q -- "--site URL" <<<"$manual" ||
    { echo "man vorlinda-sozluk does not answer with the options" >&2; exit 1; }
version=$(/usr/bin/vorlinda-sozluk --version)
[ "$version" = "vorlinda-sozluk $(dpkg-query -W -f '${Version}' vorlinda-sozluk)" ] ||
    { echo "vorlinda-sozluk --version says \"$version\", not the package's version" >&2; exit 1; }
echo "== hello through /usr/bin/vorlinda-sozluk against /usr/bin/vorlinda-site"
tests/e2e/e2e.sh hello /usr/bin/vorlinda-sozluk /usr/bin/vorlinda-site build-release/test-artifacts
echo "== the same with --site http://localhost:8080, the site on port 8080"
E2E_SITE_PORT=8080 tests/e2e/e2e.sh hello /usr/bin/vorlinda-sozluk /usr/bin/vorlinda-site \
    build-release/test-artifacts/port-8080

# What systemd would have made for the service's throwaway user, for the
# purge to take away (it moves the cache the install built into private/).
$sudo mkdir -p /var/cache/private
$sudo mv /var/cache/vorlinda-site /var/cache/private/vorlinda-site
$sudo ln -sfn private/vorlinda-site /var/cache/vorlinda-site
echo "== purging ${packages[*]}"
apt purge "${packages[@]}"

left=()
for f in $files /var/cache/vorlinda-site /var/cache/private/vorlinda-site \
    /etc/systemd/system/multi-user.target.wants/vorlinda-site.service \
    /var/lib/systemd/deb-systemd-helper-enabled/vorlinda-site.service.dsh-also \
    /var/lib/systemd/deb-systemd-helper-enabled/multi-user.target.wants/vorlinda-site.service \
    /var/lib/systemd/deb-systemd-helper-masked/vorlinda-site.service; do
    # Directories that others share (/usr/bin, ...) stay; ours must go.
    if [ -L "$f" ] || { [ -e "$f" ] && ! [ -d "$f" ]; } ||
        { [ -d "$f" ] && [[ $f == */vorlinda-* ]]; }; then
        left+=("$f")
    fi
done
if [ "${#left[@]}" -gt 0 ]; then
    echo "left after the purge: ${left[*]}" >&2
    exit 1
fi
for p in "${packages[@]}"; do
    if dpkg-query -W -f '${Status}' "$p" 2>/dev/null | grep -qv "not-installed"; then
        echo "$p is still known to dpkg: $(dpkg-query -W -f '${Status}' "$p")" >&2
        exit 1
    fi
done
echo "purged: none of the $(echo "$files" | wc -w) paths of the packages, nor the service's state, is left"
