#!/bin/sh
# Checks that the builds a user makes need no test tool, whatever is installed: the default
# preset (make run), the package preset (make deb) and a plain Release configuration succeed with
# xvfb-run hidden, and none of them builds a test, a benchmark or the roll generator.
#
# xvfb-run is hidden in a mount namespace of this script's own (as root, or in a user namespace
# where the system allows one); where neither can be made, the check says so and passes.
#
#   scripts/check-setup.sh
set -eu
cd "$(dirname "$0")/.."

if [ "${ROLLSCRIBE_SETUP_HIDDEN:-}" != 1 ]; then
    if [ "$(id -u)" -eq 0 ]; then
        unshare="unshare -m"
    else
        unshare="unshare -rm"
    fi
    if ! $unshare true 2>/dev/null; then
        echo "check-setup: no mount namespace can be made here; not checked" >&2
        exit 0
    fi
    exec env ROLLSCRIBE_SETUP_HIDDEN=1 $unshare sh "$0"
fi

# In the namespace: every xvfb-run on the PATH becomes a file that cannot be run.
blank=$(mktemp "${TMPDIR:-/tmp}/rollscribe-blank-XXXXXX")
scratch=$(mktemp -d "${TMPDIR:-/tmp}/rollscribe-setup-XXXXXX")
hidden=""
trap 'for f in $hidden; do umount "$f"; done; rm -rf "$scratch" "$blank"' EXIT INT TERM
chmod 0644 "$blank"
for dir in $(echo "$PATH" | tr ':' ' '); do
    if [ -e "$dir/xvfb-run" ] && mount --bind "$blank" "$dir/xvfb-run"; then
        hidden="$hidden $dir/xvfb-run"
    fi
done
if command -v xvfb-run >/dev/null 2>&1 && [ -x "$(command -v xvfb-run)" ]; then
    echo "check-setup: xvfb-run could not be hidden" >&2
    exit 1
fi

failures=0
for how in "--preset default" "--preset package" "-G Ninja -DCMAKE_BUILD_TYPE=Release"; do
    dir=$scratch/$(echo "$how" | tr -c 'a-zA-Z0-9\n' '_')
    # shellcheck disable=SC2086
    if ! out=$(cmake -S . -B "$dir" $how 2>&1); then
        echo "check-setup: 'cmake $how' fails without xvfb-run:" >&2
        printf '%s\n' "$out" | tail -15 >&2
        failures=$((failures + 1))
        continue
    fi
    for target in rollscribe_core_tests rollscribe_gui_tests rollscribe_bench rollscribe-genroll; do
        if grep -q "build bin/$target[: ]" "$dir/build.ninja"; then
            echo "check-setup: 'cmake $how' builds $target, which was not asked for" >&2
            failures=$((failures + 1))
        fi
    done
done
[ "$failures" -eq 0 ] || exit 1
echo "check-setup: the default, package and plain builds need no test tool"
