# bash completion for pravix: the commands, each command's options, and files.
_pravix() {
  local cur prev words cword split
  _init_completion -s || return
  if ((cword == 1)); then
    mapfile -t COMPREPLY < <(compgen -W "pack extract info --help --version" -- "$cur")
    return
  fi
  case $prev in
    -o | --output | --stub)
      _filedir
      return
      ;;
    -d | --output-dir | --include | --files)
      _filedir -d
      return
      ;;
    --icon)
      _filedir ico
      return
      ;;
    --title)
      return
      ;;
    --version-info)
      mapfile -t COMPREPLY < <(compgen -W "FileDescription= FileVersion= ProductName= \
        ProductVersion= CompanyName= LegalCopyright= LegalTrademarks= OriginalFilename= \
        InternalName= Comments= PrivateBuild= SpecialBuild=" -- "$cur")
      compopt -o nospace
      return
      ;;
  esac
  $split && return
  local options="-q --quiet -v --verbose -h --help"
  case ${words[1]} in
    pack)
      options+=" -o --output -d --output-dir -f --force -s --screen-saver --stub --include --icon"
      options+=" --title --version-info --fullscreen"
      ;;
    extract) options+=" -o --output -d --output-dir -f --force --files" ;;
    info) options+=" --json" ;;
    *) return ;;
  esac
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    [[ ${COMPREPLY[*]} == *= ]] && compopt -o nospace
    return
  fi
  if [[ ${words[1]} == pack ]]; then _filedir swf; else _filedir; fi
} && complete -F _pravix pravix
