#!/usr/bin/env bash
# End-to-end tests of the Windows program under wine, inside the prefix and
# server of scripts/test-windows.sh. Each check compares standard output,
# standard error and the exit status exactly. Most are differential: the POSIX
# program run the same way prints the same bytes, with "\n" for "\r\n".
#
#   tests/windows_cli_test.sh CODVET_EXE POSIX_CODVET
set -euo pipefail
exe=$(realpath "$1")
posix=$(realpath "$2")
cd "$(dirname "$0")/.."
root=$PWD
t=$(mktemp -d "${TMPDIR:-/tmp}/codvet-cli.XXXXXX")
trap 'rm -rf "$t"' EXIT
failures=0

# The program that a check's command line calls `codvet`, and how wine runs.
program=()
wine=(wine)
codvet() { "${program[@]}" "$@"; }

# Runs the shell command line $2 with no standard input unless it gives one,
# keeping its streams and status in $t/$1.{out,err,status}.
run() {
  local status=0
  eval "$2" >"$t/$1.out" 2>"$t/$1.err" </dev/null || status=$?
  echo "$status" >"$t/$1.status"
}

# Compares what the Windows program gave ($t/win.*) with $t/want.*.
compare() {
  local part
  for part in out err status; do
    if ! cmp -s "$t/want.$part" "$t/win.$part"; then
      echo "FAILED: $1: standard $part differs (<expected, >got):" >&2
      diff <(od -c "$t/want.$part") <(od -c "$t/win.$part") | head -8 >&2 || true
      failures=$((failures + 1))
      return
    fi
  done
  echo "ok: $1"
}

# Checks that command line $1 gives the same under both programs.
same() {
  program=("$posix")
  run want "$1"
  sed -z -i 's/\n/\r\n/g' "$t/want.out" "$t/want.err"
  program=("${wine[@]}" "$exe")
  run win "$1"
  compare "$1"
}

# Checks command line $1 under the Windows program against the standard
# output in $t/want.out, the standard error $2 and the status $3; $label, if
# set, names the check.
expect() {
  printf %s "$2" >"$t/want.err"
  echo "$3" >"$t/want.status"
  program=("${wine[@]}" "$exe")
  run win "$1"
  compare "${label:-$1}"
}

# The report line for a file that holds the byte 0x80, checked as utf8,
# for each name given: the POSIX program's line for standard input, renamed.
line=$(printf '\x80' | "$posix" utf8 || true)
reports() {
  local name
  for name; do printf '"%s"%s\r\n' "$name" "${line#'"(STDIN)"'}"; done
}

