#!/usr/bin/env bash
# The shells' completions for pravix offer every option of `pravix --help` where it goes: bash's
# and fish's asked through their own completion engines, zsh's read by zsh and searched.
#   completions.sh PRAVIX COMPLETIONS_FOLDER
set -uo pipefail
tool="$1" folder="$2"
status=0
fail() {
  echo "$*" >&2
  status=1
}

# The long options `pravix --help` tells of.
mapfile -t options < <("$tool" --help | grep -o -- '--[a-z-]*' | sort -u)
[ ${#options[@]} -ge 10 ] || fail "pravix --help names only ${#options[@]} options"

# Bash: the candidates for the last of the words given, one a line.
bash_offers() {
  bash -c 'source /usr/share/bash-completion/bash_completion; source "$0"
    COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _pravix; printf "%s\n" "${COMPREPLY[@]}"' "$folder/pravix.bash" "$@"
}
fish_offers() {
  fish -c "source '$folder/pravix.fish'; complete -C '$*'" | cut -f1
}

expect() {  # SHELL WORDS... : EXPECTED...: the candidates, in any order
  local shell="$1"
  shift
  local words=() expected
  while [ "$1" != ":" ]; do
    words+=("$1")
    shift
  done
  shift
  expected=$(printf '%s\n' "$@" | sort)
  local got
  got=$("${shell}_offers" "${words[@]}" | grep -v '^$' | sort)
  [ "$got" = "$expected" ] || fail "$shell for '${words[*]}': got [$(echo $got)], not [$(echo $expected)]"
}

for shell in bash fish; do
  expect "$shell" pravix e : extract
  expect "$shell" pravix -- : --help --version
  expect "$shell" pravix pack --s : --screen-saver --stub
  expect "$shell" pravix info -- : --json --quiet --verbose --help
  expect "$shell" pravix extract --o : --output --output-dir
  expect "$shell" pravix pack --i : --icon --include
  expect "$shell" pravix pack --f : --force --fullscreen
  expect "$shell" pravix pack --version-info Product : ProductName= ProductVersion=
  expect "$shell" pravix extract --f : --files --force
  expect "$shell" pravix info --f :
  offered=$(for command in pack extract info; do "${shell}_offers" pravix "$command" --; done
    "${shell}_offers" pravix --)
  for option in "${options[@]}"; do
    grep -qx -- "$option" <<<"$offered" || fail "$shell offers no $option"
  done
done

# An icon is an .ico file, or a folder on the way to one.
icons=$(mktemp -d)
trap 'rm -r "$icons"' EXIT
touch "$icons/game.ico" "$icons/game.swf"
mkdir "$icons/art"
(
  cd "$icons" || exit 1
  expect bash pravix pack --icon "" : game.ico art
  expect fish pravix pack --icon= : --icon=game.ico --icon=art/
  exit "$status"
) || status=1

zsh -n "$folder/_pravix" || fail "zsh cannot read _pravix"
for option in "${options[@]}"; do
  grep -qE -- "${option}[^a-z-]" "$folder/_pravix" || fail "zsh offers no $option"
done
exit "$status"
