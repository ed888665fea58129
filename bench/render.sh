#!/usr/bin/env bash
# Times `korvane-cli render` of a 3-minute piece of 1920 notes over two staves
# (simple samplers on a 0.5 s decaying sine) into 44.1 kHz 16-bit stereo, and
# compares it in one run with
#   - the music's own length (the real-time factor; goal: at least 200x),
#   - `korvane-cli apply OUT copy.wav`: reading and writing the rendered file,
#     the floor that any render writing that file has,
# and measures the peak memory of the render against the size of the result.
#
# usage: bench/render.sh [KORVANE_CLI]   (REPS=N repetitions, default 5;
#        KEEP=DIR keeps the piece, its sample and the result there)
# Goals: at most 0.9 s; peak memory at most the result plus one note sound
# (plus the program itself).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"
cli=${1:-${KORVANE_CLI:-$root/build/run/src/cli/korvane-cli}}
reps=${REPS:-5}
[ -x "$cli" ] || { echo "korvane-cli not found at $cli (give its path as argument or in KORVANE_CLI)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package 'time')" >&2; exit 2; }

if [ -n "${KEEP:-}" ]; then
    work=$KEEP
    mkdir -p "$work"
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-render.XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi

# The instrument: half a second of 440 Hz, decaying to 1 %.
"$cli" new "$work/env.wav" --frequency 44100 --channels 1 \
    make-line --first "100 %" --last "1 %" --length "0.5 s" --exponential
"$cli" new "$work/sample.wav" --frequency 44100 --channels 1 --wave env="$work/env.wav" \
    make-sinus --amplitude "20 %" --period "440 Hz" --length "0.5 s" -- volume --envelope env

# The piece: tempo 1.5 s per whole note, 120 whole notes = 180 s. The upper
# stave plays eighths, the lower one two-note chords in quarters.
python3 - "$work/piece.xml" <<'EOF'
import sys
wholes = 120
def note(pos, length, pitch):
    return f"<Note><Position>{pos:g}</Position><Length>{length}</Length><Height>{pitch}</Height></Note>"
upper = []
lower = []
melody = [5, 7, 9, 10, 12, 10, 9, 7, 5, 4, 2, 4, 5, 9, 12, 14]
for w in range(wholes):
    for k in range(8):
        upper.append(note(w + k / 8, 8, melody[(w * 8 + k) % len(melody)]))
    for k in range(4):
        root = [-7, -3, -5, -2][(w + k) % 4]
        # higher pitch first, as chords stand in a part's list
        lower.append(note(w + k / 4, 4, root + 4))
        lower.append(note(w + k / 4, 4, root))
def stave(notes):
    return ("<Stave><RoomUp>80</RoomUp><RoomDown>80</RoomDown><AllowJoinFlags />"
            "<ForegroundColor>000000</ForegroundColor><BackgroundColor>FFFFFF</BackgroundColor>"
            "<KeyPart><Key><Position>0</Position><KeyKind>G</KeyKind></Key></KeyPart>"
            "<NoteGroup><NoteColor>000000</NoteColor><NoteShapeNormal /><CompoundPlayer>"
            "<SimpleOneSampler><BasicFreq>440 Hz</BasicFreq><SampleWave>sample</SampleWave>"
            "<VolumeFactor>0.5</VolumeFactor></SimpleOneSampler></CompoundPlayer>"
            "<NotePart>" + "".join(notes) + "</NotePart></NoteGroup></Stave>\n")
with open(sys.argv[1], "w", encoding="latin-1") as f:
    f.write('<?xml version="1.0" encoding="ISO-8859-1"?>\n<!DOCTYPE UnitMuz SYSTEM "UnitMuz.dtd">\n')
    f.write("<UnitMuz><Version>7.1</Version><Tempo>1.5 s</Tempo>\n")
    f.write("<SingleMuzPart><Bar><Count>4</Count><Length>4</Length></Bar><PartNode /></SingleMuzPart>\n")
    f.write(stave(upper))
    f.write(stave(lower))
    f.write("</UnitMuz>\n")
print(f"{len(upper) + len(lower)} notes")
EOF
"$cli" check "$work/piece.xml" >/dev/null

render=("$cli" render "$work/piece.xml" "$work/out.wav" --wave sample="$work/sample.wav" --channels 2 --frequency 44100)
resave=("$cli" apply "$work/out.wav" "$work/copy.wav")

# "wall cpu" seconds of one run; cpu is user + system time, which a machine
# busy with other work inflates far less than the wall clock.
once() {
    /usr/bin/time -f "%e %U %S" "$@" 2>&1 >/dev/null | tail -1 | awk '{ printf "%s %.2f\n", $1, $2 + $3 }'
}

"${render[@]}"  # warm up, and the file that apply reads
rt=()
at=()
for ((r = 1; r <= reps; r++)); do
    if ((r % 2)); then
        rt+=("$(once "${render[@]}")")
        at+=("$(once "${resave[@]}")")
    else
        at+=("$(once "${resave[@]}")")
        rt+=("$(once "${render[@]}")")
    fi
done
t_render=$(printf '%s\n' "${rt[@]}" | cut -d' ' -f1 | median)
t_resave=$(printf '%s\n' "${at[@]}" | cut -d' ' -f1 | median)
c_render=$(printf '%s\n' "${rt[@]}" | cut -d' ' -f2 | median)
c_resave=$(printf '%s\n' "${at[@]}" | cut -d' ' -f2 | median)
size=$(stat -c %s "$work/out.wav")
# Any change to how notes are made or added must leave these bytes alone.
checksum=$(sha256sum "$work/out.wav" | cut -d' ' -f1)
peak_kb=$(/usr/bin/time -f %M "${render[@]}" 2>&1 >/dev/null | tail -1)
base_kb=$(/usr/bin/time -f %M "$cli" --version 2>&1 >/dev/null | tail -1)

echo "result sha256 $checksum"
python3 - "$t_render" "$t_resave" "$size" "$peak_kb" "$base_kb" "$c_render" "$c_resave" <<'EOF'
import sys
t_render, t_resave = float(sys.argv[1]), float(sys.argv[2])
size, peak, base = int(sys.argv[3]), int(sys.argv[4]) * 1024, int(sys.argv[5]) * 1024
c_render, c_resave = max(float(sys.argv[6]), 0.01), max(float(sys.argv[7]), 0.01)
note = 2 * 44100 * 2  # the longest note sound: one second of stereo
print("medians                    wall               cpu (user + sys)")
print(f"render                 {t_render:8.4f} s {180 / t_render:6.0f}x   {c_render:6.2f} s {180 / c_render:6.0f}x real time"
      "   goal <= 0.9 s (200x)")
print(f"apply OUT copy.wav     {t_resave:8.4f} s          {c_resave:6.2f} s")
print(f"render / resave        {t_render / t_resave:8.2f}            {c_render / c_resave:6.2f}")
print(f"result                 {size / 1e6:8.1f} MB")
print(f"peak memory            {peak / 1e6:8.1f} MB   program alone {base / 1e6:.1f} MB   "
      f"(peak - program) / (result + one note) = {(peak - base) / (size + note):.2f}")
EOF
