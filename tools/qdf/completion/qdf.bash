# bash completion for qdf. The commands and each command's options are read
# from qdf's own help, so they never fall behind the tool.

_qdf_commands() {
    qdf --help 2>/dev/null | sed -n '/^Subcommands:/,$ s/^  \([a-z][a-z0-9-]*\) .*/\1/p'
}

_qdf() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD-1]}
    if [[ $COMP_CWORD -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$(_qdf_commands) --help --version" -- "$cur"))
        return
    fi
    local command=${COMP_WORDS[1]}
    case $prev in
        --encoding) COMPREPLY=($(compgen -W "windows-1252 utf-8" -- "$cur")); return ;;
        --format) COMPREPLY=($(compgen -W "table csv json" -- "$cur")); return ;;
        --type) COMPREPLY=($(compgen -W "integer string bool real time" -- "$cur")); return ;;
    esac
    if [[ $command == help && $COMP_CWORD -eq 2 ]]; then
        COMPREPLY=($(compgen -W "$(_qdf_commands)" -- "$cur"))
        return
    fi
    if [[ $cur == -* ]]; then
        local options
        options=$(qdf "$command" --help 2>/dev/null | grep -oE -- '(^|[ ,])--?[a-zA-Z][-a-zA-Z]*' |
                  tr -d ' ,')
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    if [[ ($command == add || $command == remove) && $COMP_CWORD -eq 3 ]]; then
        COMPREPLY=($(compgen -W "tables attributes nonDisplayAttributes conditions joins defaultValues" -- "$cur"))
        return
    fi
    COMPREPLY=($(compgen -f -- "$cur"))
}

complete -o filenames -F _qdf qdf
