#!/bin/sh
# Installs the Debian packages the project needs, where they are missing.
# Runs apt-get as root, or through sudo for another user.
set -eu

PACKAGES="
g++ cmake ninja-build make pkg-config
libgtest-dev libgmock-dev libbenchmark-dev
libwxgtk3.2-dev
python3 python3-mido midicsv
libgtk-3-dev
libcairo2-dev libfluidsynth-dev timgm6mb-soundfont
xvfb xauth dbus-daemon
clang libclang-rt-14-dev
"

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
