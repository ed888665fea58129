#!/usr/bin/env bash
# Times reading and writing a long WAV file: `korvane-cli apply IN OUT` (read,
# then write again, durably) against `cp IN OUT`, `sox IN OUT` and
# `dd if=IN of=OUT bs=1M conv=fsync` (the disk's floor for a durable copy),
# and measures the peak memory of korvane-cli against the file size.
#
# usage: bench/resave.sh [KORVANE_CLI]
#   KORVANE_CLI  path of korvane-cli (default: $KORVANE_CLI, else
#                build/run/src/cli/korvane-cli of this tree)
#   REPS=N       repetitions of each command (default 5)
#   MINUTES=M    length of the test sound (default 10)
#   BASE=PATH    another korvane-cli (an older build) timed in the same rounds
# Goals: apply at most 2x the time of cp and 1.2x that of dd, peak memory at
# most 2.5x the file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"
cli=${1:-${KORVANE_CLI:-$root/build/run/src/cli/korvane-cli}}
reps=${REPS:-5}
minutes=${MINUTES:-10}
seconds=$((minutes * 60))

[ -x "$cli" ] || { echo "korvane-cli not found at $cli (give its path as argument or in KORVANE_CLI)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package 'time')" >&2; exit 2; }
have_sox=0
command -v sox >/dev/null 2>&1 && have_sox=1

work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-resave.XXXXXX")
trap 'rm -rf "$work"' EXIT
in=$work/in.wav
out=$work/out.wav

echo "Making ${minutes} minutes of 44.1 kHz 16-bit stereo ..."
if [ "$have_sox" = 1 ]; then
    sox -n -r 44100 -c 2 -b 16 "$in" synth "$seconds" sine 440 sine 660
else
    # 440 Hz left and 660 Hz right repeat exactly every second: write one
    # second of frames as often as needed.
    python3 - "$in" "$seconds" <<'EOF'
import math, struct, sys
path, seconds = sys.argv[1], int(sys.argv[2])
rate = 44100
second = bytearray()
for i in range(rate):
    left = int(32767 * math.sin(2 * math.pi * 440 * i / rate))
    right = int(32767 * math.sin(2 * math.pi * 660 * i / rate))
    second += struct.pack('<hh', left, right)
data = len(second) * seconds
with open(path, 'wb') as f:
    f.write(b'RIFF' + struct.pack('<I', data + 36) + b'WAVEfmt ')
    f.write(struct.pack('<IHHIIHH', 16, 1, 2, rate, rate * 4, 4, 16))
    f.write(b'data' + struct.pack('<I', data))
    for _ in range(seconds):
        f.write(second)
EOF
fi
size=$(stat -c %s "$in")
echo "Input: $size bytes"


names=(cp dd korvane)
[ -n "${BASE:-}" ] && names+=(base)
[ "$have_sox" = 1 ] && names+=(sox)
declare -A times
for ((r = 1; r <= reps; r++)); do
    # A different command goes first in each round, so none always meets a
    # cold or a warm cache.
    for ((k = 0; k < ${#names[@]}; k++)); do
        name=${names[(k + r) % ${#names[@]}]}
        case $name in
            cp) t=$(run_once cp "$in" "$out") ;;
            dd) t=$(run_once dd if="$in" of="$out" bs=1M conv=fsync) ;;
            korvane) t=$(run_once "$cli" apply "$in" "$out") ;;
            base) t=$(run_once "$BASE" apply "$in" "$out") ;;
            sox) t=$(run_once sox "$in" "$out") ;;
        esac
        times[$name]+="$t "
    done
done

rm -f "$out"
"$cli" apply "$in" "$out" >/dev/null
if cmp -s "$in" "$out"; then same=yes; else same=no; fi
rm -f "$out"
peak_kb=$(/usr/bin/time -f %M "$cli" apply "$in" "$out" 2>&1 >/dev/null | tail -1)

echo
echo "Seconds: the median of $reps runs; ratios: the median of the rounds' ratios."
printf '%-28s %10s %10s %10s\n' "median of $reps runs" seconds "x cp" "x dd"
for name in "${names[@]}"; do
    m=$(tr ' ' '\n' <<<"${times[$name]}" | grep . | median)
    case $name in
        korvane) label="korvane-cli apply IN OUT" ;;
        base) label="BASE apply IN OUT" ;;
        cp) label="cp IN OUT" ;;
        dd) label="dd conv=fsync" ;;
        sox) label="sox IN OUT" ;;
    esac
    printf '%-28s %10s %10s %10s\n' "$label" "$m" "$(paired "${times[$name]}" "${times[cp]}")" \
        "$(paired "${times[$name]}" "${times[dd]}")"
done
[ -n "${BASE:-}" ] && echo "this one / BASE: $(paired "${times[korvane]}" "${times[base]}")"
echo
file_kb=$(( (size + 1023) / 1024 ))
echo "korvane-cli peak memory: ${peak_kb} KB for a ${file_kb} KB file" \
     "($(python3 -c "print(f'{$peak_kb / $file_kb:.2f}')") x the file; goal at most 2.5 x)"
echo "korvane-cli output identical to the input: $same"
