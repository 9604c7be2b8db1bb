# bash completion for codvet: the encoding name first, then file names.
# Installed as share/bash-completion/completions/codvet, where bash-completion
# loads it the first time codvet is completed; it can also be sourced by hand.

_codvet() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  COMPREPLY=()
  if ((COMP_CWORD == 1)); then
    local names="shift_jis windows-31j euc-jp iso-2022-jp utf8 utf16 utf16be utf16le"
    local IFS=$'\n'
    COMPREPLY=($(compgen -W "${names// /$'\n'}" -- "$cur"))
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
