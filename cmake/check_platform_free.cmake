# Fails when a file under a deliverable's logic/ or ports/ folder includes a
# platform header (Windows, X11, Qt, xcb).
file(GLOB_RECURSE files
  ${SOURCE_DIR}/Application/logic/* ${SOURCE_DIR}/Application/ports/*
  ${SOURCE_DIR}/hooks/logic/* ${SOURCE_DIR}/hooks/ports/* ${SOURCE_DIR}/hooks/include/*
  ${SOURCE_DIR}/Trovebox/logic/* ${SOURCE_DIR}/Trovebox/ports/* ${SOURCE_DIR}/common/logic/* ${SOURCE_DIR}/common/ports/*)
set(bad "")
foreach(f IN LISTS files)
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(l IN LISTS lines)
    if(l MATCHES "[<\"/](windows|winuser|winbase|windef|winreg|shellapi|commctrl|commdlg|mmsystem|powrprof|winioctl)\\.h"
       OR l MATCHES "[<\"]X11/" OR l MATCHES "[<\"]xcb/" OR l MATCHES "[<\"]Qt[A-Za-z]*[/>\"]"
       OR l MATCHES "[<\"]Q[A-Z][A-Za-z]*[>\"]" OR l MATCHES "[<\"]systemd/")
      string(APPEND bad "${f}: ${l}\n")
    endif()
  endforeach()
endforeach()
if(bad)
  message(FATAL_ERROR "Platform headers in platform-free code:\n${bad}")
endif()
