# Run after a test executable is built: writes the names of its test
# functions to OUT as KV_FUNCTIONS, for CTest to run each on its own.
#   cmake -DEXE=... -DOUT=... -P listfunctions.cmake
execute_process(COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 "${EXE}" -functions
                OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${EXE} -functions failed: ${rc}")
endif()
string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*\\(\\)" functions "${listing}")
list(TRANSFORM functions REPLACE "\\(\\)$" "")
set(content "set(KV_FUNCTIONS ${functions})\n")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT content STREQUAL old)
  file(WRITE "${OUT}" "${content}")
endif()
