# Joining arbitrary report sequences into messages, under ASan+UBSan.
add_executable(HidReadMessageFuzz ${CMAKE_CURRENT_LIST_DIR}/HidReadMessageFuzz.cpp)
target_link_libraries(HidReadMessageFuzz PRIVATE orvane_link orvane_warnings)
target_compile_options(HidReadMessageFuzz PRIVATE -fsanitize=fuzzer)
target_link_options(HidReadMessageFuzz PRIVATE -fsanitize=fuzzer)
