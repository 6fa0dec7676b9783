#!/bin/sh
# Installs the Debian packages the project needs, where they are missing.
#
#   scripts/install-deps.sh run     what building and running the two programs needs (make run)
#   scripts/install-deps.sh deb     that, and what building the Debian package needs (make deb)
#   scripts/install-deps.sh check   all of it, and the test, fuzz and benchmark tools (make check)
#
# Without an argument it installs the "check" set. Runs apt-get as root, or through sudo for
# another user.
set -eu

# Compiler and build tools, the toolkit, pictures, sound, command-line options and JSON, and the
# General MIDI sound font that playback uses by default (/usr/share/sounds/sf2/default-GM.sf2),
# and RtMidi and JACK for live MIDI output.
RUN_PACKAGES="
g++ cmake ninja-build make pkg-config
libwxgtk3.2-dev libgtk-3-dev
libcairo2-dev
libfluidsynth-dev libsndfile1-dev timgm6mb-soundfont
libcli11-dev nlohmann-json3-dev
librtmidi-dev libjack-jackd2-dev
"

# CPack's Debian generator: dpkg-shlibdeps works out the run-time dependencies, and file tells
# it which installed files are programs.
DEB_PACKAGES="
dpkg-dev file
"

# Tests, fuzzing and benchmarks: GoogleTest, Google Benchmark, independent MIDI readers, the
# virtual X server and a window manager (with xprop) for the desktop program's tests, clang with
# libFuzzer, the tools that check the installed manual pages, desktop entry, MIME type and Debian
# package, the JACK server (dummy back end) that the live MIDI output's tests play to, and
# poppler's pdftoppm that renders the pages of a paged PDF picture.
CHECK_PACKAGES="
libgtest-dev libgmock-dev libbenchmark-dev
python3 python3-mido midicsv
xvfb xauth dbus-daemon openbox x11-utils
clang libclang-rt-14-dev
man-db desktop-file-utils shared-mime-info libglib2.0-bin lintian
jackd2
poppler-utils
"

case "${1:-check}" in
    run) PACKAGES=$RUN_PACKAGES ;;
    deb) PACKAGES="$RUN_PACKAGES $DEB_PACKAGES" ;;
    check) PACKAGES="$RUN_PACKAGES $DEB_PACKAGES $CHECK_PACKAGES" ;;
    *)
        echo "usage: $0 [run|deb|check]" >&2
        exit 2
        ;;
esac

missing=""
for p in $PACKAGES; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *"ok installed"*) ;;
        *) missing="$missing $p" ;;
    esac
done

[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
else
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
