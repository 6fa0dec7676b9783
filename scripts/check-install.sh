#!/bin/sh
# Checks what `cmake --install` puts in place, from a build folder whose programs are built:
#   - every file a user needs is installed;
#   - the manual pages format without a warning (groff -ww, man --warnings) and document every
#     option that the programs' --help lists;
#   - desktop-file-validate finds nothing wrong with the desktop entry;
#   - roll scans ending in bar or web, in any letter case, are known as the roll scan type;
#   - the installed converter converts the example roll;
#   - the installed documents link only to installed files, and the manual pages name only those;
#   - the programs, manual pages, changelogs and package all carry the version of the newest
#     release in CHANGELOG.md;
#   - CPack's Debian package of the same build holds those files under /usr, and its
#     dependencies come from dpkg-shlibdeps, with the sound font recommended;
#   - lintian finds no error in the package, nor any of the faults once found and mended.
#
#   scripts/check-install.sh BUILD-DIR
set -eu
cd "$(dirname "$0")/.."

build=${1:?usage: $0 BUILD-DIR}
stage=$(mktemp -d "${TMPDIR:-/tmp}/rollscribe-install-XXXXXX")
trap 'rm -rf "$stage"' EXIT INT TERM

failures=0
fail() {
    echo "check-install: $*" >&2
    failures=$((failures + 1))
}

DESTDIR="$stage/root" cmake --install "$build" --prefix /usr >/dev/null
usr=$stage/root/usr

for f in bin/rollscribe-convert bin/rollscribe libexec/rollscribe/rollscribe-picture-sound.so \
    share/man/man1/rollscribe-convert.1.gz share/man/man1/rollscribe.1.gz \
    bin/rollscribe-play share/man/man1/rollscribe-play.1.gz \
    share/applications/rollscribe.desktop share/mime/packages/rollscribe.xml \
    share/icons/hicolor/48x48/apps/rollscribe.png \
    share/icons/hicolor/48x48/mimetypes/application-x-rollscribe.document.png \
    share/icons/hicolor/scalable/apps/rollscribe.svg \
    share/doc/rollscribe/copyright share/doc/rollscribe/changelog.gz \
    share/doc/rollscribe/README.md share/doc/rollscribe/CHANGELOG.md \
    share/doc/rollscribe/docs/user-guide.md share/doc/rollscribe/docs/robustness.md \
    share/doc/rollscribe/docs/performance.md share/doc/rollscribe/docs/expression.md \
    share/rollscribe/profiles/88-note.json share/rollscribe/profiles/welte-red.json \
    share/rollscribe/profiles/welte-green.json share/rollscribe/profiles/welte-licensee.json \
    share/rollscribe/profiles/duo-art.json share/rollscribe/profiles/ampico-a.json \
    share/rollscribe/profiles/ampico-b.json; do
    [ -f "$usr/$f" ] || fail "not installed: /usr/$f"
done

# The installed documents: every link to a file of their own (not a web address, not a place in
# the same document) leads to an installed file.
find "$usr/share/doc/rollscribe" -name '*.md' >"$stage/documents"
while IFS= read -r doc; do
    for target in $(grep -o '\]([^)#]*[)#]' "$doc" | sed 's/^](//; s/.$//'); do
        case "$target" in
            "" | *://* | mailto:*) continue ;;
        esac
        [ -e "$(dirname "$doc")/$target" ] ||
            fail "${doc#"$usr/"} links to $target, which is not installed"
    done
done <"$stage/documents"

# One version everywhere: that of the newest release in CHANGELOG.md.
version=$(sed -n 's/^## \[\([0-9][0-9.]*\)\] - .*/\1/p' CHANGELOG.md | head -n 1)
debian=$(gzip -dc "$usr/share/doc/rollscribe/changelog.gz" 2>/dev/null | head -n 1)
[ "$debian" = "rollscribe ($version) stable; urgency=medium" ] ||
    fail "the Debian changelog begins '$debian', not with release $version"
