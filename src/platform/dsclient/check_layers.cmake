# Fails when a file includes a folder its layer may not depend on. Run with
#   -DFORBIDDEN=<regex of folders> -DFILES=<files separated by |>, once per layer.
string(REPLACE "|" ";" FILES "${FILES}")
foreach(source IN LISTS FILES)
  file(STRINGS ${source} hits REGEX "^#include \"platform/dsclient/(${FORBIDDEN})/")
  if(hits)
    message(FATAL_ERROR "${source} includes ${hits}: it may not depend on that folder")
  endif()
endforeach()
