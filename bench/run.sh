#!/usr/bin/env bash
# The benchmark behind `make bench`: generates the large modules, converts each
# with romcast and, from the same image as a raw binary file, with the floor
# program, objcopy and srec_cat; prints one table.
#
#   bench/run.sh BUILD_DIR        (RUNS=n sets the timed runs per command, default 5)
#
# Times are medians of RUNS runs (hyperfine when installed, else timed here);
# peak memory is the maximum resident set of one run (/usr/bin/time).
set -euo pipefail

build=${1:-build}
runs=${RUNS:-5}
romcast=$build/romcast
gen=$build/bench/genModule
floor=$build/bench/floor
for program in "$romcast" "$gen" "$floor"; do
  [ -x "$program" ] || { echo "bench: $program is missing; build first (make build)"; exit 1; }
done

work=$build/bench-work
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# Peers: each one found, or skipped with a line that says so.
have() { command -v "$1" >/dev/null 2>&1; }
peers_note=""
have objcopy || peers_note="$peers_note objcopy (package binutils) missing: its columns show '-'."$'\n'
have srec_cat || peers_note="$peers_note srec_cat (package srecord) missing: its columns show '-'."$'\n'
if have hyperfine; then timer=hyperfine; else
  timer=script
  peers_note="$peers_note hyperfine missing: times are taken by this script (date +%s%N)."$'\n'
fi
if [ -x /usr/bin/time ]; then peak=yes; else
  peak=no
  peers_note="$peers_note /usr/bin/time (package time) missing: no peak memory."$'\n'
fi
[ -z "$peers_note" ] || printf 'bench: skipped or replaced:\n%s' "$peers_note"

# median_ms COMMAND...: the median wall time of the command in milliseconds.
median_ms() {
  if [ "$timer" = hyperfine ]; then
    hyperfine -N --runs "$runs" --warmup 1 --style none --export-csv "$work/time.csv" -- "$*" >/dev/null 2>&1 ||
      { echo "-"; return; }
    awk -F, 'NR == 2 { printf "%.1f", $4 * 1000 }' "$work/time.csv"
  else
    local times=() i start end
    "$@" >/dev/null 2>&1 || { echo "-"; return; }  # the warm-up run
    for ((i = 0; i < runs; i++)); do
      start=$(date +%s%N)
      "$@" >/dev/null 2>&1 || { echo "-"; return; }
      end=$(date +%s%N)
      times+=($(((end - start) / 1000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "%.1f", t[int((NR + 1) / 2)] / 1000 }'
  fi
}

# peak_kib COMMAND...: the peak resident memory of one run in KiB.
peak_kib() {
  if [ "$peak" = yes ]; then
    /usr/bin/time -f %M -o "$work/peak" "$@" >/dev/null 2>&1 && cat "$work/peak" || echo "-"
  else
    echo "-"
  fi
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-" || b == 0) print "-"; else printf "%.2f", a / b }'; }

# Results kept for the target lines: key -> value.
declare -A result

# run_case NAME GENCASE FORM LENGTH [ROMCAST OPTIONS...]
#   FORM is mot, hex or bin; LENGTH the data bytes per record (16 or 32).
run_case() {
  local name=$1 gencase=$2 form=$3 length=$4
  shift 4
  local module=$work/$gencase.tqx image=$work/$gencase.bin
  [ -f "$module" ] || "$gen" "$gencase" "$module" "$image"
  local size
  size=$(stat -c %s "$image")
  local out=$work/out.$form

  local t_rom t_floor t_objcopy="-" t_srec="-" kib same
  t_rom=$(median_ms "$romcast" -. "$@" -o "$out" "$module")
  kib=$(peak_kib "$romcast" -. "$@" -o "$out" "$module")
  t_floor=$(median_ms "$floor" "$form" "$length" "$image" "$work/floor.$form")
  "$romcast" -. "$@" -o "$out" "$module" >/dev/null
  if cmp -s "$out" "$work/floor.$form"; then same=yes; else same=NO; fi

  if have objcopy; then
    case $form in
      mot) t_objcopy=$(median_ms objcopy -I binary -O srec --srec-len="$length" "$image" "$work/objcopy.$form") ;;
      hex) t_objcopy=$(median_ms objcopy -I binary -O ihex "$image" "$work/objcopy.$form") ;;
      bin) t_objcopy=$(median_ms objcopy -I binary -O binary "$image" "$work/objcopy.$form") ;;
    esac
  fi
  if have srec_cat; then
    case $form in
      mot) t_srec=$(median_ms srec_cat "$image" -binary -o "$work/srec.$form" -motorola -address-length=3 -obs="$length") ;;
      hex) t_srec=$(median_ms srec_cat "$image" -binary -o "$work/srec.$form" -intel -obs="$length") ;;
      bin) t_srec=$(median_ms srec_cat "$image" -binary -o "$work/srec.$form" -binary) ;;
    esac
  fi
  rm -f "$out" "$work"/floor.* "$work"/objcopy.* "$work"/srec.*

  local mbs
  mbs=$(awk -v s="$size" -v t="$t_rom" 'BEGIN { printf "%.0f", s / 1e6 / (t / 1000) }')
  printf '| %-30s | %8s | %6s | %8s | %8s | %8s | %8s | %6s | %6s | %6s | %4s |\n' \
    "$name" "$t_rom" "$mbs" "$kib" "$t_floor" "$t_objcopy" "$t_srec" \
    "$(ratio "$t_rom" "$t_floor")" "$(ratio "$t_rom" "$t_objcopy")" "$(ratio "$t_rom" "$t_srec")" "$same"
  result[$name.rom]=$t_rom
  result[$name.kib]=$kib
  result[$name.floor]=$(ratio "$t_rom" "$t_floor")
  result[$name.objcopy]=$(ratio "$t_rom" "$t_objcopy")
  result[$name.srec]=$(ratio "$t_rom" "$t_srec")
}

