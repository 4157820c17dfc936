#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# veldrant-cli's bash completion against the built program's own help, with and without the
# bash-completion package loaded.
#   completion-test.sh VELDRANT_CLI COMPLETION_SCRIPT
set -uo pipefail
cli="$(realpath "$1")"
script="$(realpath "$2")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
touch "$work/alpha.csv" "$work/beta.zip"
cd "$work"

# Each case: the words typed after "veldrant-cli" (the last one is being completed), how to
# compare ("=" the whole answer, "+" at least these, "!" none of these), and the words.
cases=(
  "|+|course devices firmware info marks"
  "|!|turn the write"
  "ma|=|marks"
  "marks |+|convert export"
  "marks ex|=|export"
  "course up|=|update"
  "firmware |+|check update"
  "info --v|=|--verbose"
  "marks export --r|=|--raw"
  "marks export -o al|=|alpha.csv"
  "course update b|=|beta.zip"
  "bogus al|=|alpha.csv"
  "--he|=|--help"
)
# Only the program itself has these commands and options: the option values it lists, and
# each command's own options, not the ones its help or the overview mention.
real_cases=(
  "rounds export alpha.csv --format |=|geojson gpx kml"
  "rounds export alpha.csv --format k|=|kml"
  "rounds export --|=|--format --help --output --utc-offset"
  "firmware update --|=|--dry-run --help --verbose --wait"
  "--|=|--help --version"
)

run_cases() {
  local setting="$1" failures=0 case typed how expected
  for case in "${cases[@]}"; do
    IFS='|' read -r typed how expected <<<"$case"
    local -a words
    read -r -a words <<<"$typed"
    [[ -z $typed || $typed == *" " ]] && words+=("")
    COMP_WORDS=("$cli" "${words[@]}")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _veldrant_cli 2>/dev/null
    local got
    got="$(printf '%s\n' "${COMPREPLY[@]}" | sort -u | tr '\n' ' ')"
    got="${got% }"
    local ok=1 w
    if [[ $how == "=" ]]; then
      [[ $got == "$expected" ]] || ok=0
    elif [[ $how == "!" ]]; then
      for w in $expected; do
        [[ " $got " != *" $w "* ]] || ok=0
      done
    else
      for w in $expected; do
        [[ " $got " == *" $w "* ]] || ok=0
      done
      # Command words only: no argument placeholder of the help may leak in.
      for w in $got; do
        [[ $w =~ ^[a-z][a-z0-9-]*$ ]] || ok=0
      done
    fi
    if ((!ok)); then
      echo "FAIL ($setting): veldrant-cli $typed<TAB> gave '$got', expected $how '$expected'" >&2
      failures=$((failures + 1))
    fi
  done
  return $failures
}

# A stand-in that answers in the style of a parser listing one level of subcommands per help
# ("veldrant-cli marks --help" lists "export"), with the options in a column of their own.
nested="$work/nested-cli"
cat >"$nested" <<'STANDIN'
#!/usr/bin/env bash
case "$*" in
  "--help") printf 'veldrant-cli\nUsage: veldrant-cli [OPTIONS] SUBCOMMAND\n\nOptions:\n  -h,--help   Print this help message and exit\n\nSubcommands:\n  course      course packages\n              write them to the watch\n  devices     list the HID interfaces\n  firmware    firmware images\n  info        show the identity\n  marks       marks and score cards\n' ;;
  "marks --help") printf 'Usage: veldrant-cli marks [OPTIONS] SUBCOMMAND\n\nSUBCOMMANDS:\n  convert     turn saved bytes into the CSV file\n  export      import the marks\n' ;;
  "course --help") printf 'Subcommands:\n  update      write a package\n  inspect     print a package\n' ;;
  "firmware --help") printf 'Subcommands:\n  check       check an image\n  update      write an image\n' ;;
  "info --help") printf 'Usage: veldrant-cli info [OPTIONS]\n\nOptions:\n  -h,--help   Print this help message and exit\n  --verbose   more\n' ;;
  "marks export --help") printf 'Options:\n  -h,--help   Print this help message and exit\n  -o FILE     where\n  --raw DIR   keep the bytes\n' ;;
  *) exit 0 ;;
esac
STANDIN
chmod +x "$nested"

status=0
for program in "$cli" "$nested"; do
  [[ $program == "$cli" ]] && all_cases=("${cases[@]}" "${real_cases[@]}") || all_cases=("${cases[@]}")
  ( cli="$program"; cases=("${all_cases[@]}"); source "$script"; run_cases "plain bash, $(basename "$program")" ) || status=1
  if [[ -r /usr/share/bash-completion/bash_completion ]]; then
    ( cli="$program"; cases=("${all_cases[@]}"); source /usr/share/bash-completion/bash_completion
      source "$script"
      run_cases "with bash-completion, $(basename "$program")" ) || status=1
  else
    echo "note: bash-completion is not installed; only the plain bash setting ran"
  fi
done
# Every top-level command of the help completes.
( source "$script"
  COMP_WORDS=("$cli" ""); COMP_CWORD=1; _veldrant_cli
  for top in $("$cli" --help | _veldrant_cli_paths | cut -d' ' -f1 | sort -u); do
    [[ " ${COMPREPLY[*]} " == *" $top "* ]] || { echo "FAIL: '$top' does not complete" >&2; exit 1; }
  done ) || status=1
((status == 0)) && echo "completion: every case passed"
exit $status
