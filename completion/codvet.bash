# bash completion for codvet: the encoding name first, then file names.
# Installed as share/bash-completion/completions/codvet, where bash-completion
# loads it the first time codvet is completed; it can also be sourced by hand.

_codvet() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  COMPREPLY=()
  if ((COMP_CWORD == 1)); then
    # codvet compares names without regard to case, so any case completes:
    # what was typed is kept and the rest of the name follows, in upper case
    # when only upper-case letters were typed (SHI gives SHIFT_JIS, Shi gives
    # Shift_jis, Shift_JIS stays as it is).
    local name lower=${cur,,}
    for name in shift_jis windows-31j euc-jp iso-2022-jp utf8 utf16 utf16be utf16le; do
      [[ $name == "$lower"* ]] || continue
      name=$cur${name:${#cur}}
      [[ $cur == *[[:upper:]]* && $cur != *[[:lower:]]* ]] && name=${name^^}
      COMPREPLY+=("$name")
    done
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
complete -F _codvet codvet
