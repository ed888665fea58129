#!/usr/bin/env bash
# Times the volume-diagram picture of a long stereo WAV file, whole process:
# `korvane-cli picture IN OUT.png --view volume` (reading, the columns on
# every core, painting, PNG), against `cp IN OUT` of the same file, and with
# BASE against an older korvane-cli in the same rounds, whose picture must be
# the same bytes.
#
# usage: bench/vold-picture.sh [KORVANE_CLI]
#   KORVANE_CLI  path of korvane-cli (default: $KORVANE_CLI, else
#                build-fx-rel/src/cli/korvane-cli of this tree, built in
#                Release when missing)
#   REPS=N       repetitions of each command (default 5)
#   MINUTES=M    length of the test sound (default 10)
#   BASE=PATH    another korvane-cli (an older build) timed in the same rounds
#   ARGS="..."   picture options (default: none, the 800 x 400 default view)
# Goal: at most 0.4 s for ten minutes of stereo.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"
cli=${1:-${KORVANE_CLI:-$root/build-fx-rel/src/cli/korvane-cli}}
reps=${REPS:-5}
minutes=${MINUTES:-10}
seconds=$((minutes * 60))
read -r -a args <<<"${ARGS:-}"

command -v sox >/dev/null 2>&1 || { echo "sox is needed to make the test sound" >&2; exit 2; }
build_release_cli "$root/build-fx-rel" "${1:-}${KORVANE_CLI:-}"
[ -x "$cli" ] || { echo "korvane-cli not found at $cli" >&2; exit 2; }

make_mixture vold-picture
png=$work/out.png

names=(cp korvane)
[ -n "${BASE:-}" ] && names+=(base)
declare -A times
for ((r = 1; r <= reps; r++)); do
    for ((k = 0; k < ${#names[@]}; k++)); do
        name=${names[(k + r) % ${#names[@]}]}
        case $name in
            cp) t=$(run_once cp "$in" "$out") ;;
            korvane) t=$(run_once "$cli" picture "$in" "$png" --view volume "${args[@]}") ;;
            base) t=$(run_once "$BASE" picture "$in" "$png" --view volume "${args[@]}") ;;
        esac
        times[$name]+="$t "
    done
done

med() { tr ' ' '\n' <<<"${times[$1]}" | grep . | median; }
echo
printf '%-34s %10s %10s\n' "median of $reps runs" seconds "x cp"
cp_median=$(med cp)
printf '%-34s %10s %10s\n' "cp IN OUT" "$cp_median" 1.00
km=$(med korvane)
printf '%-34s %10s %10s\n' "korvane-cli picture --view volume" "$km" "$(ratio "$km" "$cp_median")"
if [ -n "${BASE:-}" ]; then
    bm=$(med base)
    printf '%-34s %10s %10s   this one / BASE %s\n' "BASE picture --view volume" "$bm" "$(ratio "$bm" "$cp_median")" \
        "$(ratio "$km" "$bm")"
    "$cli" picture "$in" "$work/a.png" --view volume "${args[@]}" >/dev/null
    "$BASE" picture "$in" "$work/b.png" --view volume "${args[@]}" >/dev/null
    if cmp -s "$work/a.png" "$work/b.png"; then same=yes; else same=no; fi
    echo "The same picture bytes as BASE: $same"
fi
echo "Goal: at most 0.40 s for ten minutes of stereo."
