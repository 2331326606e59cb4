#!/usr/bin/env bash
# usage: bash_complete.sh SCRIPT LINE
# What bash offers when TAB is pressed at the end of LINE, one match a line:
# SCRIPT's completion function run under bash-completion, with the words
# split at blanks and at '=' as readline splits them.
source /usr/share/bash-completion/bash_completion
source "$1"
COMP_LINE=$2
COMP_POINT=${#COMP_LINE}
read -ra COMP_WORDS <<<"${COMP_LINE//=/ = }"
[[ $COMP_LINE == *[\ =] ]] && COMP_WORDS+=("")
COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
function=$(complete -p "${COMP_WORDS[0]}" | sed -n 's/.*-F \([^ ]*\) .*/\1/p')
# compopt only works while readline completes: what it would set is not printed.
compopt() { :; }
"$function" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
printf '%s\n' "${COMPREPLY[@]}"
