# bash completion for kestrel-cli                           -*- shell-script -*-

_kestrel_cli()
{
    local cur prev words cword
    _init_completion || return

    case $prev in
        -t | --transform)
            COMPREPLY=($(compgen -W 'cw 90 clockwise acw ccw 270 -90 anticlockwise 180
                mirror-x hflip flip-h mirror-y vflip flip-v' -- "$cur"))
            return
            ;;
        -o | --output-dir)
            _filedir -d
            return
            ;;
        --suffix | -h | --help | --version)
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-t --transform -o --output-dir --suffix -i --in-place
            -n --no-clobber -k --keep-going -p --preserve-time -q --quiet -h --help
            --version' -- "$cur"))
        return
    fi
    _filedir '@(avi|AVI)'
} &&
    complete -F _kestrel_cli kestrel-cli

# ex: filetype=sh
