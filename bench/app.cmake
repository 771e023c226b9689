# The console's responsiveness: longest event-loop stall during a download and during a
# 40-port scan, Stop to the worker's end, start to the window shown.
if(TARGET orvane_console)
  find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets Test)
  add_executable(console_bench ConsoleBench.cpp)
  target_link_libraries(console_bench PRIVATE orvane_console orvane_download orvane_sim
                                              Qt6::Test benchmark::benchmark orvane_warnings)
  # The start-up measure launches the program itself.
  add_dependencies(console_bench orvane-updater)
  target_compile_definitions(console_bench PRIVATE
                             ORVANE_UPDATER_PATH="$<TARGET_FILE:orvane-updater>")
endif()
