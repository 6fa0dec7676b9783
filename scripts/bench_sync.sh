#!/bin/bash
# Measures what --sync costs: the converter on a batch of generated rolls and on one large roll,
# with and without --sync, alternately, each run on a fresh folder of hard links after a sync.
# Usage: scripts/bench_sync.sh BINDIR [WORKDIR] [ROUNDS]   (BINDIR holds rollscribe-convert and
# rollscribe-genroll; WORKDIR should be on the disk to be measured, default build/sync-bench)
set -eu
bin=$(cd "$1" && pwd)
work=${2:-build/sync-bench}
rounds=${3:-5}
mkdir -p "$work" && cd "$work"
[ -d src ] || "$bin/rollscribe-genroll" --batch 200 --seed 1 src >/dev/null
[ -f big.bar ] || "$bin/rollscribe-genroll" --size 20M --seed 2 big.bar >/dev/null
seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for _ in $(seq "$rounds"); do
    for mode in plain sync; do
        opt=()
        [ "$mode" = sync ] && opt=(--sync)
        rm -rf run one && mkdir run one && ln src/* run/ && ln big.bar big.ann one/
        sync
        echo "batch $mode $(seconds "$bin/rollscribe-convert" -q -j1 "${opt[@]}" run/*.bar)"
        sync
        echo "big $mode $(seconds "$bin/rollscribe-convert" -q "${opt[@]}" one/big.bar)"
    done
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
