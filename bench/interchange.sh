#!/usr/bin/env bash
# Times MusicXML and MIDI export and import of a 40,000-note score against
# `korvane-cli check` of the same score, in one run.
#
# usage: bench/interchange.sh [KORVANE_CLI]
#   KORVANE_CLI  path of korvane-cli (default: $KORVANE_CLI, else a Release
#                build in build/bench of this tree, built when missing)
#   REPS=N       repetitions of each call (default 5)
#   NOTES=N      notes in the score (default 40000)
# Goal: every export and import at most 2x the time of check.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"
named=${1:-${KORVANE_CLI:-}}
build_release_cli "$root/build/bench" "$named"
cli=${named:-$root/build/bench/src/cli/korvane-cli}
reps=${REPS:-5}
notes=${NOTES:-40000}

work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-interchange.XXXXXX")
trap 'rm -rf "$work"' EXIT
score=$work/score.xml

# Four staves of eighths (every fourth a chord of two) in 4/4 under a repeat
# with two endings, so that the part tree is written and read too.
python3 - "$score" "$notes" <<'PY'
import sys
path, notes = sys.argv[1], int(sys.argv[2])
staves, per = 4, notes // 4
out = ['<?xml version="1.0" encoding="ISO-8859-1"?>', '<!DOCTYPE UnitMuz SYSTEM "UnitMuz.dtd">', '', '<UnitMuz>',
       '  <Version>7.1</Version>', '  <Tempo>2 s</Tempo>']
bar = '    <Bar>\n      <Count>4</Count>\n      <Length>4</Length>\n    </Bar>\n    <PartNode />'
for i in range(3):
    out.append('  <SingleMuzPart>\n' + bar + '\n  </SingleMuzPart>')
    if i > 0:
        out.append('  <SelectMuzPart>\n    <SelectMuzPartTurn>\n      <Count>%d</Count>\n      <PartNode />\n'
                   '    </SelectMuzPartTurn>\n    <PartNode />\n  </SelectMuzPart>' % i)
out.append('  <ConcatMuzPart />\n  <ConcatMuzPart />\n  <LoopMuzPart>\n    <Count>2</Count>\n    <PartNode />\n'
           '  </LoopMuzPart>')
for s in range(staves):
    out.append('  <Stave>\n    <RoomUp>80</RoomUp>\n    <RoomDown>80</RoomDown>\n    <AllowJoinFlags />\n'
               '    <ForegroundColor>000000</ForegroundColor>\n    <BackgroundColor>FFFFFF</BackgroundColor>')
    for p in range(3):
        out.append('    <KeyPart>\n      <Key>\n        <Position>0</Position>\n        <KeyKind>G</KeyKind>\n'
                   '      </Key>\n    </KeyPart>')
    out.append('    <NoteGroup>\n      <NoteColor>000000</NoteColor>\n      <NoteShapeNormal />\n'
               '      <CompoundPlayer>\n        <SimpleOneSampler>\n          <BasicFreq>440 Hz</BasicFreq>\n'
               '          <SampleWave>sample</SampleWave>\n          <VolumeFactor>1</VolumeFactor>\n'
               '        </SimpleOneSampler>\n      </CompoundPlayer>')
    counts = [per - 2 * (per // 10), per // 10, per // 10]
    for p in range(3):
        out.append('      <NotePart>')
        made, step = 0, 0
        while made < counts[p]:
            pos = step * 0.125
            pitches = [(step * 3) % 12, (step * 3) % 12 - 2] if step % 4 == 0 and made + 1 < counts[p] else [(step * 3) % 12]
            for h in pitches:
                out.append('        <Note>\n          <Position>%g</Position>\n          <Length>8</Length>\n'
                           '          <Height>%d</Height>\n        </Note>' % (pos, h))
                made += 1
            step += 1
        out.append('      </NotePart>')
    out.append('    </NoteGroup>\n  </Stave>')
out.append('</UnitMuz>')
open(path, 'w').write('\n'.join(out) + '\n')
PY
"$cli" check "$score" >/dev/null
"$cli" export "$score" "$work/score.musicxml" 2>/dev/null
"$cli" export "$score" "$work/score.mid" 2>/dev/null
echo "Score: $notes notes, $(stat -c %s "$score") bytes; MusicXML $(stat -c %s "$work/score.musicxml") bytes"

time_of() {
    for _ in $(seq "$reps"); do run_once "$@"; done | median
}
out=$work/out.file
base=$(time_of "$cli" check "$score")
printf '%-34s %8s s  %s\n' "check (baseline)" "$base" "1.00"
for call in "export .musicxml:export $score $work/out.musicxml" "export .mxl:export $score $work/out.mxl" \
            "export .mid:export $score $work/out.mid" "import .musicxml:import $work/score.musicxml $work/out.xml" \
            "import .mid:import $work/score.mid $work/out.xml"; do
    name=${call%%:*}
    read -r -a args <<<"${call#*:}"
    t=$(time_of "$cli" "${args[@]}")
    printf '%-34s %8s s  %s\n' "$name" "$t" "$(ratio "$t" "$base")"
done
