#!/usr/bin/env bash
# Times the time and echo effects on a long WAV file, whole process from
# reading to writing, against the nearest sox effects, all in one run:
#   korvane-cli apply IN OUT tempo-pitch --frequency-factor 1 --speed-factor 1.5 --count 1
#                                                  against  sox IN OUT tempo 1.5
#   korvane-cli apply IN OUT tempo-pitch --frequency-factor 2 --speed-factor 1 --length-factor 1
#                                                  against  sox IN OUT pitch 1200
#   korvane-cli apply IN OUT per-echo              against  sox IN OUT echo 0.8 0.9 10 1
#   korvane-cli apply IN OUT length --length-factor 0.5
#                                                  against  sox IN OUT speed 2
# and `cp IN OUT` as the floor.
#
# usage: bench/time-effects.sh [KORVANE_CLI]
#   KORVANE_CLI  path of korvane-cli (default: $KORVANE_CLI, else
#                build-time-rel/src/cli/korvane-cli of this tree, built in
#                Release when missing)
#   REPS=N       repetitions of each command (default 3)
#   MINUTES=M    length of the test sound (default 10)
# Goal: each effect no slower than its sox counterpart (x sox at most 1.00).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"
cli=${1:-${KORVANE_CLI:-$root/build-time-rel/src/cli/korvane-cli}}
reps=${REPS:-3}
minutes=${MINUTES:-10}
seconds=$((minutes * 60))

command -v sox >/dev/null 2>&1 || { echo "sox is needed for this comparison" >&2; exit 2; }
build_release_cli "$root/build-time-rel" "${1:-}${KORVANE_CLI:-}"
[ -x "$cli" ] || { echo "korvane-cli not found at $cli" >&2; exit 2; }

make_mixture time-effects


effects=(tempo pitch echo length)
declare -A k_args=([tempo]="tempo-pitch --frequency-factor 1 --speed-factor 1.5 --count 1"
                   [pitch]="tempo-pitch --frequency-factor 2 --speed-factor 1 --length-factor 1"
                   [echo]="per-echo" [length]="length --length-factor 0.5")
declare -A sox_args=([tempo]="tempo 1.5" [pitch]="pitch 1200" [echo]="echo 0.8 0.9 10 1" [length]="speed 2")
names=(cp)
for e in "${effects[@]}"; do names+=("k:$e" "s:$e"); done

declare -A times
for ((r = 1; r <= reps; r++)); do
    # A different command goes first in each round, so none always meets a
    # cold or a warm cache.
    for ((k = 0; k < ${#names[@]}; k++)); do
        name=${names[(k + r) % ${#names[@]}]}
        case $name in
            cp) t=$(run_once cp "$in" "$out") ;;
            k:*) t=$(run_once "$cli" apply "$in" "$out" ${k_args[${name#k:}]}) ;;
            s:*) t=$(run_once sox "$in" "$out" ${sox_args[${name#s:}]}) ;;
        esac
        times[$name]+="$t "
    done
done
rm -f "$out"

med() { tr ' ' '\n' <<<"${times[$1]}" | grep . | median; }

cp_median=$(med cp)
echo
echo "median of $reps runs; cp IN OUT: $cp_median s"
printf '%-8s %-68s %10s %20s %10s %8s\n' effect korvane-cli seconds sox seconds "x sox"
for e in "${effects[@]}"; do
    km=$(med "k:$e")
    sm=$(med "s:$e")
    printf '%-8s %-68s %10s %20s %10s %8s\n' "$e" "${k_args[$e]}" "$km" "${sox_args[$e]}" "$sm" "$(ratio "$km" "$sm")"
done
echo
echo "Goal: x sox at most 1.00 for every effect."
