#!/bin/sh
# A libFuzzer campaign over romcast_fuzz (see README.md).
#   campaign.sh <fuzz build dir> <modasm> <seconds> [<campaign dir>]
# Seeds: every test module of the suite and the examples (only the examples
# and the fuzz case folders with FUZZ_SEEDS=examples), each under every option
# set. The fuzz case folders hold the shapes the cross-check allows for, so that
# even a short smoke holds the pre-flight to name each. The corpus of a
# campaign directory is continued by the next campaign. A finding is written
# to <campaign dir>/findings/ and ends the campaign with a non-zero status.
set -eu
build=$1
modasm=$2
seconds=$3
source_dir=$(cd "$(dirname "$0")/.." && pwd)
campaign=${4:-$build/campaign}
target=$(cd "$build" && pwd)/fuzz/romcast_fuzz
option_sets=11   # the number of option sets in fuzzTarget.cpp

[ -x "$target" ] || { echo "no fuzzing target at $target"; exit 1; }

mkdir -p "$campaign"
campaign=$(cd "$campaign" && pwd)
seeds=$campaign/seeds
rm -rf "$seeds"
mkdir -p "$seeds" "$campaign/corpus" "$campaign/findings"

# A module of every case and the examples, one seed per option set. Options the
# module is made for come through the option set that matches them best; the
# fuzzer finds the others.
texts="$source_dir/tests/e2e/cases/*/*/in/*.tqx.txt $source_dir/examples/*.tqx.txt"
[ "${FUZZ_SEEDS:-all}" = examples ] && texts="$source_dir/examples/*.tqx.txt $source_dir/tests/e2e/cases/fuzz/*/in/*.tqx.txt"
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
echo "seeds: $(ls "$seeds" | wc -l), corpus: $(ls "$campaign/corpus" | wc -l)"

# The sanitizers abort, so that libFuzzer sees a crash and keeps the input. A
# small quarantine keeps freed memory in use again soon: with the default of
# 256 MiB every run touched fresh pages, which cost more than the run itself;
# a use after free within one run is still caught.
export ASAN_OPTIONS=abort_on_error=1:symbolize=1:allocator_may_return_null=1:quarantine_size_mb=8
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1
# New inputs go into the corpus (the first directory); the seeds are read only.
# The log keeps libFuzzer's progress lines; the final statistics are printed.
status=0
"$target" -max_total_time="$seconds" -timeout=2 -print_final_stats=1 \
    -artifact_prefix="$campaign/findings/" "$campaign/corpus" "$seeds" \
    > "$campaign/fuzz.log" 2>&1 || status=$?
grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)' "$campaign/fuzz.log" || true
grep '^stat::' "$campaign/fuzz.log" || true
grep '^romcast fuzz: [0-9]* inputs' "$campaign/fuzz.log" || true
findings=$(ls "$campaign/findings" | wc -l)
echo "findings: $findings (in $campaign/findings), log: $campaign/fuzz.log"
# A campaign in which no input converts explores nothing but the refusals: the
# target no longer reaches the converter (its file system, say), which is a
# finding of its own.
converted=$(sed -n 's/^romcast fuzz: .* \([0-9]*\) converted.*/\1/p' "$campaign/fuzz.log" | tail -1)
if [ "${converted:-0}" -eq 0 ]; then
    echo "fuzz: no input converted: the target does not reach the converter"
    status=1
fi
if [ $status -ne 0 ] || [ "$findings" -ne 0 ]; then
    tail -40 "$campaign/fuzz.log"
    exit 1
fi
