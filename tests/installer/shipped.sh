# What both Windows packages hold, for their tests (sourced): the program, the stubs, the help,
# the project's licence, and every licence that a Windows build puts beside the program.
# shipped_files BIN SOURCE_ROOT prints the files' paths, one a line, sorted by file name.
shipped_files() {
  local bin="$1" root="$2"
  {
    printf '%s\n' "$bin/Pravix.exe" "$bin/Player.exe" "$bin/Quendel.dll" "$bin/Pravix.chm" \
      "$root/LICENSE"
    find "$bin" -maxdepth 1 -type f -name 'LICENSE*'
  } | awk -F/ '{ print $NF "\t" $0 }' | sort | cut -f2
}
