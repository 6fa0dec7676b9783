#!/bin/sh
# Writes the Debian changelog of the package (installed as /usr/share/doc/rollscribe/changelog.gz)
# from the releases in CHANGELOG.md: one entry per "## [VERSION] - YYYY-MM-DD" section, newest
# first, each item of it as one entry line "* Section: text" wrapped within 80 columns. The
# [Unreleased] section is left out: the package's version is that of a release.
#
#   scripts/debian-changelog.sh CHANGELOG.md "NAME <ADDRESS>" >changelog
set -eu

changelog=${1:?usage: $0 CHANGELOG.md MAINTAINER}
maintainer=${2:?usage: $0 CHANGELOG.md MAINTAINER}

# The sign-off date of every release, "VERSION DATE" a line, in the form Debian wants. Releases
# of one day are signed off an hour apart from 12:00, oldest first, so that each entry is newer
# than the one before it.
dates=$(sed -n 's/^## \[\([0-9][0-9.]*\)\] - \([0-9-]*\)$/\1 \2/p' "$changelog" | tac |
    { last=; hour=12
    while read -r version day; do
        if [ "$day" = "$last" ]; then hour=$((hour + 1)); else hour=12; fi
        last=$day
        printf '%s %s\n' "$version" "$(LC_ALL=C date -R -u -d "$day $hour:00")"
    done; } | tac)
[ -n "$dates" ] || { echo "$0: no release in $changelog" >&2; exit 1; }

LC_ALL=C awk -v dates="$dates" -v maintainer="$maintainer" '
function wrap(text,    n, words, i, line) {
    n = split(text, words, " ")
    line = "  *"
    for (i = 1; i <= n; i++) {
        if (length(line) + 1 + length(words[i]) > 80 && line != "  *" && line != "   ") {
            print line
            line = "   "
        }
        line = line " " words[i]
    }
    print line
}
function flush_item() {
    if (item != "") wrap(section == "" ? item : section ": " item)
    item = ""
}
function close_entry() {
    flush_item()
    if (version != "") printf "\n -- %s  %s\n", maintainer, signoff[version]
    version = ""
}
BEGIN {
    n = split(dates, lines, "\n")
    for (i = 1; i <= n; i++) {
        split(lines[i], parts, " ")
        signoff[parts[1]] = substr(lines[i], length(parts[1]) + 2)
    }
}
/^## / {
    close_entry()
    section = ""
    if (match($0, /^## \[[0-9][0-9.]*\] - /)) {
        version = substr($0, 5, index($0, "]") - 5)
        if (entries++) print ""
        printf "rollscribe (%s) stable; urgency=medium\n\n", version
    }
    next
}
version == "" { next }
/^### / { flush_item(); section = substr($0, 5); next }
/^- / { flush_item(); item = substr($0, 3); next }
/^  +[^ ]/ && item != "" { sub(/^ +/, ""); item = item " " $0; next }
/^$/ { flush_item(); next }
END { close_entry() }
' "$changelog"
