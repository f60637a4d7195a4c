// Shell completions from option tables: the tables become data (words, values) in each shell's
// own form; the logic around them is fixed text.

#include "cli/io/Completion.h"

#include <functional>

namespace {

// The rows of Table that are in Groups.
void ForEachOption(TOptionTable Table, unsigned Groups,
                   const std::function<void(const TOptionSpec&)>& Visit) {
  for (const TOptionSpec& O : Table) {
    if ((O.Groups & Groups) != 0) Visit(O);
  }
}

// The first line of an option's help, as a one-line description.
std::string Description(const char* Help) {
  std::string Line(Help);
  Line = Line.substr(0, Line.find('\n'));
  while (!Line.empty() && (Line.back() == ';' || Line.back() == ',')) Line.pop_back();
  return Line;
}

// Text with Replace put for every Find.
std::string ReplaceAll(std::string Text, const std::string& Find, const std::string& Replace) {
  for (size_t At = Text.find(Find); At != std::string::npos;
       At = Text.find(Find, At + Replace.size())) {
    Text.replace(At, Find.size(), Replace);
  }
  return Text;
}

// An option's words, blank-separated.
std::string WordList(const TOptionSpec& O) {
  std::string List;
  for (const std::string& Word : OptionWords(O)) List += (List.empty() ? "" : " ") + Word;
  return List;
}

// Text inside '...' of a POSIX shell (bash, zsh).
std::string ShellQuoted(const std::string& Text) {
  return "'" + ReplaceAll(Text, "'", "'\\''") + "'";
}

// Text inside '...' of fish, where a backslash escapes a quote and itself.
std::string FishQuoted(const std::string& Text) {
  return "'" + ReplaceAll(ReplaceAll(Text, "\\", "\\\\"), "'", "\\'") + "'";
}

// Every option's words: "-s --start= -r --reverse"; a long option that takes a value ends in
// '=' so that completing it leaves the cursor there.
std::string OptionList(TOptionTable Table, unsigned Groups) {
  std::string List;
  ForEachOption(Table, Groups, [&](const TOptionSpec& O) {
    if (O.Short != 0) List += std::string(List.empty() ? "" : " ") + "-" + O.Short;
    if (O.Long != nullptr) {
      const bool Value = O.Value != ovNone && !O.OptionalValue;
      List += std::string(List.empty() ? "" : " ") + "--" + O.Long + (Value ? "=" : "");
    }
  });
  return List;
}

// The tables of a bash completion; @P@ is the program's name.
constexpr const char* BashTables =
    R"BASH(# bash completion for @P@, made by corvane_completions from the program's option tables.
# Installed as share/bash-completion/completions/@P@; works without the bash-completion
# package too (source it).

_@P@_commands='@COMMANDS@'

# _@P@_options COMMAND — the options COMMAND takes ('' before a command); a long option that
# takes a value ends in '=' so that completing it leaves the cursor there.
_@P@_options() {
  case $1 in
@OPTIONS@  esac
}

# _@P@_values COMMAND OPTION — what the value of OPTION ('-x' or a whole '--name') may be:
# words, "@files", or nothing when it is free; status 1 when OPTION takes none.
_@P@_values() {
  case $1 in
@VALUES@    *) return 1 ;;
  esac
}
)BASH";

// The bash logic around the tables.
constexpr const char* BashLogic = R"BASH(
# _@P@_long_name COMMAND PREFIX — the whole long option an abbreviation stands for, so that
# value completion also follows '--enc s' and '--enc=s'.
_@P@_long_name() {
  local o found=
  for o in $(_@P@_options "$1"); do
    [[ $o == --* ]] || continue
    o=${o%=}
    [[ $o == "$2" ]] && { printf "%s\n" "$o"; return; }
    if [[ $o == "$2"* ]]; then
      [[ -n $found ]] && { printf "%s\n" "$2"; return; }
      found=$o
    fi
  done
  printf "%s\n" "${found:-$2}"
}

