# Writes the resource script of the built-in files: the program icon (first icon group, and
# under ID 100 as well) and each file of FILES as an RCDATA resource named by its file name with
# "." as "_" (ELEVATORSCRFORM_FORM), the name that vt::assets::Find looks up. The names stand
# unquoted: the resource compiler joins a quoted name to the quoted file name before it.
set(out "// Made by ResourceScript.cmake; do not edit.\n#include <winres.h>\n\n")
string(APPEND out "1 ICON \"${ICON}\"\n100 ICON \"${ICON}\"\n\n")
foreach(path ${FILES})
  get_filename_component(name ${path} NAME)
  string(TOUPPER "${name}" upper)
  string(REPLACE "." "_" upper "${upper}")
  string(APPEND out "${upper} RCDATA \"${path}\"\n")
endforeach()
file(WRITE ${OUTPUT}.tmp "${out}")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
