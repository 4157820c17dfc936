# SPDX-License-Identifier: MIT
# bash completion for veldrant-cli. The command words and options come from the program's own
# --help at the moment of completion, so a new command completes without a change here:
#   - a help's command list is the section whose title ends in "commands:" (any case); each of
#     its lines starts with a command path, whose words are lower-case words, cut at the first
#     other word or at two spaces; lines indented deeper than the first carry on an entry;
#   - a path listed whole ("marks export") completes word by word; a command listed alone
#     whose own help lists commands ("veldrant-cli marks --help") completes from that help;
#   - past the command words: after '-' the options of the command's own options section;
#     after an option whose placeholder lists its values ("--format gpx|kml|geojson"), those
#     values; files otherwise.

# Prints the command paths listed in the help text on stdin, one per line.
_veldrant_cli_paths() {
    local line in_list=0 indent=0 head word path
    while IFS= read -r line; do
        if [[ $line =~ ^[A-Za-z\ ]*[Cc][Oo][Mm][Mm][Aa][Nn][Dd][Ss]:?[[:space:]]*$ ]]; then
            in_list=1
            indent=0
            continue
        fi
        if ((in_list)); then
            if [[ ! $line =~ ^[[:space:]]+[^[:space:]] ]]; then
                in_list=0
                continue
            fi
            head=${line#"${line%%[![:space:]]*}"}
            # Lines indented deeper than the list's first one carry on the entry above.
            ((indent == 0)) && indent=$((${#line} - ${#head}))
            ((${#line} - ${#head} > indent)) && continue
            head=${head%%  *}
            path=""
            for word in $head; do
                [[ $word =~ ^[a-z][a-z0-9-]*$ ]] || break
                path+="${path:+ }$word"
            done
            [[ -n $path ]] && printf '%s\n' "$path"
        fi
    done
}

# Prints the option column of the help text on stdin ("-o,--output OUT" gives both names and
# the placeholder after a tab), one option entry per line: only the lines of its options section
# that start with an option, so that options the text merely mentions are not offered.
_veldrant_cli_option_lines() {
    local line in_list=0 head names rest
    while IFS= read -r line; do
        if [[ $line =~ ^[A-Za-z\ ]*[Oo][Pp][Tt][Ii][Oo][Nn][Ss]:?[[:space:]]*$ ]]; then
            in_list=1
            continue
        fi
        ((in_list)) || continue
        [[ -z $line || $line =~ ^[^[:space:]] ]] && { in_list=0; continue; }
        head=${line#"${line%%[![:space:]]*}"}
        [[ $head == -* ]] || continue
        names=${head%% *}
        rest=${head#"$names"}
        rest=${rest#"${rest%%[![:space:]]*}"}
        printf '%s\t%s\n' "$names" "${rest%%[[:space:]]*}"
    done
}

# Prints the options of the help text on stdin, one per line.
_veldrant_cli_options() {
    local names rest
    _veldrant_cli_option_lines | while IFS=$'\t' read -r names rest; do
        tr ',' '\n' <<<"$names"
    done | sort -u
}

# Prints the values of option $1 when the help text on stdin lists them as its placeholder
# ("--format gpx|kml|geojson"), one per line.
_veldrant_cli_values() {
    local names rest
    _veldrant_cli_option_lines | while IFS=$'\t' read -r names rest; do
        [[ ",$names," == *",$1,"* ]] || continue
        [[ $rest =~ ^[a-z0-9-]+(\|[a-z0-9-]+)+$ ]] && tr '|' '\n' <<<"$rest"
    done
}

_veldrant_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prog=${COMP_WORDS[0]}
    local -a typed=() paths=()
    local base=0 i j word found path next

    mapfile -t paths < <("$prog" --help 2>/dev/null | _veldrant_cli_paths)
    # Walk the typed words while they are command words; "base" counts the words that the
    # listed paths are relative to.
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        found=0
        local prefix="${typed[*]:base}"
        prefix=${prefix:+$prefix }
        for path in "${paths[@]}"; do
            if [[ "$path " == "$prefix$word "* ]]; then
                found=1
                break
            fi
        done
        ((found)) || break
        typed+=("$word")
        # A command listed alone: its own help may list the commands under it.
        local deeper=0
        prefix="${typed[*]:base} "
        for path in "${paths[@]}"; do
            [[ "$path " == "$prefix"?* ]] && deeper=1
        done
        if ((!deeper)); then
            local -a sub=()
            mapfile -t sub < <("$prog" "${typed[@]}" --help 2>/dev/null | _veldrant_cli_paths)
            if ((${#sub[@]})); then
                paths=("${sub[@]}")
                base=${#typed[@]}
            fi
        fi
    done
    local -a argsSeen=()
    ((i < COMP_CWORD)) && argsSeen=(1)

    COMPREPLY=()
    # The value of an option that lists its values.
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    if ((COMP_CWORD > 1)) && [[ $prev == -* ]]; then
        local values
        values=$("$prog" "${typed[@]}" --help 2>/dev/null | _veldrant_cli_values "$prev")
        if [[ -n $values ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$values" -- "$cur")
            return 0
        fi
    fi
    if ((!${#argsSeen[@]})) && [[ $cur != -* ]]; then
        # The next command word, if the typed ones lead somewhere.
        local prefix="${typed[*]:base}"
        prefix=${prefix:+$prefix }
        local -a words=()
        for path in "${paths[@]}"; do
            if [[ "$path" == "$prefix"?* ]]; then
                next=${path#"$prefix"}
                next=${next%% *}
                words+=("$next")
            fi
        done
        if ((${#words[@]})); then
            mapfile -t COMPREPLY < <(compgen -W "${words[*]}" -- "$cur" | sort -u)
            return 0
        fi
    fi
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$({ "$prog" "${typed[@]}" --help 2>/dev/null;
            echo --help; } | _veldrant_cli_options)" -- "$cur")
        return 0
    fi
    if declare -F _filedir >/dev/null; then
        _filedir
    else
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
    return 0
}

complete -F _veldrant_cli veldrant-cli
