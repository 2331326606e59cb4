# usage: zsh -f zsh_complete.zsh FUNCDIR LINE
# What zsh offers when TAB is pressed at the end of LINE, one match a line:
# LINE is typed into an interactive zsh whose completion functions include
# those of FUNCDIR, and a wrapper of compadd prints every match added.
zmodload zsh/zpty
zpty completion zsh -f -i
# The marks are computed, so that the echo of these commands holds none.
zpty -w completion "unsetopt prompt_cr prompt_sp; unset zle_bracketed_paste; PROMPT=''"
zpty -w completion "fpath=(${(q)1} \$fpath); autoload -Uz compinit; compinit -u -D"
zpty -w completion 'compadd() {
    if [[ ${@[1,(i)(-|--)]} == *-(O|A|D)\ * ]]; then builtin compadd "$@"; return; fi
    local -a added; builtin compadd -A added "$@"; print -rl -- ${^added/#/match$((6*7)):}
    builtin compadd "$@"; }'
zpty -w completion 'comppostfuncs=(_completion_end); _completion_end() { print -r -- end$((6*7)); }'
zpty -w -n completion "$2"$'\t'
local chunk line
while zpty -r -t completion chunk || { sleep 0.05; zpty -r completion chunk; }; do
    for line in ${(f)chunk//$'\r'/}; do
        [[ $line == *end42* ]] && break 2
        [[ $line == *match42:* ]] && print -r -- ${line##*match42:}
    done
done
zpty -d completion
