# Libraries each benchmark measures.
target_link_libraries(import_bench PRIVATE trovebox_fake)
