#!/usr/bin/env bash
# orvanta-convert at scale: makes 4 MB and 40 MB Siddham inputs from the
# dictionary's own words, and for each target measures the whole process
# (start to exit, best of three runs) with its peak memory; then the same for
# 4 MB and 40 MB of IAST (the test corpus repeated) spelled into Siddham and
# Lantsa, the scheme named and recognised. When node and npm are there, the
# Devanagari -> IAST and IAST -> Siddham rates of sanscript.js on the same
# texts, in-process, are shown beside them for comparison. sanscript is
# installed into the build folder, never into the sources.
#   bench/converter/convert-scale.sh [BUILD_DIR]
set -euo pipefail
export LC_ALL=C.UTF-8
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
convert="$build/bin/orvanta-convert"
[ -x "$convert" ] || { echo "no $convert: build orvanta-convert first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (GNU time)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# About 8 KB of text: the dictionary's Siddham words, a blank between them,
# a danda after every seventh word and a line break after every tenth.
grep -v '^#' "$root/db/data/tbl_dictionary.tsv" | tail -n +2 | cut -f1 |
  awk 'BEGIN { ORS = "" }
       { print $0; n++
         if (n % 7 == 0) print " \xf0\x91\x97\x82"
         print (n % 10 == 0 ? "\n" : " ") }
       END { print "\n" }' >"$work/sample.txt"
sample_bytes=$(wc -c <"$work/sample.txt")

make_input() {  # make_input FILE MEGABYTES
  local reps=$(($2 * 1024 * 1024 / sample_bytes))
  awk -v n="$reps" '{ a[NR] = $0 } END { for (i = 0; i < n; i++) for (j = 1; j <= NR; j++) print a[j] }' \
    "$work/sample.txt" >"$1"
}

measure() {  # measure FILE ARGUMENTS... -> "seconds peak_kb", the best of three runs
  local start end best="" peak=0 s file=$1
  shift
  for _ in 1 2 3; do
    start=$EPOCHREALTIME
    /usr/bin/time -f '%M' -o "$work/time" "$convert" "$@" "$file" >/dev/null
    end=$EPOCHREALTIME
    s=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$s < $best" | bc -l)" = 1 ]; then best=$s; fi
    [ "$(cat "$work/time")" -gt "$peak" ] && peak=$(cat "$work/time")
  done
  echo "$best $peak"
}

printf '%-6s %-7s %10s %12s %10s %14s %10s\n' input target MB chars seconds "Mchars/s" "peak MB"
for size in 4 40; do
  input="$work/siddham-$size.txt"
  make_input "$input" "$size"
  bytes=$(wc -c <"$input")
  chars=$(wc -m <"$input")
  for target in trans deva lantsa; do
    read -r seconds peak < <(measure "$input" --to "$target")
    printf '%-6s %-7s %10.1f %12d %10.3f %14.2f %10.1f\n' "${size}MB" "$target" \
      "$(echo "$bytes / 1048576" | bc -l)" "$chars" "$seconds" \
      "$(echo "$chars / $seconds / 1000000" | bc -l)" "$(echo "$peak / 1024" | bc -l)"
  done
done

# IAST into the scripts: the corpus, its comment lines left out, repeated.
grep -v '^#' "$root/tests/corpus/corpus.txt" | grep . >"$work/iast-sample.txt"
iast_bytes=$(wc -c <"$work/iast-sample.txt")
for size in 4 40; do
  input="$work/iast-$size.txt"
  reps=$((size * 1024 * 1024 / iast_bytes))
  for _ in $(seq "$reps"); do cat "$work/iast-sample.txt"; done >"$input"
  bytes=$(wc -c <"$input")
  chars=$(wc -m <"$input")
  for args in "--from iast --to siddham" "--from iast --to lantsa" "--to siddham"; do
    # shellcheck disable=SC2086
    read -r seconds peak < <(measure "$input" $args)
    printf '%-6s %-26s %6.1f %10d %8.3f %9.2f %8.1f\n' "${size}MB" "$args" \
      "$(echo "$bytes / 1048576" | bc -l)" "$chars" "$seconds" \
      "$(echo "$chars / $seconds / 1000000" | bc -l)" "$(echo "$peak / 1024" | bc -l)"
  done
done

# sanscript.js, Devanagari -> IAST, on the Devanagari of the 4 MB input, and
# IAST -> Siddham on the 4 MB IAST input.
if command -v node >/dev/null && command -v npm >/dev/null; then
  js="$build/sanscript"
  if [ ! -d "$js/node_modules/@indic-transliteration/sanscript" ]; then
    npm install --silent --no-audit --no-fund --prefix "$js" @indic-transliteration/sanscript \
      >/dev/null 2>&1 || { echo "sanscript: npm install failed; skipped"; exit 0; }
  fi
  "$convert" --to deva "$work/siddham-4.txt" >"$work/deva-4.txt"
  cat >"$work/sanscript.js" <<'EOF'
const fs = require('fs');
const Sanscript = require(process.argv[2]);
const [from, to] = [process.argv[4], process.argv[5]];
const text = fs.readFileSync(process.argv[3], 'utf8');
const chars = [...text].length;
Sanscript.t(text.slice(0, 10000), from, to);  // warm up
let best = Infinity;
for (let i = 0; i < 3; i++) {
  const start = process.hrtime.bigint();
  const out = Sanscript.t(text, from, to);
  const s = Number(process.hrtime.bigint() - start) / 1e9;
  if (out.length === 0) throw new Error('no output');
  best = Math.min(best, s);
}
console.log(`sanscript.js ${from}->${to} (4MB input): ${chars} chars, ` +
            `best of 3 ${best.toFixed(3)} s, ${(chars / best / 1e6).toFixed(2)} Mchars/s in-process`);
EOF
  node "$work/sanscript.js" "$js/node_modules/@indic-transliteration/sanscript" "$work/deva-4.txt" \
    devanagari iast
  node "$work/sanscript.js" "$js/node_modules/@indic-transliteration/sanscript" "$work/iast-4.txt" \
    iast siddham
else
  echo "sanscript: node or npm missing; skipped"
fi
