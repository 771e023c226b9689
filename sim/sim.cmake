# The simulated device: protocol model, pseudo-terminal face, USB face, orvane-sim tool.
add_library(orvane_sim STATIC
  OrvaneDevice.h OrvaneDevice.cpp
  SerialFrameGatherer.h SerialFrameGatherer.cpp
  SimSerialPort.h SimSerialPort.cpp
  SimHidBackend.h SimHidBackend.cpp
  Simulation.h Simulation.cpp
  ScriptWriter.h
  DeviceOptions.h DeviceOptions.cpp
)
target_link_libraries(orvane_sim PUBLIC orvane_link PRIVATE orvane_warnings)

# RS232 face: a pseudo-terminal, or in process where there is none (Windows); orvane-sim serves
# the pseudo-terminal and so exists only beside it.
if(WIN32)
  target_sources(orvane_sim PRIVATE SimInProcessSerial.h SimInProcessSerial.cpp)
else()
  target_sources(orvane_sim PRIVATE SimSerialDevice.h SimSerialDevice.cpp)
  add_executable(orvane-sim SimMain.cpp)
  target_link_libraries(orvane-sim PRIVATE orvane_sim orvane_warnings)
endif()
