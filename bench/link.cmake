# The unit link: connecting and a full download from the simulated unit at
# 9600 baud, as kv310ctl makes them, measured against the protocol's own
# minimum time and for CPU use.
add_executable(link_download_bench ${CMAKE_CURRENT_LIST_DIR}/link_download_bench.cpp)
target_link_libraries(link_download_bench PRIVATE kv_link kv_files kv_common Qt6::Core)
add_dependencies(link_download_bench kv310-sim)

# Uploads of one label, one sequence and everything: each phase (the reads
# before, the writes, the read-back) against its floor.
add_executable(link_upload_bench ${CMAKE_CURRENT_LIST_DIR}/link_upload_bench.cpp)
target_link_libraries(link_upload_bench PRIVATE kv_link kv_files kv_common Qt6::Core)
add_dependencies(link_upload_bench kv310-sim)
