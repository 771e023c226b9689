# The station's parallel downloads: N devices against one, and the CPU each download takes.
if(TARGET orvane-flash)
  add_executable(station_bench StationBench.cpp)
  target_link_libraries(station_bench PRIVATE orvane_sim benchmark::benchmark orvane_warnings)
  target_include_directories(station_bench PRIVATE ${PROJECT_SOURCE_DIR})
  add_dependencies(station_bench orvane-flash)
  target_compile_definitions(station_bench PRIVATE
                             ORVANE_FLASH_BINARY="$<TARGET_FILE:orvane-flash>")
endif()
