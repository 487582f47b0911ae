# Start-up of the configuration program: time to the main window shown and
# resident memory, over repeated offscreen runs.
add_executable(startup_bench ${CMAKE_CURRENT_LIST_DIR}/startup_bench.cpp)
target_link_libraries(startup_bench PRIVATE kv_files kv_common Qt6::Core)
add_dependencies(startup_bench KV310)
