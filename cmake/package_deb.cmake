# The Debian package (Linux only): install rules for the /usr layout and the
# CPack DEB settings. scripts/package.sh builds it; `cpack -G DEB` in a build
# folder does the same by hand.
#
#   /usr/bin/bumblepad                   launcher (packaging/linux/bumblepad.in)
#   /usr/lib/bumblepad/                  Bumblepad, Trovebox, libHookwell.so,
#                                        pictures -> /usr/share/bumblepad/pictures,
#                                        sounds -> /usr/share/bumblepad/sounds
#   /usr/share/bumblepad/                the starter pictures and sounds
#   /usr/share/applications/             bumblepad.desktop, trovebox.desktop
#   /usr/share/icons/hicolor/NxN/apps/   bumblepad.png, trovebox.png
#   /usr/share/metainfo/                 bumblepad.metainfo.xml
#   /usr/share/man/man1/                 bumblepad.1.gz
#   /usr/share/doc/bumblepad/            copyright, changelog.gz
#   /usr/share/lintian/overrides/        bumblepad (the tags that stay, and why)
#   /etc/xdg/autostart/                  bumblepad.desktop (a conffile)

set(BUMBLEPAD_DEB_MAINTAINER "Bumblepad maintainers <maintainers@bumblepad.invalid>"
  CACHE STRING "Maintainer field of the Debian package")
set(BUMBLEPAD_RELEASE_DATE 2026-12-07)
set(BUMBLEPAD_RELEASE_DATE_RFC "Mon, 07 Dec 2026 12:00:00 +0000")
set(BUMBLEPAD_DEB_PROGRAMS /usr/lib/bumblepad)
set(BUMBLEPAD_DEB_STARTER /usr/share/bumblepad)
set(BUMBLEPAD_ICON_SIZES 16 22 24 32 48 64 128 256)

set(_src ${CMAKE_SOURCE_DIR}/packaging/linux)
set(_out ${CMAKE_BINARY_DIR}/package)

configure_file(${_src}/bumblepad.in ${_out}/bumblepad @ONLY)
configure_file(${_src}/bumblepad.1.in ${_out}/bumblepad.1 @ONLY)
configure_file(${_src}/changelog.in ${_out}/changelog @ONLY)
configure_file(${_src}/bumblepad.metainfo.xml.in ${_out}/bumblepad.metainfo.xml @ONLY)
file(WRITE ${_out}/conffiles "/etc/xdg/autostart/bumblepad.desktop\n")

# Made at build time: the compressed manual page and changelog, the icons at
# every size of the theme, and a clean starter set (the one beside the built
# programs may hold pictures added while trying them out).
set(_made ${_out}/bumblepad.1.gz ${_out}/changelog.gz ${_out}/starter.stamp)
add_custom_command(OUTPUT ${_out}/bumblepad.1.gz
  COMMAND gzip -9 -n -k -f ${_out}/bumblepad.1
  DEPENDS ${_out}/bumblepad.1 VERBATIM)
add_custom_command(OUTPUT ${_out}/changelog.gz
  COMMAND gzip -9 -n -k -f ${_out}/changelog
  DEPENDS ${_out}/changelog VERBATIM)
add_custom_command(OUTPUT ${_out}/starter.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${_out}/starter
  COMMAND ${CMAKE_BINARY_DIR}/host/make_starter_media ${_out}/starter
  COMMAND ${CMAKE_COMMAND} -E touch ${_out}/starter.stamp
  DEPENDS starter_media ${CMAKE_SOURCE_DIR}/starter/make_starter_media.cpp
  COMMENT "Making the packaged starter set" VERBATIM)
foreach(icon bumblepad trovebox)
  foreach(size IN LISTS BUMBLEPAD_ICON_SIZES)
    set(_png ${_out}/icons/${size}x${size}/${icon}.png)
    add_custom_command(OUTPUT ${_png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${_out}/icons/${size}x${size}
      COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/make_icon.py ${icon} --size ${size} ${_png}
      DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make_icon.py VERBATIM)
    list(APPEND _made ${_png})
  endforeach()
endforeach()
add_custom_target(package_files ALL DEPENDS ${_made})

install(TARGETS Bumblepad Trovebox RUNTIME DESTINATION lib/bumblepad)
install(TARGETS Hookwell LIBRARY DESTINATION lib/bumblepad)
install(PROGRAMS ${_out}/bumblepad DESTINATION bin)
install(DIRECTORY ${_out}/starter/pictures ${_out}/starter/sounds DESTINATION share/bumblepad)
# The programs' folder holds the media folders as on Windows; here they point
# at the read-only starter set.
install(CODE "
  set(_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/bumblepad\")
  foreach(kind pictures sounds)
    message(STATUS \"Installing: \${_dir}/\${kind} -> ../../share/bumblepad/\${kind}\")
    file(CREATE_LINK ../../share/bumblepad/\${kind} \${_dir}/\${kind} SYMBOLIC)
  endforeach()")
install(FILES ${_src}/bumblepad.desktop ${_src}/trovebox.desktop DESTINATION share/applications)
install(FILES ${_src}/bumblepad-autostart.desktop DESTINATION /etc/xdg/autostart RENAME bumblepad.desktop)
foreach(size IN LISTS BUMBLEPAD_ICON_SIZES)
  install(FILES ${_out}/icons/${size}x${size}/bumblepad.png ${_out}/icons/${size}x${size}/trovebox.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${_out}/bumblepad.metainfo.xml DESTINATION share/metainfo)
install(FILES ${_out}/bumblepad.1.gz DESTINATION share/man/man1)
install(FILES ${_src}/copyright ${_out}/changelog.gz DESTINATION share/doc/bumblepad)
install(FILES ${_src}/lintian-overrides DESTINATION share/lintian/overrides RENAME bumblepad)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME bumblepad)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/deb)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME bumblepad)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${BUMBLEPAD_DEB_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own Wayland platform plugin, for a native Qt in a Wayland session
# (without it Qt draws through XWayland).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${BUMBLEPAD_OUTPUT_DIR})
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${_out}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keep a small child's hands off the computer")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Bumblepad lives as a tray icon. From its menu, a double click on the icon,
or after a set number of idle minutes, it locks the keyboard and, by
setting, the mouse. During a full lock a full-screen lock screen answers
every key with a picture and a sound, mouse moves leave confetti, and
typing the unlock word ends the lock. It can also hold CD and removable
drive doors shut and make the power and sleep buttons do nothing.
.
Trovebox, the media manager, adds, previews, plays and deletes the
pictures and sounds; each user has their own, first filled with a starter
set.")
include(CPack)