# Every sample, run from the top directory as the README shows.
for sample in samples/*.txt; do
  encoding=$(basename "$sample" .txt)
  same "codvet ${encoding%-*} $sample"
done

mkdir "$t/files"
cd "$t/files"
printf 'ASCII only.\n' >valid.txt
printf 'a\x80b\xed\xa0\x80' >invalid.txt
printf 'ab\x82' >cut.txt
printf 'a\r\n\x1a\r\x80' >crlf.txt
{ head -c 1048576 /dev/zero | tr '\0' '\200'; printf ok; } >many.txt
same "codvet"
same "codvet latin1"
same "codvet ISO-2022-jp invalid.txt"
same "codvet utf8 crlf.txt"
# Earlier reports stay, before the error; later files are not read.
same "codvet utf8 invalid.txt missing cut.txt 2>&1"
# Standard input is read as raw bytes, from a file and from a pipe.
same "codvet utf8 <crlf.txt"
same "printf 'a\r\n\x1a\r\x80' | codvet utf8"
# The status comes from the whole input, whoever reads the reports.
same "codvet shift_jis many.txt >&-"
same "codvet shift_jis valid.txt >&-"
same "codvet shift_jis many.txt | head -c 10"
: >"$t/want.out"
expect "codvet utf8 valid.txt ." $'.: Permission denied\r\n' 4

# Runs the command line $1, typed after the program's name, from a batch file
# so that the program gets it exactly as typed, in a fresh directory holding
# the files named in $2 (each the byte 0x80) and a directory "sub". Expects
# the standard error $3, the status $4 and the reports for the names $5...
typed() {
  local dir=$t/$((++dirs)) file
  mkdir -p "$dir/sub"
  for file in $2; do printf '\x80' >"$dir/${file//\\//}"; done
  printf '@"%s" %s\r\n' "$(winepath -w "$exe")" "$1" >"$dir.bat"
  reports "${@:5}" >"$t/want.out"
  cd "$dir"
  bat=$(winepath -w "$dir.bat") label="typed: $1" expect '"${wine[@]}" cmd /c "$bat"' "$3" "$4"
}
dirs=0

# Matches are sorted without regard to case, "." and ".." left out; patterns
# keep their places.
typed 'utf8 b*.txt .* a?.txt' 'B1.txt b0.txt a1.txt A0.txt .x c.dat' "" 2 \
  b0.txt B1.txt .x A0.txt a1.txt
# With their directory part; wine shows the root directory as drive Z:, the
# current drive.
typed 'utf8 sub\*.txt sub/?.txt Z:*.txt' 'sub\a.txt top.txt' "" 2 \
  'sub\a.txt' sub/a.txt Z:top.txt
# However the runtime splits the arguments, the quoted pattern is not
# expanded and is reported missing.
typed 'utf8 *.txt "*" "a""b c"' 'b.txt A.txt' $'*: No such file or directory\r\n' 4 \
  A.txt b.txt

# In code page 932 (the active one under a Japanese locale) the second byte of
# a character may look like "\", and a half-width katakana (one byte) sorts
# before every double-byte character although its byte is the larger. wine
# gives Windows the names on disk in UTF-8. The locale is generated for this
# run, so the system needs none.
kanji=$(printf '\x95\x5c') hiragana=$(printf '\x82\xa0') katakana=$(printf '\xb1')
mkdir -p "$t/locales"
localedef -i ja_JP -f UTF-8 "$t/locales/ja_JP.UTF-8"
wine=(env "LOCPATH=$t/locales" LC_ALL=ja_JP.UTF-8 wine)
names=$(printf '%s.txt ' "$kanji" "$hiragana" "$katakana" | iconv -f CP932 -t UTF-8)
typed "utf8 $kanji* *.txt" "$names" "" 2 "$kanji.txt" "$katakana.txt" "$hiragana.txt" "$kanji.txt"

# codvet-lint against the POSIX codvet-lint, still in code page 932: the same
# bytes, line ends included, and names in UTF-8, even those the code page
# lacks, walked from a directory or typed.
lint_exe=$(dirname "$exe")/codvet-lint.exe lint_posix=$(dirname "$posix")/codvet-lint
lint() { "${program[@]}" "$@"; }
same_lint() {
  program=("$lint_posix")
  run want "$1"
  program=("${wine[@]}" "$lint_exe")
  run win "$1"
  compare "$1"
}
mkdir -p "$t/tree/d/sub" "$t/tree/d/.git"
cp -r "$root/samples" "$t/tree"
cd "$t/tree"
printf 'a\x80\n' >d/議事録.txt
printf 'x\n\x82' >'d/sub/한국 😀.txt'
printf 'ok\n' >d/b.txt
printf '\x80' >d/.git/x
same_lint "lint -e utf8 d 2>&1"
same_lint "lint -e sjis -j 1 --format json --lang both d/sub/'한국 😀.txt' d/議事録.txt missing 2>&1"
same_lint "lint -e sjis --format github --strict d - <d/議事録.txt 2>&1"
same_lint "lint -e EUC-JP samples 2>&1"
same_lint "lint -e utf-8 --include '*.txt' --exclude 'sub' --max-problems 1 -j 3 samples d 2>&1"

echo "$failures failed"
[ "$failures" -eq 0 ]
