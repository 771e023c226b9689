# The RS232 link and Load's port scan.
target_sources(orvane_link PRIVATE SerialLink.cpp PortScan.h PortScan.cpp)