# _@P@_value_option COMMAND WORD — the option whose value the word after WORD is, if any: a
# long option (maybe abbreviated) or a short one, also last in a cluster ('-re').
_@P@_value_option() {
  local name j
  if [[ $2 == --* ]]; then
    name=$(_@P@_long_name "$1" "$2")
    _@P@_values "$1" "$name" >/dev/null && printf "%s\n" "$name"
    return
  fi
  # The first one in a cluster that takes a value takes the rest of the cluster with it.
  for ((j = 1; j < ${#2}; j++)); do
    _@P@_values "$1" "-${2:j:1}" >/dev/null || continue
    ((j == ${#2} - 1)) && printf "%s\n" "-${2:j:1}"
    return
  done
}

_@P@_files() {
  if declare -F _filedir >/dev/null; then
    local cur=$1  # _filedir reads its word from cur
    _filedir
  else
    compopt -o filenames 2>/dev/null
    local IFS=$'\n'
    COMPREPLY=($(compgen -f -- "$1"))
  fi
}

_@P@_complete_value() {  # COMMAND OPTION CUR
  local values
  values=$(_@P@_values "$1" "$(_@P@_long_name "$1" "$2")")
  if [[ $values == @files ]]; then
    _@P@_files "$3"
  elif [[ -n $values ]]; then
    COMPREPLY=($(compgen -W "$values" -- "$3"))
  fi
}

_@P@() {
  COMPREPLY=()
  local cword=$COMP_CWORD cur=${COMP_WORDS[COMP_CWORD]}
  # bash splits '--encoding=s' into '--encoding' '=' 's' ('=' is in COMP_WORDBREAKS).
  local prev= before= option i
  ((cword >= 1)) && prev=${COMP_WORDS[cword - 1]}
  ((cword >= 2)) && before=${COMP_WORDS[cword - 2]}

  if ((cword == 1)); then
    if [[ $cur == -* ]]; then
      COMPREPLY=($(compgen -W "$(_@P@_options '')" -- "$cur"))
    else
      COMPREPLY=($(compgen -W "$_@P@_commands" -- "$cur"))
    fi
    return
  fi

  local command=${COMP_WORDS[1]}
  # After '--' every word is a file.
  for ((i = 2; i < cword; i++)); do
    if [[ ${COMP_WORDS[i]} == -- ]]; then
      _@P@_files "$cur"
      return
    fi
  done

  if [[ $prev == = && $before == --* ]]; then
    _@P@_complete_value "$command" "$before" "$cur"
    return
  fi
  if [[ $cur == = && $prev == --* ]]; then
    _@P@_complete_value "$command" "$prev" ""
    return
  fi
  if [[ $cur == --*=* ]]; then
    # '=' not a word break here: the value is completed with the option in front of it.
    option=${cur%%=*}
    _@P@_complete_value "$command" "$option" "${cur#*=}"
    COMPREPLY=("${COMPREPLY[@]/#/$option=}")
    return
  fi
  if [[ $prev == -* && $prev != *=* ]]; then
    option=$(_@P@_value_option "$command" "$prev")
    if [[ -n $option ]]; then
      _@P@_complete_value "$command" "$option" "$cur"
      return
    fi
  fi

  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$(_@P@_options "$command")" -- "$cur"))
    # '--encoding=' waits for its value.
    [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
    return
  fi
  _@P@_files "$cur"
}

complete -F _@P@ @P@
)BASH";

// The bash case arms of one command's values: "-e | --encoding) echo '...' ;;".
std::string BashValueArms(TOptionTable Table, unsigned Groups) {
  std::string Arms;
  ForEachOption(Table, Groups, [&](const TOptionSpec& O) {
    // A value that may be left out is never the next word.
    if (O.Value == ovNone || O.OptionalValue) return;
    std::string Pattern = O.Short != 0 ? std::string("-") + O.Short : "";
    if (O.Long != nullptr) Pattern += (Pattern.empty() ? "--" : " | --") + std::string(O.Long);
    const std::string Echo = O.Value == ovFile   ? " echo @files"
                             : O.Value == ovWord ? " echo " + ShellQuoted(WordList(O))
                                                 : "";
    Arms += "        " + Pattern + ")" + Echo + " ;;\n";
  });
  return Arms;
}

}  // namespace

std::string BashCompletion(const TProgramSpec& Program) {
  const std::string P = Program.Name;
  std::string Commands;
  for (const TCommandSpec& C : Program.Commands) {
    Commands += (Commands.empty() ? "" : " ") + std::string(C.Name);
  }
  std::string Options =
      "    '') echo " + ShellQuoted(OptionList(Program.Options, Program.Groups)) + " ;;\n";
  std::string Values;
  for (const TCommandSpec& C : Program.Commands) {
    Options += "    " + std::string(C.Name) + ") echo " +
               ShellQuoted(OptionList(C.Options, C.Groups)) + " ;;\n";
    Values += "    " + std::string(C.Name) + ")\n      case $2 in\n" +
              BashValueArms(C.Options, C.Groups) + "        *) return 1 ;;\n      esac ;;\n";
  }
  const std::string Text =
      ReplaceAll(ReplaceAll(ReplaceAll(BashTables, "@COMMANDS@", Commands), "@OPTIONS@", Options),
                 "@VALUES@", Values);
  return ReplaceAll(Text + BashLogic, "@P@", P);
}

namespace {

// One _arguments spec of zsh: {-s+,--start=}'[text]:N: '.
std::string ZshSpec(const TOptionSpec& O) {
  const bool Value = O.Value != ovNone;
  // "-x-", "--fence=-": a value that may be left out is attached or absent.
  const std::string Short =
      O.Short != 0 ? std::string("-") + O.Short + (Value ? O.OptionalValue ? "-" : "+" : "") : "";
  const std::string Long =
      O.Long != nullptr ? std::string("--") + O.Long + (Value ? O.OptionalValue ? "=-" : "=" : "")
                        : "";
  const std::string Names =
      !Short.empty() && !Long.empty() ? "{" + Short + "," + Long + "}" : ShellQuoted(Short + Long);
  std::string Spec =
      "[" + ReplaceAll(ReplaceAll(Description(O.Help), "[", "\\["), "]", "\\]") + "]";
  if (Value) {
    const std::string Action = O.Value == ovFile   ? "_files"
                               : O.Value == ovWord ? "(" + WordList(O) + ")"
                                                   : " ";
    Spec += (O.OptionalValue ? "::" : ":") + std::string(O.Arg) + ":" + Action;
  }
  return Names + ShellQuoted(Spec);
}

// A zsh completion function; @P@ is the program's name, @TOP@ the specs of the options before
// a command, @COMMANDS@ the commands, @ARGUMENTS@ the _arguments call of each command.
constexpr const char* ZshScript = R"ZSH(#compdef @P@
# zsh completion for @P@, made by corvane_completions from the program's option tables.

_@P@() {
  local curcontext=$curcontext state line ret=1
  typeset -A opt_args
  _arguments -C \
@TOP@    '1:command:->command' \
    '*::argument:->argument' && ret=0
  case $state in
    command)
      local -a commands
      commands=(
@COMMANDS@      )
      _describe -t commands '@P@ command' commands && ret=0 ;;
    argument)
      case $words[1] in
@ARGUMENTS@      esac ;;
  esac
  return ret
}

_@P@ "$@"
)ZSH";

std::string ZshSpecs(TOptionTable Table, unsigned Groups, const std::string& Indent) {
  std::string Specs;
  ForEachOption(Table, Groups,
                [&](const TOptionSpec& O) { Specs += Indent + ZshSpec(O) + " \\\n"; });
  return Specs;
}

}  // namespace

std::string ZshCompletion(const TProgramSpec& Program) {
  std::string Commands, Arguments;
  for (const TCommandSpec& C : Program.Commands) {
    Commands += "        " + ShellQuoted(std::string(C.Name) + ":" + C.Summary) + "\n";
    Arguments += "        " + std::string(C.Name) + ")\n          _arguments -s -S \\\n" +
                 ZshSpecs(C.Options, C.Groups, "            ") +
                 "            '*:file:_files' && ret=0 ;;\n";
  }
  const std::string Text = ReplaceAll(
      ReplaceAll(ReplaceAll(ZshScript, "@TOP@", ZshSpecs(Program.Options, Program.Groups, "    ")),
                 "@COMMANDS@", Commands),
      "@ARGUMENTS@", Arguments);
  return ReplaceAll(Text, "@P@", Program.Name);
}

namespace {

// The head of a fish completion: which command is on the line; @P@ is the program's name.
constexpr const char* FishHead =
    R"FISH(# fish completion for @P@, made by corvane_completions from the program's option tables.

# The command on the line (its first argument), if any.
function __@P@_command
    set -l tokens (commandline -opc)
    set -q tokens[2]; and printf '%s\n' $tokens[2]
end

# Whether the command on the line is the one named.
function __@P@_using --argument-names name
    set -l command (__@P@_command)
    test "$command" = "$name"
end

)FISH";

// One fish complete line of an option under Condition.
std::string FishOption(const std::string& P, const std::string& Condition, const TOptionSpec& O) {
  std::string Line = "complete -c " + P + " -n " + FishQuoted(Condition);
  if (O.Short != 0) Line += std::string(" -s ") + O.Short;
  if (O.Long != nullptr) Line += std::string(" -l ") + O.Long;
  if (O.Value == ovText && !O.OptionalValue) Line += " -x";
  if (O.Value == ovWord) Line += " -x -a " + FishQuoted(WordList(O));
  if (O.Value == ovFile) Line += " -r -F";
  return Line + " -d " + FishQuoted(Description(O.Help)) + "\n";
}

}  // namespace

std::string FishCompletion(const TProgramSpec& Program) {
  const std::string P = Program.Name;
  std::string Text = ReplaceAll(FishHead, "@P@", P);
  const std::string None = "not __" + P + "_command";
  for (const TCommandSpec& C : Program.Commands) {
    Text += "complete -c " + P + " -n " + FishQuoted(None) + " -f -a " + FishQuoted(C.Name) +
            " -d " + FishQuoted(C.Summary) + "\n";
  }
  ForEachOption(Program.Options, Program.Groups,
                [&](const TOptionSpec& O) { Text += FishOption(P, None, O); });
  for (const TCommandSpec& C : Program.Commands) {
    Text += "\n";
    ForEachOption(C.Options, C.Groups, [&](const TOptionSpec& O) {
      Text += FishOption(P, "__" + P + "_using " + C.Name, O);
    });
  }
  return Text;
}
