# The Windows bundle of the shipped 32-bit build: one folder with the three
# programs, FreeImage.dll, the starter pictures and sounds and the licence
# texts (build/mingw32/package/Bumblepad), as a portable zip and as an NSIS
# installer (installer/Bumblepad.nsi):
#   build/mingw32/Bumblepad-<version>-setup.exe
#   build/mingw32/Bumblepad-<version>-portable.zip
# Included from the top-level CMakeLists.txt for 32-bit Windows builds only.
find_program(BUMBLEPAD_MAKENSIS makensis REQUIRED)

set(_pkg ${CMAKE_BINARY_DIR}/package)
set(_stage ${_pkg}/Bumblepad)
set(BUMBLEPAD_SETUP ${CMAKE_BINARY_DIR}/Bumblepad-${PROJECT_VERSION}-setup.exe CACHE INTERNAL "")
set(BUMBLEPAD_PORTABLE ${CMAKE_BINARY_DIR}/Bumblepad-${PROJECT_VERSION}-portable.zip CACHE INTERNAL "")
set(_nsi ${CMAKE_SOURCE_DIR}/installer/Bumblepad.nsi)
set(_icon ${CMAKE_SOURCE_DIR}/Application/win32/res/Bumblepad.ico)
set(_stamp ${_pkg}/stage.stamp)

add_custom_command(OUTPUT ${_stamp}
  COMMAND ${CMAKE_COMMAND} -DBIN=${BUMBLEPAD_OUTPUT_DIR} -DSTAGE=${_stage}
          -DFREEIMAGE_SOURCE=${CMAKE_BINARY_DIR}/freeimage/source
          -DNOTICE=${CMAKE_SOURCE_DIR}/installer/licences.txt -DLICENCE=${CMAKE_SOURCE_DIR}/LICENSE
          -P ${CMAKE_SOURCE_DIR}/cmake/package_windows_stage.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${_stamp}
  DEPENDS Bumblepad Hookwell Trovebox freeimage_dll starter_media
          ${CMAKE_SOURCE_DIR}/cmake/package_windows_stage.cmake ${CMAKE_SOURCE_DIR}/installer/licences.txt
          ${CMAKE_SOURCE_DIR}/LICENSE
  COMMENT "Gathering the Windows bundle"
  VERBATIM)
add_custom_command(OUTPUT ${BUMBLEPAD_PORTABLE}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${BUMBLEPAD_PORTABLE}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${BUMBLEPAD_PORTABLE} --format=zip Bumblepad
  WORKING_DIRECTORY ${_pkg}
  DEPENDS ${_stamp}
  COMMENT "Making ${BUMBLEPAD_PORTABLE}"
  VERBATIM)
add_custom_command(OUTPUT ${BUMBLEPAD_SETUP}
  COMMAND ${BUMBLEPAD_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DSTAGE=${_stage} -DICON=${_icon}
          -DOUTFILE=${BUMBLEPAD_SETUP} ${_nsi}
  DEPENDS ${_stamp} ${_nsi} ${_icon}
  COMMENT "Making ${BUMBLEPAD_SETUP}"
  VERBATIM)
add_custom_target(windows_package ALL DEPENDS ${BUMBLEPAD_SETUP} ${BUMBLEPAD_PORTABLE})
