#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build ccache pkg-config clang-format
    # every shell script checked (scripts/shellcheck.sh)
    shellcheck
    # every C++ source checked (scripts/clang-tidy.sh)
    clang-tidy-14 jq
    qt6-base-dev qt6-webengine-dev qt6-webengine-dev-tools libgl-dev
    libgtest-dev libgmock-dev
    # the stand-in site
    libboost1.81-dev zlib1g-dev
    # the feedback page's store: SQLite
    libsqlite3-dev
    # the site's on-disk indexes: XXH3 hashes of their blocks
    libxxhash-dev
    # the site's morphology: Hunspell's dictionaries and WordNet's irregular English forms
    libhunspell-dev wordnet-base
    # how common English words are, to rank translations: SCOWL's size levels
    scowl
    hunspell-{en-us,tr,es,fr,de-de,it,nl,pt-pt,ro,sv,da,pl,cs,hr,hu,sw}
    dict-freedict-eng-tur dict-freedict-tur-eng
    dict-freedict-{eng-spa,spa-eng,eng-fra,fra-eng,fra-tur,eng-deu,deu-eng,deu-tur,tur-deu,eng-ita,ita-eng,ita-tur,eng-nld,nld-eng,eng-por,por-eng,eng-swe,swe-eng,swe-tur,eng-dan,dan-eng,eng-pol,pol-eng,pol-tur,eng-ces,ces-eng,eng-hrv,hrv-eng,eng-srp,srp-eng,eng-hun,hun-eng,eng-fin,fin-eng,epo-eng,eng-swh,swh-eng}
    # Romanian: Apertium's Spanish-Romanian lexicon, printed by lttoolbox's lt-print
    apertium-es-ro lttoolbox-dev
    # the Windows build of the Qt-free parts (the windows preset), tested under Wine
    g++-mingw-w64-x86-64-posix wine wine64
    # fuzzing (tests/fuzz): clang with libFuzzer and the sanitizers' runtimes
    clang-14 libclang-rt-14-dev
    # the mutation check (tests/mutants)
    rsync
    # benchmarks
    libcurl4-openssl-dev
    # running and testing under a virtual display
    libqt6webenginecore6-bin qt6-translations-l10n fonts-dejavu-core xvfb xauth xdotool x11-utils x11-xkb-utils imagemagick
    iproute2 util-linux libcap2-bin desktop-file-utils
    # the Debian packages (cpack) and their check; nginx in front of the site
    dpkg-dev lintian nginx man-db
    # the nginx test's lookups and its free ports
    curl python3
    # https in the program's client (OpenSSL), and the openssl command for test authorities
    libssl-dev openssl
    # the end-to-end bench's pixel poller: input through XTest
    libxtst-dev
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    # nginx's package would start the machine's nginx on port 80: the tests
    # run their own on a free port of 127.0.0.1, so no service starts while
    # packages are installed here (policy-rc.d, unless the machine has one).
    policy=""
    if [ ! -e /usr/sbin/policy-rc.d ]; then
        policy=/usr/sbin/policy-rc.d
        printf '#!/bin/sh\nexit 101\n' | $sudo tee $policy >/dev/null
        $sudo chmod 755 $policy
        trap '$sudo rm -f $policy' EXIT
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
