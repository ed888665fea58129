# Helpers the benchmark scripts share; sourced, not run.

# The median of the numbers on stdin, one per line.
median() {
    sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.4f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# A / B with two decimals.
ratio() { python3 -c "print(f'{$1 / max($2, 1e-9):.2f}')"; }

# Two lists of times, one per round in the order of the rounds: the median
# over the rounds of the first's time / the second's in the same round, with
# two decimals. The disk under a durable write can be twice as fast in one
# minute as in the next; a ratio taken within a round moves far less with it
# than the ratio of the two medians.
paired() {
    python3 -c '
import statistics, sys
a = [float(x) for x in sys.argv[1].split()]
b = [float(x) for x in sys.argv[2].split()]
print(f"{statistics.median(x / max(y, 1e-9) for x, y in zip(a, b)):.2f}")' "$1" "$2"
}

# Seconds taken by one run of the command. The file "$out" is removed and the
# disk synced first, so that every run writes a new file and starts alike.
run_once() {
    rm -f "$out"
    sync
    local start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1
    local stop=$EPOCHREALTIME
    python3 -c "print(f'{$stop - $start:.4f}')"
}

# Builds korvane-cli in Release in the folder $1 of the tree $root, unless
# the caller named a program (as argument or in KORVANE_CLI) or it is there.
build_release_cli() {
    local dir=$1 named=$2
    if [ ! -x "$dir/src/cli/korvane-cli" ] && [ -z "$named" ]; then
        echo "Building korvane-cli in Release ..."
        cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_TESTS=OFF >/dev/null
        ninja -C "$dir" korvane-cli >/dev/null
    fi
}

# A work folder ($work, removed when the script ends) holding $in, made here:
# $seconds of 44.1 kHz 16-bit stereo, two sines and pink noise so that the
# filters have something to remove; $out is where the runs write. $1 names
# the folder; sets $size to the input's bytes.
make_mixture() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-$1.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    in=$work/in.wav
    out=$work/out.wav
    echo "Making $((seconds / 60)) minutes of 44.1 kHz 16-bit stereo ..."
    sox -n -r 44100 -c 2 -b 16 "$in" synth "$seconds" sine 440 sine 660 synth pinknoise mix vol 0.5
    size=$(stat -c %s "$in")
    echo "Input: $size bytes"
}
