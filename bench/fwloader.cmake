# Firmware loader benchmarks: load of a full-size firmware file, and a full
# flash against kv310-sim at 9600 baud.
add_executable(fw_bench ${CMAKE_CURRENT_LIST_DIR}/fw_bench.cpp)
target_include_directories(fw_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../tests/fwloader)
target_link_libraries(fw_bench PRIVATE kv_fwcore Qt6::Core)
if(TARGET kv310-sim)
  add_dependencies(fw_bench kv310-sim)
endif()
