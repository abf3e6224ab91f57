# Libraries each benchmark measures (target_link_libraries(<name> PRIVATE ...)).
target_link_libraries(hooks_bench PRIVATE hookwell_fake)
target_link_libraries(hooks_x_bench PRIVATE Hookwell X11::X11 X11::Xtst)
