# Real-time downloads against the simulated device: what the flow adds on top of the waits it
# must make, and how fast a stop ends a pending USB read. Each runs once and takes minutes.
add_executable(download_realtime_bench DownloadRealTimeBench.cpp)
target_link_libraries(download_realtime_bench PRIVATE orvane_download orvane_sim
                                                      benchmark::benchmark orvane_warnings)
target_include_directories(download_realtime_bench PRIVATE ${PROJECT_SOURCE_DIR})
