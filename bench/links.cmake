# Libraries each benchmark measures (target_link_libraries(<name> PRIVATE ...)).
target_link_libraries(hooks_bench PRIVATE hookwell_fake)
target_link_libraries(hooks_x_bench PRIVATE Hookwell X11::X11 X11::Xtst)
# The lock screen with its real Linux adapters (all but the program's main).
target_link_libraries(lockscreen_bench PRIVATE bumblepad_linux FreeImage)
set_target_properties(lockscreen_bench PROPERTIES BUILD_RPATH ${BUMBLEPAD_OUTPUT_DIR})
target_link_libraries(import_bench PRIVATE trovebox_fake)
# The real controller from the outside: X (XTest, DAMAGE), the sound server's
# monitor, FreeImage for its pictures.
pkg_check_modules(PULSE_SIMPLE REQUIRED IMPORTED_TARGET libpulse-simple)
target_link_libraries(controller_bench PRIVATE FreeImage X11::X11 X11::Xtst X11::Xdamage PkgConfig::PULSE_SIMPLE)
add_dependencies(controller_bench Bumblepad)
# The hostile picture set (tests/pictures) against the real FreeImage.
target_link_libraries(hostile_bench PRIVATE bumblepad_linux FreeImage hostile_pictures)
set_target_properties(hostile_bench PROPERTIES BUILD_RPATH ${BUMBLEPAD_OUTPUT_DIR})
