# Reading, scanning, checking and decoding arbitrary script bytes, under ASan+UBSan.
add_executable(ScriptFuzz ${CMAKE_CURRENT_LIST_DIR}/ScriptFuzz.cpp)
target_link_libraries(ScriptFuzz PRIVATE orvane_download orvane_warnings)
target_compile_options(ScriptFuzz PRIVATE -fsanitize=fuzzer)
target_link_options(ScriptFuzz PRIVATE -fsanitize=fuzzer)
