# The package's copyright file in the machine-readable format (DEP-5): our licence for every file,
# and, for the stubs, the licences of the web player they carry, each read from its licence text.
#
# pravix_debian_copyright(OUTPUT file LICENCE our-licence STUBS packaged-stub... PLAYER_LICENCES
#                         licence-text...)

# `text` as a DEP-5 field's continuation lines: each line after a space, an empty one as " .".
function(pravix_dep5_lines text out)
  string(REGEX REPLACE "[ \n]+$" "" text "${text}")
  string(REPLACE "\n" "\n " text " ${text}")
  foreach(pass 1 2)
    string(REPLACE "\n \n" "\n .\n" text "${text}")
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The permission text of an MIT (Expat) licence: from its first "Permission" on.
function(pravix_expat_text file out)
  file(READ "${file}" text)
  string(FIND "${text}" "Permission is hereby granted" start)
  if(start EQUAL -1)
    message(FATAL_ERROR "${file} is no MIT licence")
  endif()
  string(SUBSTRING "${text}" ${start} -1 text)
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(pravix_debian_copyright)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "OUTPUT;LICENCE" "STUBS;PLAYER_LICENCES")
  pravix_expat_text("${arg_LICENCE}" expat)
  pravix_dep5_lines("${expat}" expat)
  set(copyright "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Pravix
Upstream-Contact: ${PRAVIX_MAKER_NAME} <${PRAVIX_MAIL}>
Source: http://${PRAVIX_WEB_HOST}/

Files: *
Copyright: ${PRAVIX_COPYRIGHT_YEAR} ${PRAVIX_MAKER_NAME}
License: Expat
")
  set(licences "License: Expat\n${expat}\n")

  # The player's licences, offered as alternatives: their holders from their "Copyright" lines.
  set(names)
  set(holders)
  foreach(licence IN LISTS arg_PLAYER_LICENCES)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${licence}")
    file(STRINGS "${licence}" lines REGEX "^Copyright")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^Copyright (\\([cC]\\) )?" "" line "${line}")
      list(APPEND holders "${line}")
    endforeach()
    file(READ "${licence}" text)
    if(text MATCHES "Apache License" AND text MATCHES "Version 2\\.0")
      # Debian keeps this one text for every package that needs it.
      list(APPEND names Apache-2.0)
      string(APPEND licences "
License: Apache-2.0
 On Debian systems, the complete text of the Apache License, Version 2.0 is in
 /usr/share/common-licenses/Apache-2.0.
")
    elseif(text MATCHES "Permission is hereby granted, free of charge")
      list(APPEND names Expat)
    else()
      message(FATAL_ERROR "${licence}: a licence the copyright file does not know")
    endif()
  endforeach()
  if(names AND arg_STUBS)
    list(JOIN arg_STUBS " " files)
    list(JOIN names " or " alternatives)
    list(REMOVE_DUPLICATES holders)
    list(JOIN holders "\n " holders)
    string(APPEND copyright "
Files: ${files}
Copyright: ${PRAVIX_COPYRIGHT_YEAR} ${PRAVIX_MAKER_NAME}
 ${holders}
License: Expat and (${alternatives})
Comment: The stubs carry the web player, whose licence offers these alternatives.
")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${arg_LICENCE}")
  file(WRITE "${arg_OUTPUT}" "${copyright}\n${licences}")
endfunction()
