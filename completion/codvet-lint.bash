# bash completion for codvet-lint: options, their values (encoding names in
# any case, as the program reads them), then files and directories.
# Installed as share/bash-completion/completions/codvet-lint.

_codvet_lint() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} words=""
  COMPREPLY=()
  case $prev in
    -e | --encoding)
      local name lower=${cur,,}
      for name in shift_jis windows-31j euc-jp iso-2022-jp utf8 utf16 utf16be utf16le \
        utf-8 shift-jis sjis cp932 ms932 eucjp iso2022jp jis utf-16 utf-16le utf-16be; do
        [[ $name == "$lower"* ]] || continue
        # What was typed is kept; upper case typed alone continues in upper case.
        name=$cur${name:${#cur}}
        [[ $cur == *[[:upper:]]* && $cur != *[[:lower:]]* ]] && name=${name^^}
        COMPREPLY+=("$name")
      done
      return 0
      ;;
    --format) words="text json github" ;;
    --lang) words="en ja both" ;;
    --max-problems | -j | --jobs | --include | --exclude) return 0 ;;
  esac
  if [[ -z $words && $cur == -* ]]; then
    words="-e --encoding --format --lang --strict --max-problems --no-hint --include
      --exclude -j --jobs -q --quiet --help --version"
  fi
  if [[ -n $words ]]; then
    COMPREPLY=($(compgen -W "$words" -- "$cur"))
    return 0
  fi
  if declare -F _filedir >/dev/null; then
    _filedir
  else
    compopt -o filenames 2>/dev/null
    local IFS=$'\n'
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
}
complete -F _codvet_lint codvet-lint