for program in rollscribe-convert rollscribe rollscribe-play; do
    out=$("$usr/bin/$program" --version 2>&1) || true
    case "$out" in
        *" $version") ;;
        *) fail "$program --version says '$out', not $version" ;;
    esac
    gzip -dc "$usr/share/man/man1/$program.1.gz" 2>/dev/null | grep -q "^\.TH .*\"Rollscribe $version\"" ||
        fail "$program.1 is not the page of Rollscribe $version"
done

# Manual pages: no formatting warning, and every option of the program's help on its page.
for program in rollscribe-convert rollscribe rollscribe-play; do
    page=$usr/share/man/man1/$program.1.gz
    [ -f "$page" ] || continue
    out=$(gzip -dc "$page" | groff -ww -z -man 2>&1) || true
    [ -z "$out" ] || fail "$program.1: groff warns: $out"
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || true
    [ -z "$out" ] || fail "$program.1: man warns: $out"
    text=$(LC_ALL=C MANWIDTH=200 man -l "$page" 2>/dev/null)
    for doc in $(printf '%s\n' "$text" | grep -o '/usr/share/doc/[^ ]*[^ .,;)]'); do
        [ -e "$stage/root$doc" ] || fail "$program.1 names $doc, which is not installed"
    done
    case "$text" in
        *"$program - "*) ;;
        *) fail "$program.1: no NAME line for $program" ;;
    esac
    help=$("$usr/bin/$program" --help 2>&1) || fail "$program --help failed"
    for option in $(printf '%s\n' "$help" | grep -o -- '--[a-z][a-z-]*' | sort -u); do
        printf '%s\n' "$text" | grep -q -- "$option" || fail "$program.1 does not document $option"
    done
done

# Desktop entry.
out=$(desktop-file-validate "$usr/share/applications/rollscribe.desktop" 2>&1) || true
[ -z "$out" ] || fail "desktop-file-validate: $out"

# The MIME type, through the shared MIME database built from the installed package file, as the
# desktop looks it up.
XDG_DATA_DIRS="$usr/share" update-mime-database "$usr/share/mime"
mkdir -p "$stage/files" "$stage/home"
type_of() {
    XDG_DATA_HOME="$stage/home" XDG_DATA_DIRS="$usr/share:/usr/share" GIO_USE_VFS=local \
        gio info -a "$2" "$1" 2>/dev/null | sed -n "s/^ *$2: //p"
}
for name in roll.bar ROLL.BAR Roll.Bar roll.web ROLL.WEB roll.wEB nocturne.op9.bar; do
    cp examples/evening_waltz.bar "$stage/files/$name"
    type=$(type_of "$stage/files/$name" standard::content-type)
    [ "$type" = application/x-rollscribe.document ] || fail "$name is known as '$type'"
done
comment=$(sed -n 's/^ *<comment>\(.*\)<\/comment>$/\1/p' \
    "$usr/share/mime/application/x-rollscribe.document.xml" 2>/dev/null || true)
[ "$comment" = "Player-piano roll scan" ] || fail "the roll scan type is described as '$comment'"
for name in roll.bar.txt roll.mid; do
    cp examples/evening_waltz.bar "$stage/files/$name"
    type=$(type_of "$stage/files/$name" standard::content-type)
    [ "$type" != application/x-rollscribe.document ] || fail "$name is taken for a roll scan"
done

# The installed converter on the example roll.
mkdir -p "$stage/demo"
cp examples/evening_waltz.bar examples/evening_waltz.ann "$stage/demo/"
if "$usr/bin/rollscribe-convert" -q "$stage/demo/evening_waltz.bar"; then
    magic=$(head -c 4 "$stage/demo/evening_waltz_BAR_e.mid" 2>/dev/null || true)
    [ "$magic" = MThd ] || fail "the installed converter wrote no MIDI file"
else
    fail "the installed converter failed on the example roll"
