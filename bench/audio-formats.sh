#!/usr/bin/env bash
# Times korvane-cli on other sound formats against sox on the same machine,
# in one run: decoding FLAC to WAV (`apply IN.flac OUT.wav`), encoding WAV to
# FLAC (`apply IN.wav OUT.flac`) and `info` of an MP3 against sox decoding it
# to WAV; and the peak memory of the FLAC decode against the decoded sound.
#
# usage: bench/audio-formats.sh [KORVANE_CLI]
#   KORVANE_CLI  path of korvane-cli (default: $KORVANE_CLI, else
#                build/run/src/cli/korvane-cli of this tree, built in Release)
#   REPS=N       repetitions of each command (default 5)
#   MINUTES=M    length of the test sound (default 10)
# Goals: FLAC decode and encode at most 1.1x sox (our writes are durable,
# sox's are not); info of the MP3 at most 1.2x sox's decode; peak memory at
# most 1.2x the decoded sound.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"
cli=${1:-${KORVANE_CLI:-$root/build/run/src/cli/korvane-cli}}
build_release_cli "$root/build/run" "${1:-${KORVANE_CLI:-}}"
reps=${REPS:-5}
minutes=${MINUTES:-10}
seconds=$((minutes * 60))
[ -x "$cli" ] || { echo "korvane-cli not found at $cli" >&2; exit 2; }
command -v sox >/dev/null || { echo "sox is missing (scripts/setup installs it)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package 'time')" >&2; exit 2; }

make_mixture audio-formats
flac=$work/in.flac
mp3=$work/in.mp3
sox "$in" "$flac"
sox "$in" -C 192 "$mp3"
out=$work/out.wav
flac_out=$work/out.flac

declare -A times
names=(k-decode s-decode k-encode s-encode k-info s-mp3)
for ((r = 1; r <= reps; r++)); do
    for ((k = 0; k < ${#names[@]}; k++)); do
        name=${names[(k + r) % ${#names[@]}]}
        case $name in
            k-decode) t=$(run_once "$cli" apply "$flac" "$out") ;;
            s-decode) t=$(run_once sox "$flac" "$out") ;;
            k-encode) t=$(out=$flac_out run_once "$cli" apply "$in" "$flac_out") ;;
            s-encode) t=$(out=$flac_out run_once sox "$in" "$flac_out") ;;
            k-info) t=$(run_once "$cli" info "$mp3") ;;
            s-mp3) t=$(run_once sox "$mp3" "$out") ;;
        esac
        times[$name]+="$t "
    done
done
med() { tr ' ' '\n' <<<"${times[$1]}" | grep . | median; }

echo
printf '%-36s %10s %10s %10s\n' "median of $reps runs" korvane sox "x sox"
row() { printf '%-36s %10s %10s %10s\n' "$1" "$(med "$2")" "$(med "$3")" "$(ratio "$(med "$2")" "$(med "$3")")"; }
row "FLAC to WAV (apply / sox)" k-decode s-decode
row "WAV to FLAC (apply / sox)" k-encode s-encode
row "MP3: korvane-cli info / sox to WAV" k-info s-mp3

rm -f "$out"
peak_kb=$(/usr/bin/time -f %M "$cli" apply "$flac" "$out" 2>&1 >/dev/null | tail -1)
sound_kb=$(( (size - 44 + 1023) / 1024 ))
echo
echo "FLAC decode peak memory: ${peak_kb} KB for ${sound_kb} KB of samples" \
     "($(python3 -c "print(f'{$peak_kb / $sound_kb:.2f}')") x; goal at most 1.2 x)"
if cmp -s "$in" "$out"; then echo "FLAC decode gives the input's WAV bytes: yes"; else echo "FLAC decode gives the input's WAV bytes: no"; fi
