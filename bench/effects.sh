#!/usr/bin/env bash
# Times four effects on a long WAV file, whole process from reading to
# writing: `korvane-cli apply IN OUT volume | reverse | filter-low |
# filter-high` against `sox IN OUT vol 0.5 | reverse | lowpass -1 1000 |
# highpass -1 1000` and against `cp IN OUT`, all in one run, and measures the
# peak memory of each korvane-cli call against the file size. The plain
# read-and-write of korvane-cli (apply without a step) is timed too, to show
# how much of each effect's time is the effect itself.
#
# usage: bench/effects.sh [KORVANE_CLI]
#   KORVANE_CLI  path of korvane-cli (default: $KORVANE_CLI, else
#                build-fx-rel/src/cli/korvane-cli of this tree, built in
#                Release when missing)
#   REPS=N       repetitions of each command (default 5)
#   MINUTES=M    length of the test sound (default 10)
#   BASE=PATH    another korvane-cli (an older build) timed in the same rounds
# Goals: each effect at most half of sox's time and within 3x of cp; peak
# memory at most 3x the file size.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"
cli=${1:-${KORVANE_CLI:-$root/build-fx-rel/src/cli/korvane-cli}}
reps=${REPS:-5}
minutes=${MINUTES:-10}
seconds=$((minutes * 60))

command -v sox >/dev/null 2>&1 || { echo "sox is needed for this comparison" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package 'time')" >&2; exit 2; }
build_release_cli "$root/build-fx-rel" "${1:-}${KORVANE_CLI:-}"
[ -x "$cli" ] || { echo "korvane-cli not found at $cli" >&2; exit 2; }

make_mixture effects


effects=(volume reverse filter-low filter-high)
declare -A sox_args=([volume]="vol 0.5" [reverse]="reverse" [filter-low]="lowpass -1 1000"
                     [filter-high]="highpass -1 1000")
names=(cp dd resave)
for e in "${effects[@]}"; do names+=("k:$e" "s:$e"); done
if [ -n "${BASE:-}" ]; then
    names+=(base-resave)
    for e in "${effects[@]}"; do names+=("b:$e"); done
fi

declare -A times
for ((r = 1; r <= reps; r++)); do
    # A different command goes first in each round, so none always meets a
    # cold or a warm cache.
    for ((k = 0; k < ${#names[@]}; k++)); do
        name=${names[(k + r) % ${#names[@]}]}
        case $name in
            cp) t=$(run_once cp "$in" "$out") ;;
            dd) t=$(run_once dd if="$in" of="$out" bs=1M conv=fsync) ;;
            resave) t=$(run_once "$cli" apply "$in" "$out") ;;
            k:*) t=$(run_once "$cli" apply "$in" "$out" "${name#k:}") ;;
            base-resave) t=$(run_once "$BASE" apply "$in" "$out") ;;
            b:*) t=$(run_once "$BASE" apply "$in" "$out" "${name#b:}") ;;
            s:*) t=$(run_once sox "$in" "$out" ${sox_args[${name#s:}]}) ;;
        esac
        times[$name]+="$t "
    done
done
rm -f "$out"

med() { tr ' ' '\n' <<<"${times[$1]}" | grep . | median; }
# The ratios are taken round by round (see paired).
pr() { paired "${times[$1]}" "${times[$2]}"; }

cp_median=$(med cp)
dd_median=$(med dd)
file_kb=$(( (size + 1023) / 1024 ))
echo
resave_median=$(med resave)
echo "median of $reps runs, ratios the median of the rounds' ratios; cp IN OUT: $cp_median s;" \
     "korvane-cli apply IN OUT without a step: $resave_median s ($(pr resave cp) x cp," \
     "$(pr resave dd) x dd conv=fsync: $dd_median s)"
printf '%-14s %10s %10s %10s %10s %10s %12s\n' effect korvane sox "x sox" "x cp" "x dd" "memory x"
for e in "${effects[@]}"; do
    km=$(med "k:$e")
    sm=$(med "s:$e")
    rm -f "$out"
    peak_kb=$(/usr/bin/time -f %M "$cli" apply "$in" "$out" "$e" 2>&1 >/dev/null | tail -1)
    printf '%-14s %10s %10s %10s %10s %10s %12s\n' "$e" "$km" "$sm" "$(pr "k:$e" "s:$e")" "$(pr "k:$e" cp)" \
        "$(pr "k:$e" dd)" "$(ratio "$peak_kb" "$file_kb")"
done
if [ -n "${BASE:-}" ]; then
    echo
    echo "BASE ($BASE) in the same rounds: apply IN OUT $(med base-resave) s ($(pr base-resave dd) x dd;" \
         "this one / BASE $(pr resave base-resave))"
    for e in "${effects[@]}"; do
        bm=$(med "b:$e")
        printf '%-14s %10s %10s x dd; this one / BASE %s\n' "$e" "$bm" "$(pr "b:$e" dd)" "$(pr "k:$e" "b:$e")"
    done
fi
echo
echo "Goals: x sox at most 0.50, x cp at most 3.00, memory at most 3.00 x the file ($file_kb KB)."
