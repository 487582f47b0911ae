# Data files: load and save on disk.
add_executable(files_bench ${CMAKE_CURRENT_LIST_DIR}/files_bench.cpp)
target_link_libraries(files_bench PRIVATE kv_files kv_common Qt6::Core)
