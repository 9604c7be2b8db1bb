#!/usr/bin/env bash
# Builds the real-text benchmark inputs from installed Debian packages, never
# committed: text that nobody here generated, so the kernels meet what users
# feed them rather than what the generator favours.
#   dict-ENCODING.txt   the EUC-JP dictionaries of edict, skkdic (SKK-JISYO.L)
#                       and mecab-ipadic (its CSV files), repeated to SIZE
#   prose-ENCODING.txt  the Japanese manual pages of manpages-ja (UTF-8 roff
#                       sources: running prose between markup), repeated to SIZE
# each converted by iconv into the eight encodings (characters an encoding
# lacks are dropped with -c, so every file is text iconv itself accepts).
#
# usage: scripts/real-corpora.sh [DIR [SIZE_MB]]   (default build-bench/real-corpus, 100)
# Needs: apt-get install edict skkdic mecab-ipadic manpages-ja (and libc-bin's iconv).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-bench/real-corpus}
size=$((${2:-100} * 1000 * 1000))

sources_dict=(/usr/share/edict/edict /usr/share/skk/SKK-JISYO.L)
for f in /usr/share/mecab/dic/ipadic/*.csv; do [ -e "$f" ] && sources_dict+=("$f"); done
if [ ! -r /usr/share/edict/edict ] || [ ! -r /usr/share/skk/SKK-JISYO.L ] ||
  [ "${#sources_dict[@]}" -le 2 ] || [ ! -d /usr/share/man/ja ]; then
  echo "real-corpora: needs the Debian packages edict skkdic mecab-ipadic manpages-ja" >&2
  exit 3
fi
mkdir -p "$dir"
stamp="$dir/.made-$size"
[ -e "$stamp" ] && exit 0
rm -f "$dir"/*.txt "$dir"/.made-*
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Whole copies of the source until SIZE is reached, so that the text is the
# packages' own and only its length is chosen here.
repeat() {  # source target
  : >"$2"
  while [ "$(stat -c %s "$2")" -lt "$size" ]; do cat "$1" >>"$2"; done
}
cat "${sources_dict[@]}" >"$tmp/dict.src"
find /usr/share/man/ja -name '*.gz' -print0 | LC_ALL=C sort -z | xargs -0 zcat >"$tmp/prose.src"
# Sources are EUC-JP (dictionaries) and UTF-8 (manual pages); make each a
# clean UTF-8 text first.
iconv -c -f EUC-JP -t UTF-8 "$tmp/dict.src" >"$tmp/dict.utf8" || true
iconv -c -f UTF-8 -t UTF-8 "$tmp/prose.src" >"$tmp/prose.utf8" || true
for kind in dict prose; do
  repeat "$tmp/$kind.utf8" "$tmp/$kind.big"
  while read -r name iconv_name; do
    # -c exits 1 after dropping a character an encoding lacks: expected here.
    iconv -c -f UTF-8 -t "$iconv_name" "$tmp/$kind.big" >"$dir/$kind-$name.txt" || true
  done <<'LIST'
shift_jis SHIFT_JIS
windows-31j CP932
euc-jp EUC-JP
iso-2022-jp ISO-2022-JP
utf8 UTF-8
utf16 UTF-16
utf16be UTF-16BE
utf16le UTF-16LE
LIST
done
touch "$stamp"
ls -l "$dir" >&2
