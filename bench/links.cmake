# Libraries each benchmark measures (target_link_libraries(<name> PRIVATE ...)).
target_link_libraries(hooks_bench PRIVATE hookwell_fake)
target_link_libraries(hooks_x_bench PRIVATE Hookwell X11::X11 X11::Xtst)
# The lock screen with its real Linux adapters (all but the program's main).
target_link_libraries(lockscreen_bench PRIVATE bumblepad_linux)
set_target_properties(lockscreen_bench PROPERTIES BUILD_RPATH ${BUMBLEPAD_OUTPUT_DIR})
target_link_libraries(import_bench PRIVATE trovebox_fake)
