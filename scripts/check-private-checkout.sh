#!/bin/sh
# Runs test cases as they run in a checkout under a folder only its owner may enter (a clone in
# /root, or in a folder made by mktemp -d): in a mount namespace of this script's own, the
# checkout's parent folder becomes an empty folder of mode 0700 and the checkout is put back at
# its path. The cases that run a program as another user must pass there as anywhere.
#
# Needs root and a mount namespace; where either is missing, it says so and exits 77 (skipped).
#
#   scripts/check-private-checkout.sh TEST_PROGRAM GTEST_FILTER
set -eu
checkout=$(cd "$(dirname "$0")/.." && pwd -P)
parent=$(dirname "$checkout")

if [ "${ROLLSCRIBE_PRIVATE_PARENT:-}" != 1 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "check-private-checkout: needs root to run cases as another user; not checked" >&2
        exit 77
    fi
    if [ "$parent" = / ]; then
        echo "check-private-checkout: the checkout lies in /; not checked" >&2
        exit 77
    fi
    if ! unshare -m true 2>/dev/null; then
        echo "check-private-checkout: no mount namespace can be made here; not checked" >&2
        exit 77
    fi
    exec env ROLLSCRIBE_PRIVATE_PARENT=1 unshare -m --propagation private sh "$0" "$@"
fi

# A folder outside the parent, for the tests' temporary folders (TMPDIR, which may lie in the
# parent) and for the parent as it was.
outside=$(cd "${TMPDIR:-/tmp}" && pwd -P)
case "$outside/" in
"$parent"/*)
    for other in /var/tmp /dev/shm; do
        case "$other/" in "$parent"/*) ;; *) [ -d "$other" ] && outside=$other && break ;; esac
    done
    ;;
esac
work=$(mktemp -d "$outside/rollscribe-private-XXXXXX")
chmod 0755 "$work"
mkdir "$work/parent" "$work/tmp"
chmod 1777 "$work/tmp"
# Mounts first, then folders: nothing removed recursively ever reaches the parent as it was.
trap 'umount "$checkout" "$parent" "$work/parent" 2>/dev/null; rmdir "$work/parent" && rm -rf "$work/tmp" && rmdir "$work"' EXIT

# The parent under another name; over it an empty folder only root may enter, holding the
# checkout at its old path.
mount --bind "$parent" "$work/parent"
mount -t tmpfs -o mode=0700 private "$parent"
mkdir "$checkout"
mount --bind "$work/parent/$(basename "$checkout")" "$checkout"
if setpriv --reuid=nobody --regid=nogroup --clear-groups test -e "$checkout"; then
    echo "check-private-checkout: the checkout is still reachable by others" >&2
    exit 1
fi
TMPDIR=$work/tmp "$1" --gtest_filter="$2"