fi
# With --picture it opens its picture-and-sound module: found from where it is installed.
if "$usr/bin/rollscribe-convert" -q --picture svg "$stage/demo/evening_waltz.bar"; then
    grep -q 'class="hole"' "$stage/demo/evening_waltz_BAR_e.svg" 2>/dev/null ||
        fail "the installed converter wrote no picture"
else
    fail "the installed converter failed to write the example roll's picture"
fi
# The module takes the core and the expression code from the converter: no function of the
# program's own is defined (strongly) in both, so that there is one copy of each rule and its data.
strong_symbols() {
    nm -DC --defined-only "$1" | awk '$2 ~ /^[TDBR]$/ { $1 = ""; $2 = ""; print }' | sort -u
}
strong_symbols "$usr/bin/rollscribe-convert" >"$stage/converter.symbols"
strong_symbols "$usr/libexec/rollscribe/rollscribe-picture-sound.so" >"$stage/module.symbols"
twice=$(comm -12 "$stage/converter.symbols" "$stage/module.symbols" | grep 'rollscribe::' || true)
[ -z "$twice" ] || fail "defined in both the converter and its module: $(printf '%s\n' "$twice" | head -n 5)"

# The Debian package of the same build.
(cd "$build" && cpack -G DEB -B "$stage/package" >"$stage/cpack.log" 2>&1) ||
    fail "cpack failed: $(tail -n 20 "$stage/cpack.log")"
deb=$(ls "$stage"/package/rollscribe_*.deb 2>/dev/null | head -n 1)
if [ -n "$deb" ]; then
    contents=$(dpkg-deb -c "$deb")
    for f in bin/rollscribe-convert bin/rollscribe libexec/rollscribe/rollscribe-picture-sound.so \
        share/man/man1/rollscribe-convert.1.gz bin/rollscribe-play share/man/man1/rollscribe-play.1.gz \
        share/man/man1/rollscribe.1.gz share/applications/rollscribe.desktop \
        share/mime/packages/rollscribe.xml share/doc/rollscribe/copyright; do
        printf '%s\n' "$contents" | grep -q " \./usr/$f\$" || fail "the package lacks /usr/$f"
    done
    if printf '%s\n' "$contents" | grep -q ' \./usr/local/'; then
        fail "the package installs under /usr/local"
    fi
    depends=$(dpkg-deb -f "$deb" Depends)
    for library in libc6 libstdc++6 libwxgtk; do
        case "$depends" in
            *"$library"*) ;;
            *) fail "the package does not depend on $library: Depends: $depends" ;;
        esac
    done
    case "$(dpkg-deb -f "$deb" Recommends)" in
        *sf2-soundfont-gm*) ;;
        *) fail "the package does not recommend a General MIDI sound font" ;;
    esac
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] ||
        fail "the package's version is $(dpkg-deb -f "$deb" Version), not $version"
    # lintian: no error, and none of the tags once reported and mended, whatever their level;
    # any other tag is shown. (Its exit status is 1 for errors, 2 when it could not check.)
    mended="no-changelog|extended-description-line-too-long|debian-changelog-line-too-long"
    mended="$mended|hardening-no-[a-z-]*|binary-has-unneeded-section"
    status=0
    lintian --pedantic --display-info --display-experimental "$deb" >"$stage/lintian.txt" 2>&1 ||
        status=$?
    if [ "$status" -gt 1 ]; then
        fail "lintian could not check the package: $(tail -n 5 "$stage/lintian.txt")"
    fi
    tags=$(grep -E "^E: |^[A-Z]: rollscribe[^:]*: ($mended)( |\$)" "$stage/lintian.txt" || true)
    [ -z "$tags" ] || fail "lintian: $tags"
    grep -E '^[A-Z]: ' "$stage/lintian.txt" >&2 || true
else
    fail "cpack made no rollscribe_*.deb"
fi

if [ "$failures" -ne 0 ]; then
    echo "check-install: $failures problem(s)" >&2
    exit 1
fi
echo "check-install: installation, documents, version, manual pages, desktop entry, MIME type and package OK"
