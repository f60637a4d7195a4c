# zsh -f ZshComplete.zsh SITE_FUNCTIONS LINE... — what zsh offers at the end of each LINE, one
# "MATCH:word" a match, then "DONE" after each line: one interactive zsh on a pseudo-terminal,
# each line typed and tab pressed, then wiped.
zmodload zsh/zpty
zpty z zsh -f -i
zpty -w z "fpath=(${(q)1} \$fpath); autoload -U compinit; compinit -u -D"
zpty -w z 'PROMPT=; RPROMPT=; unsetopt zle_bracketed_paste; bindkey "^I" complete-word'
# Each match and the end are marked by strings the echoed input does not hold.
zpty -w z 'compadd() { local -a h; builtin compadd -O h "$@"; print -lr -- "M""A""TCH:"${^h}; builtin compadd "$@"; }'
zpty -w z 'finished() { print -r -- "D""O""NE"; }'
shift
local out line
for line in "$@"; do
  # The hook is reset after each completion.
  zpty -w z 'comppostfuncs=(finished)'
  zpty -n -w z "$line"$'\t'
  zpty -r z out '*DONE*'
  print -r -- ${out//$'\r'/}
  zpty -n -w z $'\C-u'
done
zpty -d z
