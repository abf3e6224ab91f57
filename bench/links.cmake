# The lock screen with its real Linux adapters (all but the program's main).
file(GLOB _lockscreen_linux CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/Application/linux/*.cpp)
list(FILTER _lockscreen_linux EXCLUDE REGEX "main_linux\\.cpp$")
find_package(Qt6 REQUIRED COMPONENTS Widgets Multimedia)
target_sources(lockscreen_bench PRIVATE ${_lockscreen_linux})
target_include_directories(lockscreen_bench PRIVATE ${CMAKE_SOURCE_DIR}/Application/linux)
target_link_libraries(lockscreen_bench PRIVATE bumblepad_logic Hookwell FreeImage Qt6::Widgets Qt6::Multimedia X11::X11 xcb)
set_target_properties(lockscreen_bench PROPERTIES AUTOMOC ON BUILD_RPATH ${BUMBLEPAD_OUTPUT_DIR})
