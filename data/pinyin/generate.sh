#!/usr/bin/env bash
# Makes phrases.txt: the words whose reading differs from the readings of their
# characters one by one as the program's per-character source (ICU's Han-Latin
# transliterator) gives them. The words and their readings come from the word lists
# of the MIT-licensed npm package "pinyin-pro" (see LICENSE). The changed tones of
# 一 and 不 before another syllable are written as their own tones (一样 yī yàng),
# as names and indexes write them.
# Needs npm, node and uconv (Debian: npm, icu-devtools). Run from anywhere:
#   data/pinyin/generate.sh            # writes data/pinyin/phrases.txt
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
version=3.29.5
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
npm pack --silent "pinyin-pro@$version" >/dev/null
tar xzf "pinyin-pro-$version.tgz"

# The package keeps its word lists of two to five characters as object literals in its
# bundle, each handed on as `Object.keys(X).map(n=>({zh:n,pinyin:X[n],...dict:Symbol("dictN")`.
node - package/dist/index.js > words.tsv <<'JS'
const fs = require("fs");
const text = fs.readFileSync(process.argv[2], "utf8");
const use = /pinyin:([A-Za-z_$]+)\[n\],probability:[^,]*,length:\d,priority:\w+,dict:Symbol\("dict\d"\)/g;
let m;
let lists = 0;
while ((m = use.exec(text))) {
  const start = text.lastIndexOf(m[1] + '={"', m.index);
  const open = start + m[1].length + 1;
  const close = text.indexOf("}", open);
  const dict = JSON.parse(text.slice(open, close + 1));
  ++lists;
  for (const [word, reading] of Object.entries(dict)) {
    if (!/^\p{Script=Han}{2,}$/u.test(word)) continue;
    const syllables = reading.normalize("NFC").split(" ");
    const chars = [...word];
    if (syllables.length !== chars.length) continue;
    const own = syllables.map((s, i) =>
        chars[i] === "一" && (s === "yí" || s === "yì") ? "yī"
        : chars[i] === "不" && s === "bú" ? "bù" : s);
    console.log(word + "\t" + own.join(" "));
  }
}
if (lists !== 4) throw new Error("expected four word lists, found " + lists);
JS

# Every character of those words read on its own, as the program reads it.
cut -f1 words.tsv | grep -o . | sort -u > chars.txt
uconv -f utf-8 -t utf-8 -x "Han-Latin; NFC" chars.txt > readings.txt
paste chars.txt readings.txt > chars.tsv

node - words.tsv chars.tsv > "$here/phrases.txt" <<'JS'
const fs = require("fs");
const own = new Map(fs.readFileSync(process.argv[3], "utf8").trim().split("\n")
                      .map((line) => line.split("\t")));
const out = new Set();
for (const line of fs.readFileSync(process.argv[2], "utf8").trim().split("\n")) {
  const [word, reading] = line.split("\t");
  const byChars = [...word].map((c) => own.get(c)).join(" ");
  if (byChars !== reading) out.add(word + "\t" + reading);
}
process.stdout.write([...out].sort().join("\n") + "\n");
JS
wc -l "$here/phrases.txt"
