# CPU use of the USB probe's reply window with nothing to wait on (about 11 s).
add_executable(probe_idle_bench ProbeIdleBench.cpp)
target_link_libraries(probe_idle_bench PRIVATE orvane_link benchmark::benchmark orvane_warnings)
