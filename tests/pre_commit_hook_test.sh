#!/usr/bin/env bash
# The hook of .pre-commit-hooks.yaml as a project meets it: commits in a scratch
# repository that uses it for Shift_JIS and UTF-16, with LINT_DIR's codvet-lint on
# PATH. pre-commit clones the hook repository at a commit, so the working tree's
# hook file is committed into one of its own. Needs git and pre-commit, no network.
set -euo pipefail
lint_dir=$(cd "${1:?usage: $0 LINT_DIR}" && pwd)
source=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d) && trap 'rm -rf "$scratch"' EXIT
export PRE_COMMIT_HOME=$scratch/cache GIT_CONFIG_GLOBAL=/dev/null GIT_CONFIG_NOSYSTEM=1 \
  GIT_AUTHOR_NAME=t GIT_AUTHOR_EMAIL=t@example.org GIT_COMMITTER_NAME=t GIT_COMMITTER_EMAIL=t@example.org
git init -q "$scratch/hooks" && cp "$source/.pre-commit-hooks.yaml" "$scratch/hooks/"
git -C "$scratch/hooks" add . && git -C "$scratch/hooks" commit -qm hooks
git init -q "$scratch/work" && cd "$scratch/work"
# Extensions that pre-commit does not know, so that it looks at the bytes.
cat >.pre-commit-config.yaml <<EOF
repos:
  - repo: $scratch/hooks
    rev: $(git -C "$scratch/hooks" rev-parse HEAD)
    hooks:
      - {id: codvet-lint, args: [-e, shift_jis], files: \.sjis$}
      - {id: codvet-lint, name: codvet-lint utf16, args: [-e, utf16], files: \.u16$}
EOF
git add . && git commit -qm config && pre-commit install >/dev/null && pre-commit install-hooks >/dev/null

# Commits the files $3... (each NAME:SAMPLE, from samples/) with PATH $1; the
# commit must exit with $2 and print the lines on standard input, if any.
Commit() {
  local path=$1 want=$2 file status=0
  for file in "${@:3}"; do cp "$source/samples/${file#*:}" "${file%%:*}" && git add "${file%%:*}"; done
  PATH=$path git commit -qm test >"$scratch/out" 2>&1 || status=$?
  ((status == want)) || { cat "$scratch/out" && echo "FAILED: exit status $status, not $want: ${*:3}" && exit 1; }
  cat >"$scratch/want"
  [[ ! -s $scratch/want ]] || diff -u "$scratch/want" "$scratch/out" || { echo "FAILED: ${*:3}" && exit 1; }
}
Commit "$lint_dir:$PATH" 1 a.sjis:shift_jis-invalid.txt b.u16:utf16-invalid.txt <<'EOF'
codvet-lint..............................................................Failed
- hook id: codvet-lint
- exit code: 1

a.sjis:5:1: Invalid Character (0x8740) [MsgInvalidCharacter]
a.sjis:6:4: Invalid Character (0x7f) [MsgInvalidCharacter]
a.sjis:7:1: Alone Lead-Byte in EOF (0x82) [MsgAloneLeadByteSjis]
a.sjis: valid in none of the eight encodings
codvet-lint: 1 file checked, 1 invalid, 0 unreadable, 3 problems

codvet-lint utf16........................................................Failed
- hook id: codvet-lint
- exit code: 1

b.u16:4:1: Detected Trailer Half of Sarrogate Pair. (0xdc00) [MsgLoneTrailSurrogate]
b.u16:4:2: Must not appear 0xfffe. (0xfffe) [MsgFffeMustNotAppear]
b.u16:4:3: Incomplete Character in EOF (0x41) [MsgIncompleteCharacterUtf16]
b.u16: valid in none of the eight encodings
codvet-lint: 1 file checked, 1 invalid, 0 unreadable, 3 problems

EOF
Commit "$lint_dir:$PATH" 0 a.sjis:shift_jis-valid.txt b.u16:utf16-valid.txt <<'EOF'
codvet-lint..............................................................Passed
codvet-lint utf16........................................................Passed
EOF
# Without codvet-lint (only git and bash on PATH) the commit fails.
mkdir "$scratch/bin" && ln -s "$(command -v git)" "$(command -v bash)" "$scratch/bin/"
Commit "$scratch/bin" 1 c.sjis:shift_jis-valid.txt </dev/null
echo "pre-commit hook: 3 passed, 0 failed"
