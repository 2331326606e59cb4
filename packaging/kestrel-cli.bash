# bash completion for kestrel-cli                           -*- shell-script -*-

_kestrel_cli()
{
    local cur prev words cword split
    _init_completion -s || return

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
        -j | --jobs)
            # 1 to 1024 are accepted; up to the hardware threads (the default) make sense.
            COMPREPLY=($(compgen -W "$(seq 1 "$(_ncpus)")" -- "$cur"))
            return
            ;;
        --suffix | -h | --help | --version)
            return
            ;;
    esac
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-t --transform= -o --output-dir= --suffix= -i --in-place
            -n --no-clobber -k --keep-going -p --preserve-time -q --quiet --salvage -j --jobs=
            -h --help --version' -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi
    _filedir '@(avi|AVI)'
} &&
    complete -F _kestrel_cli kestrel-cli

# ex: filetype=sh
