# The terminal: the cost of one arrival of text early in a session and after
# megabytes have come, and the memory the terminal then holds.
add_executable(terminal_bench ${CMAKE_CURRENT_LIST_DIR}/terminal_bench.cpp)
target_link_libraries(terminal_bench PRIVATE kv_window kv_testsupport Qt6::Widgets)
