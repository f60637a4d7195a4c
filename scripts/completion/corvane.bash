# bash completion for corvane: the command first, then that command's options and files.
# Installed as share/bash-completion/completions/corvane; works without the bash-completion
# package too (source it from ~/.bashrc).

# The options of each command, as cli/filter/CommandLine.cpp and cli/nl/NlOptions.cpp accept them.
# A long option that takes a value ends in '=' so that completing it leaves the cursor there.
_corvane_commands='number continue delete delete-number-only dedent tidy copy renumber nl'
_corvane_common='-e --encoding= -o --output= -h --help --version'
_corvane_encodings='auto utf-8 utf-16le utf-16be cp932 sjis shift_jis'
_corvane_nl_options='-b --body-numbering= -d --section-delimiter= -f --footer-numbering=
  -h --header-numbering= -i --line-increment= -l --join-blank-lines= -n --number-format=
  -p --no-renumber -s --number-separator= -v --starting-line-number= -w --number-width=
  --help --version'

# _corvane_options COMMAND — the options COMMAND takes, one word each.
_corvane_options() {
  case $1 in
    number) echo "-s --start= -i --step= -r --reverse -z --zero-fill= -p --plus $_corvane_common" ;;
    continue | renumber) echo "-i --step= $_corvane_common" ;;
    copy) echo "-t --tidy --path= $_corvane_common" ;;
    nl) echo "$_corvane_nl_options" ;;
    *) echo "$_corvane_common" ;;
  esac
}

# _corvane_values COMMAND OPTION — what OPTION's value may be: a word list, "@files", or
# nothing when the value is free (a number, a separator).
_corvane_values() {
  if [[ $1 == nl ]]; then
    case $2 in
      -b | -h | -f | --body-numbering | --header-numbering | --footer-numbering) echo "a t n p" ;;
      -n | --number-format) echo "ln rn rz" ;;
    esac
    return
  fi
  case $2 in
    -e | --encoding) echo "$_corvane_encodings" ;;
    -o | --output | --path) echo "@files" ;;
  esac
}

# _corvane_value_option COMMAND WORD — the option whose value the word after WORD is, if any:
# a long option (maybe abbreviated) or a short one, also last in a cluster ('-re').
_corvane_value_option() {
  local options=($(_corvane_options "$1")) name i j
  if [[ $2 == --* ]]; then
    name=$(_corvane_long_name "$1" "$2")
    for ((i = 0; i < ${#options[@]}; i++)); do
      [[ ${options[i]} == "$name=" ]] && { printf "%s\n" "$name"; return; }
    done
    return
  fi
  # In the table a short option stands right before its long form: '-s' then '--start='.
  # The first one in a cluster that takes a value takes the rest of the cluster with it.
  for ((j = 1; j < ${#2}; j++)); do
    for ((i = 0; i + 1 < ${#options[@]}; i++)); do
      [[ ${options[i]} == "-${2:j:1}" && ${options[i + 1]} == --*= ]] || continue
      ((j == ${#2} - 1)) && printf "%s\n" "-${2:j:1}"
      return
    done
  done
}

# _corvane_long_name COMMAND PREFIX — the full long option an abbreviation stands for, so that
# value completion also follows '--enc s' and '--enc=s'.
_corvane_long_name() {
  local o found=
  for o in $(_corvane_options "$1"); do
    [[ $o == --* ]] || continue
    o=${o%=}
    [[ $o == "$2" ]] && { printf "%s\n" "$o"; return; }
    if [[ $o == "$2"* ]]; then
      [[ -n $found ]] && return
      found=$o
    fi
  done
  printf "%s\n" "${found:-$2}"
}

_corvane_files() {
  if declare -F _filedir >/dev/null; then
    local cur=$1  # _filedir reads its word from cur
    _filedir
  else
    compopt -o filenames 2>/dev/null
    local IFS=$'\n'
    COMPREPLY=($(compgen -f -- "$1"))
  fi
}

_corvane_complete_value() {  # COMMAND OPTION CUR
  local values
  values=$(_corvane_values "$1" "$(_corvane_long_name "$1" "$2")")
  if [[ $values == @files ]]; then
    _corvane_files "$3"
  elif [[ -n $values ]]; then
    COMPREPLY=($(compgen -W "$values" -- "$3"))
  fi
}

_corvane() {
  COMPREPLY=()
  local cword=$COMP_CWORD cur=${COMP_WORDS[COMP_CWORD]}
  # bash splits '--encoding=s' into '--encoding' '=' 's' ('=' is in COMP_WORDBREAKS).
  local prev= before=
  ((cword >= 1)) && prev=${COMP_WORDS[cword - 1]}
  ((cword >= 2)) && before=${COMP_WORDS[cword - 2]}

  if ((cword == 1)); then
    if [[ $cur == -* ]]; then
      COMPREPLY=($(compgen -W '--help --version' -- "$cur"))
    else
      COMPREPLY=($(compgen -W "$_corvane_commands" -- "$cur"))
    fi
    return
  fi

  local command=${COMP_WORDS[1]} i
  # After '--' every word is a file.
  for ((i = 2; i < cword; i++)); do
    if [[ ${COMP_WORDS[i]} == -- ]]; then
      _corvane_files "$cur"
      return
    fi
  done

  if [[ $prev == = && $before == --* ]]; then
    _corvane_complete_value "$command" "$before" "$cur"
    return
  fi
  if [[ $cur == = && $prev == --* ]]; then
    _corvane_complete_value "$command" "$prev" ""
    return
  fi
  if [[ $cur == --*=* ]]; then
    # '=' not a word break here: the value is completed with the option in front of it.
    option=${cur%%=*}
    _corvane_complete_value "$command" "$option" "${cur#*=}"
    COMPREPLY=("${COMPREPLY[@]/#/$option=}")
    return
  fi
  local option
  if [[ $prev == -* && $prev != *=* ]]; then
    option=$(_corvane_value_option "$command" "$prev")
    if [[ -n $option ]]; then
      _corvane_complete_value "$command" "$option" "$cur"
      return
    fi
  fi

  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$(_corvane_options "$command")" -- "$cur"))
    # '--encoding=' waits for its value.
    [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
    return
  fi
  _corvane_files "$cur"
}

complete -F _corvane corvane
