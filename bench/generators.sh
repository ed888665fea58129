#!/usr/bin/env bash
# Times making 10 minutes of 44.1 kHz 16-bit stereo sine and noise with
# `korvane-cli new` against `sox -n OUT synth 600 sine 440` / `whitenoise`,
# in one run, and prints each time with its ratio to sox's.
#
# usage: bench/generators.sh [KORVANE_CLI]   (REPS=N repetitions, default 5)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"
cli=${1:-${KORVANE_CLI:-$root/build/run/src/cli/korvane-cli}}
reps=${REPS:-5}
[ -x "$cli" ] || { echo "korvane-cli not found at $cli" >&2; exit 2; }
command -v sox >/dev/null || { echo "sox is missing (Debian package 'sox')" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-gen.XXXXXX")
trap 'rm -rf "$work"' EXIT

timed() {
    for _ in $(seq "$reps"); do
        rm -f "$work/out.wav"
        local t0 t1
        t0=$(date +%s.%N)
        "$@" >/dev/null 2>&1
        t1=$(date +%s.%N)
        echo "$t1 - $t0" | bc -l
    done | median
}

sox_sine=$(timed sox -r 44100 -c 2 -n -D -b 16 "$work/out.wav" synth 600 sine 440)
k_sine=$(timed "$cli" new "$work/out.wav" make-sinus --period "440 Hz" --length "600 s")
sox_noise=$(timed sox -r 44100 -c 2 -n -D -b 16 "$work/out.wav" synth 600 whitenoise)
k_noise=$(timed "$cli" new "$work/out.wav" make-noise --length "600 s")

printf '%-28s %8s %8s\n' "10 min stereo" "seconds" "vs sox"
printf '%-28s %8.3f %8.2f\n' "sox synth sine 440" "$sox_sine" 1
printf '%-28s %8.3f %8.2f\n' "korvane-cli make-sinus" "$k_sine" "$(echo "$k_sine / $sox_sine" | bc -l)"
printf '%-28s %8.3f %8.2f\n' "sox synth whitenoise" "$sox_noise" 1
printf '%-28s %8.3f %8.2f\n' "korvane-cli make-noise" "$k_noise" "$(echo "$k_noise / $sox_noise" | bc -l)"
