# The mode-text parser and the link's reply gathering, under ASan+UBSan.
foreach(target ModeTextFuzz SerialReadFuzz)
  add_executable(${target} ${CMAKE_CURRENT_LIST_DIR}/${target}.cpp)
  target_link_libraries(${target} PRIVATE orvane_link orvane_warnings)
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
endforeach()
