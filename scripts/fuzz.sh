#!/bin/sh
# Runs the fuzz targets, each for a bounded time, on their seed corpora.
#
#   scripts/fuzz.sh [TARGET|all] [SECONDS]     (defaults: all, 60)
#
# TARGET is annotation_reader, roll_parser or conversion. The targets are built first with the
# fuzz preset (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer).
# The committed seeds in fuzz/corpus/TARGET are only read: new inputs go to a scratch corpus that
# is thrown away, unless FUZZ_KEEP=DIR is set (then they are kept in DIR/TARGET). An input that
# breaks a target is saved in build-fuzz/findings/TARGET/ and the script exits with status 1;
# keep it as a regression test in tests/regressions/TARGET/ once the fault is fixed.
# Each target's full output is in build-fuzz/logs/TARGET.log.
set -eu
cd "$(dirname "$0")/.."

TARGETS="annotation_reader roll_parser conversion profile_reader"
which=${1:-all}
seconds=${2:-60}
case "$which" in
    all) selected=$TARGETS ;;
    annotation_reader | roll_parser | conversion | profile_reader) selected=$which ;;
    *) echo "usage: $0 [all|annotation_reader|roll_parser|conversion|profile_reader] [SECONDS]" >&2; exit 2 ;;
esac
case "$seconds" in
    '' | *[!0-9]*) echo "$0: SECONDS must be a whole number" >&2; exit 2 ;;
esac

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

# Scratch space for the targets' files and the growing corpora: memory-backed where possible.
base=/dev/shm
[ -d "$base" ] && [ -w "$base" ] || base=${TMPDIR:-/tmp}
scratch=$(mktemp -d "$base/rollscribe-fuzz-run-XXXXXX")
trap 'rm -rf "$scratch"' EXIT INT TERM

mkdir -p build-fuzz/logs
status=0
passed=0
failed=0
printf '%-18s %8s %12s %10s %14s  %s\n' target seconds executions exec/s corpus result
for target in $selected; do
    seeds=fuzz/corpus/$target
    work=$scratch/corpus-$target
    findings=build-fuzz/findings/$target
    log=build-fuzz/logs/$target.log
    mkdir -p "$work" "$findings" "$scratch/files-$target"
    dict=""
    case "$target" in
        annotation_reader | conversion) dict="-dict=fuzz/annotation.dict" ;;
        profile_reader) dict="-dict=fuzz/profile.dict" ;;
    esac
    result=ok
    # shellcheck disable=SC2086
    if ! ROLLSCRIBE_FUZZ_SCRATCH="$scratch/files-$target" \
        build-fuzz/bin/fuzz_$target -max_total_time="$seconds" -print_final_stats=1 \
        -timeout=10 -rss_limit_mb=4096 -max_len=8192 $dict \
        -artifact_prefix="$findings/" "$work" "$seeds" >"$log" 2>&1; then
        result="FINDING (see $findings/ and $log)"
        status=1
    fi
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    corpus=$(grep -E '^#[0-9]+' "$log" | tail -n 1 | sed -n 's/.*corp: \([0-9]*\/[0-9a-zA-Z]*\).*/\1/p')
    printf '%-18s %8s %12s %10s %14s  %s\n' "$target" "$seconds" "${executions:-?}" "${rate:-?}" \
        "${corpus:-?}" "$result"
    if [ "$result" = ok ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
    if [ "$result" != ok ]; then
        grep -E 'finding:|ERROR|SUMMARY|runtime error' "$log" | head -n 20 >&2 || true
    fi
    if [ -n "${FUZZ_KEEP:-}" ]; then
        mkdir -p "$FUZZ_KEEP/$target"
        cp "$work"/* "$FUZZ_KEEP/$target/" 2>/dev/null || true
    fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
