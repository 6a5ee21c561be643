#!/usr/bin/env bash
# The benchmark behind `make bench`: generates the large modules, converts each
# with romcast and the image it loads with objcopy (from the raw binary file and
# from an ELF file), srec_cat and the floor program; prints one table and a line
# for every target.
#
#   bench/run.sh BUILD_DIR
#
# RUNS=n sets the timed runs per command (default 11); BASELINE=path times
# another romcast (an earlier build) beside this one; BENCH_DIR sets where the
# files go (default: a directory in /dev/shm when there is one, so that no
# program's time includes waiting for the disk).
#
# A second table times romcast writing to a disk (DISK_DIR, default the build
# directory) as it runs, syncing every image before its rename and the
# directory after, beside the same run with the syncs made to return at once
# (bench/noSync.cpp, preloaded): the cost of a durable commit.
#
# Every run of a case goes round all the programs in turn, so that the load of
# the machine falls on each of them alike; times are medians, ratios are ratios
# of medians. Peak memory is the maximum resident set of one run
# (/usr/bin/time), the module's own pages included.
set -euo pipefail

build=${1:-build}
runs=${RUNS:-11}
romcast=$build/romcast
gen=$build/bench/genModule
floor=$build/bench/floor
no_sync=$build/bench/libnoSync.so
baseline=${BASELINE:-}
for program in "$romcast" "$gen" "$floor" ${baseline:+"$baseline"}; do
  [ -x "$program" ] || { echo "bench: $program is missing; build first (make build)"; exit 1; }
done
[ -f "$no_sync" ] || { echo "bench: $no_sync is missing; build first (make build)"; exit 1; }

if [ -n "${BENCH_DIR:-}" ]; then base=$BENCH_DIR
elif [ -d /dev/shm ] && [ -w /dev/shm ]; then base=/dev/shm
else base=$build; fi
work=$(mktemp -d "$base/romcast-bench.XXXXXX")
disk=$(mktemp -d "${DISK_DIR:-$build}/romcast-bench-disk.XXXXXX")
trap 'rm -rf "$work" "$disk"' EXIT

# Peers: each one found, or skipped with a line that says so.
have() { command -v "$1" >/dev/null 2>&1; }
notes=""
have objcopy || notes="$notes objcopy (package binutils) missing: its columns show '-'."$'\n'
have srec_cat || notes="$notes srec_cat (package srecord) missing: its column shows '-'."$'\n'
if [ -x /usr/bin/time ]; then peak=yes; else
  peak=no
  notes="$notes /usr/bin/time (package time) missing: no peak memory."$'\n'
fi
[ -z "$notes" ] || printf 'bench: skipped:\n%s' "$notes"

