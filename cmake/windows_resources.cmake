# What the Windows files' resources take from the build: the version record
# made from the one version number (project() in the top-level
# CMakeLists.txt), and the two programs' manifests. Both are generated into
# build/<preset>/generated/, which the resource compiler searches (the .rc
# files include version_record.rc and name their .manifest there).
set(BUMBLEPAD_GENERATED ${CMAKE_BINARY_DIR}/generated)
string(REPLACE "." "," BUMBLEPAD_VERSION_NUMBERS "${PROJECT_VERSION}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/version_record.rc.in ${BUMBLEPAD_GENERATED}/version_record.rc @ONLY)

# The manifests: asInvoker, Windows 7 to 11, common controls 6, and the DPI
# setting of each program. Bumblepad is DPI aware: its lock screen is laid
# out in the screen's own pixels (picture sizes are shares of the screen), so
# the system must not stretch it; its dialogs are in dialog units, which
# follow the system font. Trovebox is not: its preview square is fixed in
# pixels beside controls in dialog units, and only the system's scaling of
# the whole dialog keeps the square under its label on a scaled display.
foreach(program_dpi Bumblepad:true Trovebox:false)
  string(REPLACE ":" ";" parts ${program_dpi})
  list(GET parts 0 MANIFEST_PROGRAM)
  list(GET parts 1 MANIFEST_DPI_AWARE)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/program.manifest.in ${BUMBLEPAD_GENERATED}/${MANIFEST_PROGRAM}.manifest @ONLY)
endforeach()
include_directories(${BUMBLEPAD_GENERATED})

# bumblepad_resources(<.rc file>): rebuilt when what it includes from the
# generated folder changes.
function(bumblepad_resources rc)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS
    "${BUMBLEPAD_GENERATED}/version_record.rc;${BUMBLEPAD_GENERATED}/Bumblepad.manifest;${BUMBLEPAD_GENERATED}/Trovebox.manifest")
endfunction()
