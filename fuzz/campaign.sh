#!/bin/sh
# A fuzzing campaign with AFL++ over romcast_fuzz (see README.md).
#   campaign.sh <fuzz build dir> <modasm> <seconds> [<campaign dir>]
# Seeds: every test module of the suite and the example (only the example with
# FUZZ_SEEDS=examples), each under every option set. A campaign directory that
# holds findings is continued. Findings end up in
# <campaign dir>/findings/default/{crashes,hangs}; the exit status is 1 when
# there are any.
set -eu
build=$1
modasm=$2
seconds=$3
source_dir=$(cd "$(dirname "$0")/.." && pwd)
campaign=${4:-$build/campaign}
target=$(cd "$build" && pwd)/fuzz/romcast_fuzz
option_sets=10   # the number of option sets in fuzzMain.cpp

command -v afl-fuzz >/dev/null 2>&1 || { echo "afl-fuzz is not installed (apt-get install afl++)"; exit 1; }
[ -x "$target" ] || { echo "no fuzzing entry at $target"; exit 1; }

mkdir -p "$campaign"
campaign=$(cd "$campaign" && pwd)
seeds=$campaign/seeds
rm -rf "$seeds" "$campaign/work"
mkdir -p "$seeds" "$campaign/work"

# A module of every case and the example, one seed per option set. Options the
# module is made for come through the option set that matches them best; the
# fuzzer finds the others.
texts="$source_dir/tests/e2e/cases/*/*/in/*.tqx.txt $source_dir/examples/*.tqx.txt"
[ "${FUZZ_SEEDS:-all}" = examples ] && texts="$source_dir/examples/*.tqx.txt"
n=0
for text in $texts; do
    [ -f "$text" ] || continue
    n=$((n + 1))
    "$modasm" "$text" "$campaign/module.tqx" >/dev/null 2>&1 || continue
    set_index=0
    while [ $set_index -lt $option_sets ]; do
        { printf "\\$(printf %o $set_index)"; cat "$campaign/module.tqx"; } > "$seeds/m${n}s${set_index}"
        set_index=$((set_index + 1))
    done
done
rm -f "$campaign/module.tqx"
# Equal modules made equal seeds; afl-fuzz reads each once all the same.
echo "seeds: $(ls "$seeds" | wc -l)"

# The sanitizers must abort, so that afl-fuzz sees a crash and not an exit status.
export ASAN_OPTIONS=abort_on_error=1:symbolize=0:detect_leaks=0:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:symbolize=0
export AFL_SKIP_CPUFREQ=1 AFL_NO_AFFINITY=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1
export AFL_NO_UI=1 AFL_QUIET=1 AFL_SKIP_CRASHES=1
# An existing campaign is continued rather than started over.
input=$seeds
[ -d "$campaign/findings/default/queue" ] && input=-
cd "$campaign/work"
afl-fuzz -i "$input" -o "$campaign/findings" -V "$seconds" -t 2000 -m none -- "$target" @@ \
    > "$campaign/afl.log" 2>&1 || { tail -20 "$campaign/afl.log"; exit 1; }
stats=$campaign/findings/default/fuzzer_stats
grep -E '^(execs_done|execs_per_sec|corpus_count|bitmap_cvg|edges_found|total_edges|saved_crashes|saved_hangs|run_time)' "$stats"
crashes=$(ls "$campaign/findings/default/crashes" | grep -c '^id' || true)
hangs=$(ls "$campaign/findings/default/hangs" | grep -c '^id' || true)
echo "crashes: $crashes, hangs: $hangs (in $campaign/findings/default)"
[ "$crashes" -eq 0 ] && [ "$hangs" -eq 0 ]