echo "romcast benchmark: $(nproc) cores, $(lscpu 2>/dev/null | sed -n 's/^Model name: *//p' | head -1), $runs runs a command, median"
echo
printf '| %-30s | %8s | %6s | %8s | %8s | %8s | %8s | %6s | %6s | %6s | %4s |\n' \
  case "romcast" "MB/s" "peak KiB" "floor" "objcopy" "srec_cat" "/floor" "/objc" "/srec" "=flr"
printf '|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|\n' -------------------------------- ---------: -------: ---------: \
  ---------: ---------: ---------: -------: -------: -------: -----:

run_case "bulk 16 MiB, S-records" bulk16 mot 16
run_case "bulk 16 MiB, S-records -L" bulk16 mot 32 -L
run_case "bulk 16 MiB, Intel HEX" bulk16 hex 16 -H
run_case "bulk 16 MiB, Intel HEX -L (1)" bulk16 hex 32 -H -L
run_case "bulk 16 MiB, binary (2)" bulk16 bin 16 -B
rm -f "$work"/bulk16.*
run_case "bulk 1 MiB, S-records" bulk1 mot 16
run_case "linker-like 1 MiB, S-records" linker mot 16
run_case "1,000,000 units in order" units1000000 mot 16
rm -f "$work"/units1000000.*
run_case "1,000,000 units reversed" units1000000r mot 16
rm -f "$work"/units1000000r.*
run_case "gaps over 16 MiB, -F FF" gaps mot 16 -F FF
run_case "RE-heavy 16 MiB" repeat mot 16

echo
echo "Times in ms (median); MB/s of image; /floor, /objc, /srec: romcast's time over the peer's;"
echo "=flr: romcast's output is byte for byte the floor program's."
echo "(1) objcopy has no record length for Intel HEX and writes 16 bytes a record."
echo "(2) \"-B\" and \"-L\" cannot be combined; the record length does not apply to a binary image."
echo

# The targets of the bulk case.
check() {  # check TEXT OK
  if [ "$2" = 1 ]; then echo "target met:     $1"; else echo "target NOT met: $1"; fi
}
cmpf() { awk -v a="$1" -v b="$2" "BEGIN { print (a != \"-\" && b != \"-\" && a $3 b) ? 1 : 0 }"; }
for name in "bulk 16 MiB, S-records" "bulk 16 MiB, Intel HEX" "bulk 16 MiB, binary (2)"; do
  [ "${result[$name.objcopy]}" = "-" ] ||
    check "$name: no slower than objcopy (${result[$name.objcopy]})" "$(cmpf "${result[$name.objcopy]}" 1 '<=')"
  [ "${result[$name.srec]}" = "-" ] ||
    check "$name: 10x faster than srec_cat (${result[$name.srec]})" "$(cmpf "${result[$name.srec]}" 0.1 '<=')"
  check "$name: within 1.5x of the floor (${result[$name.floor]})" "$(cmpf "${result[$name.floor]}" 1.5 '<=')"
done
for name in "1,000,000 units in order" "1,000,000 units reversed"; do
  check "$name: under 3 s (${result[$name.rom]} ms)" "$(cmpf "${result[$name.rom]}" 3000 '<')"
done
if [ "$peak" = yes ]; then
  grow=$((result["bulk 16 MiB, S-records.kib"] - result["bulk 1 MiB, S-records.kib"]))
  check "peak memory 16 MiB vs 1 MiB within 4 MiB (+$grow KiB)" "$(cmpf "$grow" 4096 '<=')"
fi
