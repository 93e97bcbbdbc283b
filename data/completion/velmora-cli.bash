# bash completion for velmora-cli: commands, their options, processing modes and stream files.

_velmora_cli() {
    local cur prev words cword
    _init_completion || return

    local commands="info headers report cut split-gops correct seqend extract thumbnail"
    local global_options="--help --version --progress --no-progress"
    local modes="quick first-gop tree extended-tree rewrite-cache"

    local command="" i
    for ((i = 1; i < cword; i++)); do
        case "${words[i]}" in
            -*) ;;
            *)
                command="${words[i]}"
                break
                ;;
        esac
    done

    case "$prev" in
        --mode)
            if [[ $command == split-gops ]]; then
                COMPREPLY=($(compgen -W "tree extended-tree first-gop rewrite-cache" -- "$cur"))
            else
                COMPREPLY=($(compgen -W "$modes" -- "$cur"))
            fi
            return
            ;;
        --to)
            COMPREPLY=($(compgen -W "end" -- "$cur"))
            return
            ;;
        --from | --first | --count | --stream | --picture | --gop | --width)
            return
            ;;
        -o | --output)
            _filedir
            return
            ;;
    esac

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "$global_options" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi

    local options
    case "$command" in
        info) options="--mode --json --all" ;;
        headers) options="--mode --first --count --json" ;;
        report) options="-o --output --mode" ;;
        cut) options="--from --to -o --output --mode" ;;
        split-gops) options="--mode --force" ;;
        correct) options="-o --output --force" ;;
        seqend) options="" ;;
        extract) options="-o --output --stream --force" ;;
        thumbnail) options="--picture --gop -o --output --width --force --mode" ;;
        *) return ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help --progress --no-progress" -- "$cur"))
        return
    fi

    # The first word after report and seqend is a keyword, then the stream.
    local words_after=0
    for ((i = i + 1; i < cword; i++)); do
        case "${words[i]}" in
            --mode | --to | --from | --first | --count | -o | --output | --stream | --picture | --gop | --width) ((i++)) ;;
            -*) ;;
            *) ((words_after++)) ;;
        esac
    done
    if ((words_after == 0)); then
        case "$command" in
            report)
                COMPREPLY=($(compgen -W "display-order frame-structure" -- "$cur"))
                return
                ;;
            seqend)
                COMPREPLY=($(compgen -W "set delete" -- "$cur"))
                return
                ;;
        esac
    fi
    _filedir '@(m2v|M2V|mpv|MPV|m1v|M1V|mpg|MPG|mpeg|MPEG)'
} &&
    complete -F _velmora_cli velmora-cli
