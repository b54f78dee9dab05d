# bash completion for vandrel: its commands, each command's options, and file
# names for a firmware download. Read from the tool's own --help, so that it
# follows the vandrel that is installed.
_vandrel() {
    local cur=${COMP_WORDS[COMP_CWORD]} prog=${COMP_WORDS[0]}
    local commands subs command
    commands=$("$prog" --help 2>/dev/null |
        awk -F'  +' '/^commands:/ {on = 1; next} on && !NF {exit} on {print $2}')
    if [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W "$(printf '%s\n' "$commands" | awk '!seen[$1]++ {print $1}') --help" -- "$cur"))
        return
    fi
    # A group of commands ("firmware download", "firmware erase") takes two words.
    command=${COMP_WORDS[1]}
    subs=$(printf '%s\n' "$commands" | awk -v group="$command" '$1 == group && NF == 2 {print $2}')
    if [ -n "$subs" ]; then
        if [ "$COMP_CWORD" -eq 2 ]; then
            COMPREPLY=($(compgen -W "$subs" -- "$cur"))
            return
        fi
        command="$command ${COMP_WORDS[2]}"
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$("$prog" $command --help 2>/dev/null |
            sed -n 's/^  \(--[a-z-]*\).*/\1/p')" -- "$cur"))
    elif [ "$command" = "firmware download" ]; then
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}
complete -F _vandrel vandrel
