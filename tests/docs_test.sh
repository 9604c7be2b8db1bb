#!/usr/bin/env bash
# The documentation tells the truth: the examples in README.md and in the
# manual page give the output shown, both list every message exactly, and the
# bash completion offers what it should. CHECK is one of the names below.
#
# An example is a command after "$ " (in README.md in a ```console block, in
# the manual page between .EX and .EE) followed by the lines it prints. Each
# runs in bash with the program first on PATH, LC_ALL=C and standard error
# merged, in order: README's in the source directory, the manual page's in an
# empty directory of their own, since they make their own files.
set -euo pipefail
export LC_ALL=C
(($# == 3)) || { echo "usage: $0 CHECK PROGRAM SOURCE_DIR" >&2 && exit 2; }
check=$1
bin=$(cd "$(dirname "$2")" && pwd)
source=$(cd "$3" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

# A cross build's programs run under its emulator: CODVET_EMULATOR holds the
# words that go before them (ctest sets it), and stand-ins of the same names
# start the programs so.
if [[ -n ${CODVET_EMULATOR:-} ]]; then
  mkdir "$scratch/bin"
  suffix=${2##*/codvet}  # ".exe" or nothing
  for program in codvet codvet-lint; do
    printf '#!/bin/sh\nexec %s %q "$@"\n' "$CODVET_EMULATOR" "$bin/$program$suffix" >"$scratch/bin/$program"
    chmod +x "$scratch/bin/$program"
  done
  bin=$scratch/bin
fi

# Prints what differed and marks the check failed.
Fail() {
  printf '%s\n' "$@" >&2
  failed=1
}

# The text a line of roff shows, for the few escapes that the manual page's
# examples and messages use; any other escape is an error, so that nothing is
# compared that the reader would see differently.
roff='function unroff(s, line,   out, e) {
  for (out = ""; match(s, /\\(\(..|.)/); s = substr(s, RSTART + RLENGTH)) {
    e = substr(s, RSTART, RLENGTH)
    if (!(e in text)) {
      printf "doc/codvet.1:%d: unexpected escape %s\n", line, e > "/dev/stderr"
      bad = 1
    }
    out = out substr(s, 1, RSTART - 1) text[e]
  }
  return out s
}
BEGIN {
  text["\\-"] = "-"; text["\\e"] = "\\"; text["\\(aq"] = "'\''"; text["\\(dq"] = "\""
  text["\\&"] = ""; text["\\%"] = ""; text["\\:"] = ""
}
END { exit bad }'

# Runs the examples of document $1 in directory $2 (at least $3 of them),
# each written to $scratch/N.cmd and N.out, N the line of its command. In the
# manual page an output line holding Japanese is ".ie \n(JA TEXT" and an
# ASCII stand-in after ".el"; TEXT is compared.
RunExamples() {
  local document=$1 directory=$2 n
  awk -v man="$([[ $document == *.1 ]] && echo 1)" -v dir="$scratch" "$roff"'
    man ? $0 == ".EX" || $0 == ".EE" : /^```/ {
      block = man ? $0 == ".EX" : !block
      run = block && (man || $0 == "```console")
      file = ""
      next
    }
    run && /^\$ / {
      file = dir "/" NR
      printf "%s", (man ? unroff(substr($0, 3), NR) : substr($0, 3)) > (file ".cmd")
      printf "" > (file ".out")
      print NR
      next
    }
    file != "" && !(man && /^\.el /) {
      if (man && /^\.ie \\n\(JA /) $0 = substr($0, 11)
      else if (man && /^\./) {
        printf "doc/codvet.1:%d: unexpected request in an example: %s\n", NR, $0 > "/dev/stderr"
        bad = 1
      }
      print (man ? unroff($0, NR) : $0) > (file ".out")
    }' "$source/$document" >"$scratch/examples"
  [[ $(wc -l <"$scratch/examples") -ge $3 ]] || Fail "$document: fewer than $3 examples"
  while read -r n; do
    (cd "$directory" && PATH="$bin:$PATH" \
      bash -c "$(cat "$scratch/$n.cmd")" </dev/null >"$scratch/$n.actual" 2>&1) || true
    cmp -s "$scratch/$n.out" "$scratch/$n.actual" ||
      Fail "$document:$n: \$ $(cat "$scratch/$n.cmd")" \
        "$(diff -u --label expected --label actual "$scratch/$n.out" "$scratch/$n.actual")"
  done <"$scratch/examples"
}

# The message catalogue of src/report/messages.def as "Identifier<TAB>text",
# the printed text's Shift_JIS converted to UTF-8.
Catalogue() {
  local catalogue="$source/src/report/messages.def" name literal text
  # A row: CODVET_MESSAGE(Identifier, length, then its English half, its
  # Japanese half and the printed text, one line each; the printed text is in
  # adjacent "..." pieces.
  awk '/^CODVET_MESSAGE\(/ { name = $1; sub(/.*\(/, "Msg", name); sub(/,$/, "", name); n = 0; next }
       name != "" && ++n == 3 {
         text = ""
         for (s = $0; match(s, /"([^"\\]|\\.)*"/); s = substr(s, RSTART + RLENGTH))
           text = text substr(s, RSTART + 1, RLENGTH - 2)
         print name "\t" text
         name = ""
       }' "$catalogue" >"$scratch/literals"
  [[ $(wc -l <"$scratch/literals") -eq 30 ]] || Fail "messages.def: not 30 rows in the catalogue"
  while IFS=$'\t' read -r name literal; do
    text=$(printf '%b' "$literal" | iconv -f CP932 -t UTF-8) || Fail "$name: not CP932"
    printf '%s\t%s\n' "$name" "$text"
  done <"$scratch/literals" >"$scratch/catalogue"
}

# Expects the completions, sorted, that bash offers for the words given, and
# nothing on standard error.
ExpectCompletion() {
  local expected=$1 actual
  shift
  actual=$(cd "$scratch/files" && bash -c 'source "$1" && shift && COMP_WORDS=("$@") &&
      COMP_CWORD=$(($# - 1)) && "_${1//-/_}" && printf "%s\n" "${COMPREPLY[@]}" | sort' \
    - "$source/completion/$1.bash" "$@" 2>&1) || actual+=$'\n'"exit status $?"
  [[ $actual == "$expected" ]] || Fail "completing $*:" "expected: $expected" "actual: $actual"
}

case $check in
Docs.ReadmeExamplesGiveTheOutputShown)
  RunExamples README.md "$source" 8
  ;;
Docs.ReadmeShellCommandsParse)
  # What scripts/readme-fresh-root.sh runs: every line of the sh blocks is
  # a whole command, and the blocks are closed.
  "$source/scripts/readme-fresh-root.sh" --list >"$scratch/commands" || Fail "README.md: see above"
  [[ $(grep -vc '(block not run: ' "$scratch/commands") -ge 10 ]] ||
    Fail "README.md: fewer than 10 shell commands"
  ;;
Docs.ManPageExamplesGiveTheOutputShown)
  mkdir "$scratch/run"
  RunExamples doc/codvet.1 "$scratch/run" 10
  ;;
Docs.ReadmeListsEveryMessageExactly)
  # A row: the identifier in backquotes, the English and the Japanese half.
  Catalogue
  awk -F ' [|] ' '/^[|] `Msg/ { print substr($1, 4, length($1) - 4) "\t" $2 " " $3 }' \
    "$source/README.md" | sort >"$scratch/rows"
  sort "$scratch/catalogue" | diff -u --label messages.def --label README.md - "$scratch/rows" ||
    Fail "README.md: one row per message, with its text"
  ;;
Docs.ManPageListsEveryMessageExactly)
  # A message: .TP, its English half in bold, ".if \n(JA" and the Japanese.
  Catalogue
  awk "$roff"'
    previous == ".TP" && /^\.B / { english = substr($0, 4); line = NR; previous = $0; next }
    english != "" && /^\.if \\n\(JA / {
      if (english ~ /^"./) english = substr(english, 2, length(english) - 2)
      print unroff(english, line) " " unroff(substr($0, 11), NR)
    }
    { english = ""; previous = $0 }' "$source/doc/codvet.1" >"$scratch/listed"
  # The program prints the first 25; the rest are the library's strict rules'.
  head -n 25 "$scratch/catalogue" | cut -f2 | diff -u --label messages.def --label doc/codvet.1 - "$scratch/listed" ||
    Fail "doc/codvet.1: every message, in the catalogue's order"
  ;;
Completion.OffersEncodingNamesFirstThenFiles)
  mkdir "$scratch/files"
  : >"$scratch/files/a b.txt"
  : >"$scratch/files/utf8.txt"
  ExpectCompletion $'euc-jp\niso-2022-jp\nshift_jis\nutf16\nutf16be\nutf16le\nutf8\nwindows-31j' \
    codvet ''
  ExpectCompletion $'utf16\nutf16be\nutf16le' codvet utf16
  ExpectCompletion windows-31j codvet w
  # Names are case-insensitive: what was typed stays, the rest follows in its case.
  ExpectCompletion SHIFT_JIS codvet SHI
  ExpectCompletion Shift_jis codvet Shi
  ExpectCompletion Shift_JIS codvet Shift_JIS
  ExpectCompletion $'UTF16\nUTF16BE\nUTF16LE' codvet UTF16
  ExpectCompletion $'Utf16\nUtf16be\nUtf16le' codvet Utf16
  ExpectCompletion WINDOWS-31J codvet W
  ExpectCompletion '' codvet x
  ExpectCompletion $'a b.txt\nutf8.txt' codvet utf8 ''
  ExpectCompletion utf8.txt codvet utf8 'a b.txt' u
  # codvet-lint: encoding names and aliases after -e, option values, files.
  ExpectCompletion $'SHIFT-JIS\nSHIFT_JIS\nSJIS' codvet-lint -e S
  ExpectCompletion json codvet-lint --format j
  ExpectCompletion utf8.txt codvet-lint -e utf8 u
  ;;
*)
  Fail "unknown check: $check"
  ;;
esac
exit "$failed"
