#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks packaged programs against packaging/linux/sonames.tsv: every library a program names
# (readelf -d) must be carried on every system of the table, and every symbol version it needs
# from a library of the table's "version" rows at most the lowest its systems define; no private
# Qt API. With --depends, a .deb's Depends must name packages every Debian and Ubuntu column has.
#   scripts/check-sonames.sh [--table FILE] [--depends "DEPENDS"] PROGRAM...
set -euo pipefail
table="$(dirname "$0")/../packaging/linux/sonames.tsv"
depends=""
while [[ $# -gt 0 && $1 == --* ]]; do
  case $1 in
    --table) table=$2 ;;
    --depends) depends=$2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift 2
done
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
IFS=$'\t' read -r -a targets < <(sed -n 's/^# kind\t//p' "$table")
targets=("${targets[@]:1}")
# One row's cells for the systems, tab-separated, or nothing when the table lacks it.
cells() { awk -F'\t' -v k="$1" -v n="$2" '$1 == k && $2 == n { OFS="\t"; $1 = $2 = ""; print substr($0, 3) }' "$table"; }

for program in "$@"; do
  name=$(basename "$program")
  while read -r soname; do
    row=$(cells soname "$soname")
    if [[ -z $row ]]; then
      fail "$name needs $soname, which $(basename "$table") does not list"
      continue
    fi
    IFS=$'\t' read -r -a packages <<<"$row"
    for i in "${!targets[@]}"; do
      [[ -n ${packages[i]:-} && ${packages[i]} != - ]] || fail "$name needs $soname, which ${targets[i]} lacks"
    done
  done < <(readelf -d -W "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p')

  while read -r version; do
    [[ $version == *PRIVATE* ]] && fail "$name uses private API ($version), which pins it to one release"
    row=$(cells version "${version%_*}")
    [[ -n $row ]] || continue
    oldest=$(tr '\t' '\n' <<<"$row" | sort -V | head -n 1)
    needed=${version##*_}
    [[ $(printf '%s\n' "$needed" "$oldest" | sort -V | tail -n 1) == "$oldest" ]] ||
      fail "$name needs $version, newer than ${version%_*} $oldest of the oldest system"
  done < <(readelf -V -W "$program" | sed -n '/\.gnu\.version_r/,$s/.*Name: \([^ ]*\).*/\1/p' | sort -u)
done

# Each package of a Depends field (versions and alternatives aside) must be a Debian 12 package of
# the table whose row names it, as its package or a name it provides, in every Debian and Ubuntu
# column.
if [[ -n $depends ]]; then
  for package in $(sed 's/([^)]*)//g; s/[,|]/ /g' <<<"$depends"); do
    row=$(awk -F'\t' -v p="$package" '($1 == "soname" || $1 == "runtime") && $3 == p' "$table")
    if [[ -z $row ]]; then
      fail "Depends names $package, which $(basename "$table") does not list for ${targets[0]}"
      continue
    fi
    IFS=$'\t' read -r -a packages <<<"$(cut -f 3- <<<"$row" | head -n 1)"
    for i in "${!targets[@]}"; do
      [[ ${targets[i]} == debian-* || ${targets[i]} == ubuntu-* ]] || continue
      [[ /${packages[i]:-}/ == */"$package"/* ]] || fail "Depends names $package, which ${targets[i]} does not have"
    done
  done
fi
((failures == 0))
