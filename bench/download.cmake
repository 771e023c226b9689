# Script scan and decode throughput, and the memory a 16 MB script takes.
add_executable(scan_decode_bench ScanDecodeBench.cpp)
target_link_libraries(scan_decode_bench PRIVATE orvane_download benchmark::benchmark orvane_warnings)
