#!/usr/bin/env bash
# The mutation run (mutation/README.md). Every mutant of src/, or a seeded
# sample of them, is applied alone to a scratch copy of the tree, built there
# incrementally and run against the fast suite under a time limit.
#   MUTANTS         how many, a seeded sample; empty or 0: every mutant
#   SEED            the sample's seed (1)
#   JOBS            build jobs (2)
#   MUTANTS_BUILD   the scratch directory (build-mutants)
#   MUTANT_SECONDS  the suite's time limit (ten times an unmutated run, and 20 s more)
#   RERUN           an earlier run's results file: only its survivors run again
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mkdir -p "${MUTANTS_BUILD:-$root/build-mutants}" && cd "${MUTANTS_BUILD:-$root/build-mutants}" && pwd)
tree=$work/tree
build=$work/build
jobs=${JOBS:-2}
# The fast suite: the unit tests, and the case folders run in process. Left out
# are the case folders each run by a process of its own (the in-process run
# covers the same folders), the sweep of damaged modules, which takes minutes,
# and the fault tests that interrupt runs, which take seconds and wait on time.
# The option, name and other fault tests start the program, in 70 ms.
filter='-Cases/EndToEnd.*:Modules/Sweep.*:Faults.InterruptOrKill*:Faults.AnInterrupt*'
started=$(date +%s)

# The files of the tree, each ended by a NUL (a case name may hold a backslash):
# those git knows of (tracked, or new and not ignored), or without git
# everything but the build directories.
listSources() {
  if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
    git -C "$root" ls-files -z --cached --others --exclude-standard | while IFS= read -r -d "" f; do
      [ -f "$root/$f" ] && printf "%s\0" "$f"; done
  else
    (cd "$root" && find . \( -path "./build*" -o -path ./.git \) -prune -o -type f -printf "%P\0")
  fi | sort -z
}

# The scratch tree made equal to the tree. A file whose bytes are the same keeps
# its time, so only what changed is compiled again; one that differs, a mutant
# left by a stopped run included, is copied afresh and so compiled again.
echo "Copying the tree to $tree"
mkdir -p "$tree"
listSources > "$work/sources"
(cd "$tree" && find . -type f -printf "%P\0" | sort -z) | comm -z -13 "$work/sources" - |
  (cd "$tree" && xargs -r -0 rm -f --)
while IFS= read -r -d "" f; do
  cmp -s "$root/$f" "$tree/$f" || { mkdir -p "$tree/$(dirname "$f")" && cp "$root/$f" "$tree/$f"; }
done < "$work/sources"

# A mutant that mixes && and || without brackets is compiled as it reads.
echo "Building the unmutated tree in $build"
cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ -DROMCAST_BENCH=OFF \
  -DROMCAST_TESTS=ON -DCMAKE_CXX_FLAGS=-Wno-parentheses > "$work/configure.log" 2>&1 ||
  { cat "$work/configure.log"; exit 1; }
buildTests() { cmake --build "$build" --target romcast_tests -j "$jobs" > "$work/build.log" 2>&1; }
# A fault test stopped in the scratch directory by the time limit leaves its tmpfs mounted.
clearScratch() {
  awk -v dir="$work/scratch/" 'index($2, dir) == 1 {print $2}' /proc/mounts 2>/dev/null |
    xargs -r -n 1 umount -l 2>/dev/null || true
  rm -rf "$work/scratch"
}
# The programs a suite stopped by the time limit had started (a mutant's
# endless loop among them) would run on beside every later mutant.
stopLeftovers() { pkill -KILL -f "^$build/" 2>/dev/null || true; }
# In a subshell of its own, which keeps the shell's note of a crash (the
# mutant's doing) off the progress lines.
# The tests' scratch directories go into one of the run's own, emptied after
# every mutant: a suite stopped by the time limit cannot remove its own, and a
# mutant that writes without end would fill the disk.
runSuite() {
  clearScratch && mkdir -p "$work/scratch"
  (TMPDIR="$work/scratch" timeout -k 5 "$1" "$build/tests/romcast_tests" --gtest_filter="$filter" \
    --gtest_fail_fast --gtest_brief=1 > "$work/suite.log" 2>&1; status=$?; stopLeftovers; clearScratch; exit $status) \
    2>/dev/null
}
buildTests || { cat "$work/build.log"; echo "The unmutated tree does not build"; exit 1; }
before=$(date +%s%N)
runSuite 600 || { cat "$work/suite.log"; echo "The fast suite fails on the unmutated tree"; exit 1; }
suiteMs=$(( ($(date +%s%N) - before) / 1000000 ))
limit=${MUTANT_SECONDS:-$(( suiteMs / 100 + 20 ))}
echo "The fast suite takes $suiteMs ms unmutated; a mutant's run is stopped after $limit s"

(cd "$tree" && find src \( -name '*.cpp' -o -name '*.h' \) ! -path 'src/platform/windows*' | sort) > "$work/files"
total=$(cd "$tree" && perl "$root/mutation/mutants.pl" $(cat "$work/files") | wc -l)
(cd "$tree" && SAMPLE=${MUTANTS:-0} SEED=${SEED:-1} perl "$root/mutation/mutants.pl" $(cat "$work/files")) > "$work/mutants"
# The survivors of an earlier run, taken before this run's results replace them.
if [ -n "${RERUN:-}" ]; then
  awk -F'\t' -v OFS='\t' '$1 == "survived" {print $2, $3, $4, $5, $6}' "$RERUN" > "$work/mutants.rerun"
  mv "$work/mutants.rerun" "$work/mutants"
fi
count=$(wc -l < "$work/mutants")
if [ -n "${RERUN:-}" ]; then echo "$count of $total mutants, the survivors in $RERUN"
else echo "$count of $total mutants$([ "$count" -lt "$total" ] && echo ", a sample with seed ${SEED:-1}")"; fi

# The mutants come in file order: the file's own bytes come back only when the
# run moves on to another file, or ends however it ends.
current=""
restore() { [ -z "$current" ] || cp "$work/original" "$tree/$current"; current=""; }
trap restore EXIT
trap 'exit 130' INT TERM
n=0 killed=0 survived=0 uncompiled=0 timedOut=0
: > "$work/results"
while IFS=$'\t' read -r file line operator original mutated; do
  n=$((n + 1))
  if [ "$file" != "$current" ]; then
    restore
    cp "$tree/$file" "$work/original"
    current=$file
  fi
  LINE=$line TEXT=$mutated perl -pe '$_ = "$ENV{TEXT}\n" if $. == $ENV{LINE}' "$work/original" > "$tree/$file"
  if ! buildTests; then
    outcome="not compiled"; uncompiled=$((uncompiled + 1))
  else
    status=0
    runSuite "$limit" || status=$?
    case $status in
      0) outcome=survived; survived=$((survived + 1)) ;;
      124|137) outcome="timed out"; timedOut=$((timedOut + 1)) ;;
      *) outcome=killed; killed=$((killed + 1)) ;;
    esac
  fi
  printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$outcome" "$file" "$line" "$operator" "$original" "$mutated" >> "$work/results"
  printf '[%d/%d] %-12s %s:%s %s  (killed %d, survived %d, not compiled %d, timed out %d)\n' \
    "$n" "$count" "$outcome" "$file" "$line" "$operator" "$killed" "$survived" "$uncompiled" "$timedOut"
done < "$work/mutants"
restore

perl "$root/mutation/report.pl" "$work/results" "$root/mutation/equivalent.txt" "$total" "${SEED:-1}" \
  "$(( $(date +%s) - started ))" "$tree" | tee "$work/report.txt"
