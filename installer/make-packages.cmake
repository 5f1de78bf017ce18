# Makes the MSI package and the portable zip from one staged folder, at build time:
#   cmake -D SETTINGS=package-settings.cmake -P make-packages.cmake
# Each package is written under a temporary name and then renamed, so that a failed run leaves
# the previous package or none, never half of one.
include(${SETTINGS})

# wixl finds a file's source only relative to its working folder: the files are staged in
# Pravix/ (the zip's one folder), the generated component list and the icon beside it.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE}/Pravix)
file(COPY ${ICON} DESTINATION ${STAGE})
get_filename_component(icon_name ${ICON} NAME)

# One component per file, keyed by it; "*" derives each component's GUID from its target path, so
# that it stays the same from build to build.
set(components "")
set(bytes 0)
foreach(source IN LISTS SHIPPED_FILES)
  get_filename_component(name ${source} NAME)
  file(COPY ${source} DESTINATION ${STAGE}/Pravix)
  file(SIZE ${source} size)
  math(EXPR bytes "${bytes} + ${size}")
  string(MAKE_C_IDENTIFIER ${name} id)
  string(APPEND components
    "      <Component Id=\"${id}\" Guid=\"*\" Win64=\"$(var.Win64)\">\n"
    "        <File Id=\"${name}\" Name=\"${name}\" Source=\"Pravix/${name}\" KeyPath=\"yes\"/>\n"
    "      </Component>\n")
endforeach()
file(WRITE ${STAGE}/ShippedFiles.wxi
  "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
  "<Include>\n"
  "  <Fragment>\n"
  "    <ComponentGroup Id=\"ShippedFiles\" Directory=\"INSTALLDIR\">\n"
  "${components}"
  "    </ComponentGroup>\n"
  "  </Fragment>\n"
  "</Include>\n")
# Apps & Features shows this size, in KiB.
math(EXPR kib "(${bytes} + 1023) / 1024")

# Runs a command that writes TARGET.part from the staged folder, then puts TARGET in place.
function(make target)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE failed)
  if(NOT failed)
    file(RENAME ${target}.part ${target} RESULT failed)
  endif()
  if(failed)
    file(REMOVE ${target}.part)
    message(FATAL_ERROR "${target} was not made: ${failed}")
  endif()
endfunction()

get_filename_component(package_dir ${MSI} DIRECTORY)
file(MAKE_DIRECTORY ${package_dir})
make(${MSI} ${WIXL} --arch ${PLATFORM} -D Platform=${PLATFORM} -D Version=${VERSION} -D Maker=${MAKER}
     -D WebUrl=${WEB_URL} -D Icon=${icon_name} -D SizeKiB=${kib} -I ${STAGE} -o ${MSI}.part ${WXS})
make(${ZIP} ${CMAKE_COMMAND} -E tar cf ${ZIP}.part --format=zip Pravix)
