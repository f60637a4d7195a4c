# zsh -f ZshComplete.zsh SITE_FUNCTIONS LINE — what zsh offers at the end of LINE, one
# "MATCH:word" a match, then "DONE": an interactive zsh on a pseudo-terminal, tab pressed.
zmodload zsh/zpty
zpty z zsh -f -i
zpty -w z "fpath=(${(q)1} \$fpath); autoload -U compinit; compinit -u -D"
zpty -w z 'PROMPT=; RPROMPT=; unsetopt zle_bracketed_paste; bindkey "^I" complete-word'
# Each match and the end are marked by strings the echoed input does not hold.
zpty -w z 'compadd() { local -a h; builtin compadd -O h "$@"; print -lr -- "M""A""TCH:"${^h}; builtin compadd "$@"; }'
zpty -w z 'comppostfuncs=(finished); finished() { print -r -- "D""O""NE"; }'
zpty -n -w z "$2"$'\t'
local out
zpty -r z out '*DONE*'
print -r -- ${out//$'\r'/}
zpty -d z
