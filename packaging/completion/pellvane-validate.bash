# bash completion for pellvane-validate: its options, a number after --jobs, and otherwise
# JPEG files and folders (which it searches for JPEG files).

_pellvane_validate() {
    local current=${COMP_WORDS[COMP_CWORD]}
    local previous=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    if [[ $previous == --jobs ]]; then
        mapfile -t COMPREPLY < <(compgen -W "1 2 4 8 16" -- "$current")
        return
    fi
    if [[ $current == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "--segments --tags --json --jobs --help" -- "$current")
        return
    fi
    # Folders, and files whose name ends in .jpg or .jpeg in any case.
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(
        compgen -d -- "$current"
        compgen -f -X '!*.[jJ][pP][gG]' -- "$current"
        compgen -f -X '!*.[jJ][pP][eE][gG]' -- "$current"
    )
}

complete -F _pellvane_validate pellvane-validate