# elapsed_us COMMAND...: the wall time of one run in microseconds, or "-" when
# it fails. Bash's own clock: no process is started around the command.
elapsed_us() {
  local start=$EPOCHREALTIME end
  "$@" >/dev/null 2>&1 || { echo "-"; return; }
  end=$EPOCHREALTIME
  echo $((10#${end/./} - 10#${start/./}))
}

# median_ms TIMES...: the median of microsecond times, in milliseconds.
median_ms() {
  case " $* " in *" - "*) echo "-"; return ;; esac
  printf '%s\n' "$@" | sort -n | awk '{ t[NR] = $1 } END { printf "%.1f", t[int((NR + 1) / 2)] / 1000 }'
}

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
  local module=$work/$gencase.tqx image=$work/$gencase.bin elf=$work/$gencase.elf
  if [ ! -f "$module" ]; then
    "$gen" "$gencase" "$module" "$image"
    ! have objcopy || objcopy -I binary -O elf32-little --change-addresses 0 "$image" "$elf"
  fi
  local size module_kib
  size=$(stat -c %s "$image")
  module_kib=$(($(stat -c %s "$module") / 1024))

  # The commands of the case, by column.
  local -a rom=("$romcast" -. "$@" -o "$work/out.$form" "$module")
  local -a before=()
  [ -z "$baseline" ] || before=("$baseline" -. "$@" -o "$work/before.$form" "$module")
  local -a flr=("$floor" "$form" "$length" "$image" "$work/floor.$form")
  local -a objc=() objc_elf=() srec=()
  if have objcopy; then
    case $form in
      mot) objc=(objcopy -I binary -O srec --srec-len="$length" "$image" "$work/objcopy.$form")
           objc_elf=(objcopy -I elf32-little -O srec --srec-len="$length" "$elf" "$work/objelf.$form") ;;
      hex) objc=(objcopy -I binary -O ihex "$image" "$work/objcopy.$form")
           objc_elf=(objcopy -I elf32-little -O ihex "$elf" "$work/objelf.$form") ;;
      bin) objc=(objcopy -I binary -O binary "$image" "$work/objcopy.$form")
           objc_elf=(objcopy -I elf32-little -O binary "$elf" "$work/objelf.$form") ;;
    esac
  fi
  if have srec_cat; then
    case $form in
      mot) srec=(srec_cat "$image" -binary -o "$work/srec.$form" -motorola -address-length=3 -obs="$length") ;;
      hex) srec=(srec_cat "$image" -binary -o "$work/srec.$form" -intel -obs="$length") ;;
      bin) srec=(srec_cat "$image" -binary -o "$work/srec.$form" -binary) ;;
    esac
  fi

  # One warm-up round, then the timed rounds, every program once a round.
  local -a t_rom=() t_before=() t_floor=() t_objc=() t_elf=() t_srec=()
  local round
  for ((round = 0; round <= runs; round++)); do
    local a b c d e f
    a=$(elapsed_us "${rom[@]}")
    b=$([ ${#before[@]} -eq 0 ] && echo "-" || elapsed_us "${before[@]}")
    c=$(elapsed_us "${flr[@]}")
    d=$([ ${#objc[@]} -eq 0 ] && echo "-" || elapsed_us "${objc[@]}")
    e=$([ ${#objc_elf[@]} -eq 0 ] && echo "-" || elapsed_us "${objc_elf[@]}")
    f=$([ ${#srec[@]} -eq 0 ] && echo "-" || elapsed_us "${srec[@]}")
    [ "$round" -eq 0 ] && continue
    t_rom+=("$a") t_before+=("$b") t_floor+=("$c") t_objc+=("$d") t_elf+=("$e") t_srec+=("$f")
  done
  local m_rom m_before m_floor m_objc m_elf m_srec kib same
  m_rom=$(median_ms "${t_rom[@]}")
  m_before=$(median_ms "${t_before[@]}")
  m_floor=$(median_ms "${t_floor[@]}")
  m_objc=$(median_ms "${t_objc[@]}")
  m_elf=$(median_ms "${t_elf[@]}")
  m_srec=$(median_ms "${t_srec[@]}")
  kib=$(peak_kib "${rom[@]}")
  "${rom[@]}" >/dev/null 2>&1 || true
  if cmp -s "$work/out.$form" "$work/floor.$form"; then same=yes; else same=NO; fi
  rm -f "$work"/out.* "$work"/before.* "$work"/floor.* "$work"/objcopy.* "$work"/objelf.* "$work"/srec.*

  local mbs over="-"
  mbs=$(awk -v s="$size" -v t="$m_rom" 'BEGIN { if (t == "-") print "-"; else printf "%.0f", s / 1e6 / (t / 1000) }')
  [ "$kib" = "-" ] || over=$((kib - module_kib))
  local cols=("$name" "$m_rom" "$mbs" "$kib" "$over" "$m_floor" "$m_objc" "$m_elf" "$m_srec")
  cols+=("$(ratio "$m_rom" "$m_floor")" "$(ratio "$m_rom" "$m_objc")" "$(ratio "$m_rom" "$m_elf")")
  cols+=("$(ratio "$m_rom" "$m_srec")" "$same")
  [ -z "$baseline" ] || cols+=("$m_before" "$(ratio "$m_rom" "$m_before")")
  printf "$row_format" "${cols[@]}"
  result[$name.rom]=$m_rom
  result[$name.over]=$over
  result[$name.objcopy]=$(ratio "$m_rom" "$m_objc")
  result[$name.elf]=$(ratio "$m_rom" "$m_elf")
  result[$name.before]=$(ratio "$m_rom" "$m_before")
}

echo "romcast benchmark: $(nproc) cores, $(lscpu 2>/dev/null | sed -n 's/^Model name: *//p' | head -1)," \
  "load average $(cut -d ' ' -f 1-3 /proc/loadavg 2>/dev/null), $runs runs a command, median; files in $base"
echo
row_format='| %-30s | %8s | %5s | %8s | %7s | %7s | %7s | %7s | %8s | %6s | %5s | %5s | %5s | %4s |'
header=(case romcast MB/s "peak KiB" "+module" floor objcopy "objc ELF" srec_cat /floor /objc /elf /srec =flr)
rule='|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|'
rule_cols=(-------------------------------- ---------: ------: ---------: --------: --------: --------: --------:
  ---------: -------: ------: ------: ------: -----:)
if [ -n "$baseline" ]; then
  row_format="$row_format %7s | %6s |"
  header+=(before /before)
  rule="$rule%s|%s|"
  rule_cols+=(--------: -------:)
fi
row_format="$row_format\n"
printf "$row_format" "${header[@]}"
printf "$rule\n" "${rule_cols[@]}"

run_case "bulk 16 MiB, S-records" bulk16 mot 16
run_case "bulk 16 MiB, S-records -L" bulk16 mot 32 -L
run_case "bulk 16 MiB, Intel HEX" bulk16 hex 16 -H
run_case "bulk 16 MiB, Intel HEX -L (1)" bulk16 hex 32 -H -L
run_case "bulk 16 MiB, binary (2)" bulk16 bin 16 -B
rm -f "$work"/bulk16.*
run_case "bulk 1 MiB, S-records" bulk1 mot 16
run_case "linker-like 1 MiB, S-records" linker mot 16
run_case "real-linker 64 KiB, S-records" real64 mot 16
run_case "real-linker 16 MiB, S-records" real16384 mot 16
rm -f "$work"/real16384.*
run_case "1,000,000 units in order" units1000000 mot 16
rm -f "$work"/units1000000.*
run_case "1,000,000 units reversed" units1000000r mot 16
rm -f "$work"/units1000000r.*
run_case "gaps over 16 MiB, -F FF" gaps mot 16 -F FF
run_case "RE-heavy 16 MiB" repeat mot 16

echo
echo "Times in ms (median); MB/s of image; peak KiB: the largest resident set of one run, the"
echo "module's mapped pages included; +module: the peak less the module's size (KiB); objcopy"
echo "from the raw image, objc ELF from an ELF file of it; /floor, /objc, /elf, /srec: romcast's"
echo "time over the peer's; =flr: romcast's output is byte for byte the floor program's."
echo "(1) objcopy has no record length for Intel HEX and writes 16 bytes a record."
echo "(2) \"-B\" and \"-L\" cannot be combined; the record length does not apply to a binary image."
echo

# run_disk_case NAME GENCASE FORM [ROMCAST OPTIONS...]: the module read from
# the first table's directory, the image written to the disk, with and without
# the syncs, in turn each round.
run_disk_case() {
  local name=$1 gencase=$2 form=$3
  shift 3
  local module=$work/$gencase.tqx
  [ -f "$module" ] || "$gen" "$gencase" "$module" "$work/$gencase.bin"
  local -a rom=("$romcast" -. "$@" -o "$disk/out.$form" "$module")
  local -a t_sync=() t_none=()
  local round a b
  for ((round = 0; round <= runs; round++)); do
    a=$(elapsed_us "${rom[@]}")
    b=$(LD_PRELOAD=$no_sync elapsed_us "${rom[@]}")
    [ "$round" -eq 0 ] && continue
    t_sync+=("$a") t_none+=("$b")
  done
  rm -f "$disk"/out.* "$work/$gencase".*
  local m_sync m_none
  m_sync=$(median_ms "${t_sync[@]}")
  m_none=$(median_ms "${t_none[@]}")
  printf '| %-30s | %8s | %8s | %6s |\n' "$name" "$m_sync" "$m_none" "$(ratio "$m_sync" "$m_none")"
  result[$name.disk]=$(ratio "$m_sync" "$m_none")
}

echo "On the disk: files in $disk ($(df --output=fstype "$disk" 2>/dev/null | tail -1))"
echo
printf '| %-30s | %8s | %8s | %6s |\n' case romcast "no sync" /none
echo "|--------------------------------|---------:|---------:|-------:|"
run_disk_case "bulk 16 MiB, S-records" bulk16 mot
run_disk_case "bulk 16 MiB, Intel HEX" bulk16 hex -H
run_disk_case "bulk 16 MiB, binary" bulk16 bin -B
run_disk_case "real-linker 16 MiB, S-records" real16384 mot
run_disk_case "1,000,000 units in order" units1000000 mot
echo
echo "Times in ms (median): romcast syncing each image before its rename and the directory"
echo "after; no sync: the same run, its syncs returning at once; /none: the first over the second."
echo

check() {  # check TEXT OK
  if [ "$2" = 1 ]; then echo "target met:     $1"; else echo "target NOT met: $1"; fi
}
# at_most A B: 1 when both are numbers and A <= B.
at_most() { awk -v a="$1" -v b="$2" 'BEGIN { print (a != "-" && b != "-" && a + 0 <= b + 0) ? 1 : 0 }'; }
larger() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "-") ? b : (b == "-") ? a : (a + 0 > b + 0) ? a : b }'; }
# The ratio to the faster of the two objcopy runs: the harder comparison.
worst() { larger "${result[$1.objcopy]}" "${result[$1.elf]}"; }

for name in "bulk 16 MiB, S-records" "bulk 16 MiB, S-records -L" "bulk 16 MiB, Intel HEX" "bulk 16 MiB, Intel HEX -L (1)"; do
  check "$name: at most 0.6x objcopy ($(worst "$name"))" "$(at_most "$(worst "$name")" 0.6)"
done
for name in "linker-like 1 MiB, S-records" "real-linker 64 KiB, S-records" "real-linker 16 MiB, S-records"; do
  check "$name: at most 1.0x objcopy ($(worst "$name"))" "$(at_most "$(worst "$name")" 1.0)"
done
for name in "1,000,000 units in order" "1,000,000 units reversed"; do
  check "$name: at most 1.5x objcopy ($(worst "$name"))" "$(at_most "$(worst "$name")" 1.5)"
done

for key in "${!result[@]}"; do
  [[ $key == *.disk ]] || continue
  check "on the disk, ${key%.disk}: at most 1.2x without syncing (${result[$key]})" "$(at_most "${result[$key]}" 1.2)"
done

# Nothing slower than before: each case's ratio to objcopy (from the raw image)
# at most the one measured before the module was read from memory.
declare -A before_ratio=(
  ["bulk 16 MiB, S-records"]=0.50 ["bulk 16 MiB, S-records -L"]=0.46 ["bulk 16 MiB, Intel HEX"]=0.44
  ["bulk 16 MiB, Intel HEX -L (1)"]=0.48 ["bulk 16 MiB, binary (2)"]=1.53 ["bulk 1 MiB, S-records"]=1.06
  ["linker-like 1 MiB, S-records"]=5.66 ["1,000,000 units in order"]=6.28 ["1,000,000 units reversed"]=6.06
  ["gaps over 16 MiB, -F FF"]=0.52 ["RE-heavy 16 MiB"]=0.64)
slower=""
for name in "${!before_ratio[@]}"; do
  [ "$(at_most "${result[$name.objcopy]}" "${before_ratio[$name]}")" = 1 ] ||
    slower="$slower $name (${result[$name.objcopy]} > ${before_ratio[$name]});"
done
check "nothing slower than before against objcopy${slower:+:$slower}" "$([ -z "$slower" ] && echo 1 || echo 0)"
if [ -n "$baseline" ]; then
  slower=""
  for key in "${!result[@]}"; do
    [[ $key == *.before ]] || continue
    [ "$(at_most "${result[$key]}" 1.05)" = 1 ] || slower="$slower ${key%.before} (${result[$key]});"
  done
  check "nothing slower than $baseline (within 5 %)${slower:+:$slower}" "$([ -z "$slower" ] && echo 1 || echo 0)"
fi

# Peak memory: the module's own pages and a constant, but for the units, whose
# entries (12 bytes each) are the one structure that grows with the module.
if [ "$peak" = yes ]; then
  most=0
  for key in "${!result[@]}"; do
    [[ $key == *.over && $key != 1,000,000* ]] || continue
    [ "${result[$key]}" = "-" ] || [ "${result[$key]}" -le "$most" ] || most=${result[$key]}
  done
  check "peak memory at most the module's size + 8 MiB (+$most KiB at most)" "$(at_most "$most" 8192)"
  for name in "1,000,000 units in order" "1,000,000 units reversed"; do
    check "$name: peak at most the module's size + 8 MiB + 24 bytes a unit (+${result[$name.over]} KiB)" \
      "$(at_most "${result[$name.over]}" $((8192 + 24000000 / 1024)))"
  done
fi
