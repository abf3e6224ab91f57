# Libraries each benchmark measures (target_link_libraries(<name> PRIVATE ...)).
target_link_libraries(hooks_bench PRIVATE hookwell_fake)
target_link_libraries(hooks_x_bench PRIVATE Hookwell X11::X11 X11::Xtst)
# The lock screen with its real Linux adapters (all but the program's main).
file(GLOB _lockscreen_linux CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/Application/linux/*.cpp)
list(FILTER _lockscreen_linux EXCLUDE REGEX "main_linux\\.cpp$")
get_target_property(_bumblepad_libraries Bumblepad LINK_LIBRARIES)
target_sources(lockscreen_bench PRIVATE ${_lockscreen_linux})
target_include_directories(lockscreen_bench PRIVATE ${CMAKE_SOURCE_DIR}/Application/linux)
target_link_libraries(lockscreen_bench PRIVATE ${_bumblepad_libraries})
set_target_properties(lockscreen_bench PROPERTIES AUTOMOC ON BUILD_RPATH ${BUMBLEPAD_OUTPUT_DIR})
target_link_libraries(import_bench PRIVATE trovebox_fake)
