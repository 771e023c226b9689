# The simulated device: protocol model, pseudo-terminal face, USB face, orvane-sim tool.
add_library(orvane_sim STATIC
  OrvaneDevice.h OrvaneDevice.cpp
  SerialFrameGatherer.h SerialFrameGatherer.cpp
  SimSerialPort.h SimSerialPort.cpp
  SimHidBackend.h SimHidBackend.cpp
  Simulation.h Simulation.cpp
  ScriptWriter.h
  DeviceOptions.h DeviceOptions.cpp
  ReportJoiner.h ReportJoiner.cpp
  FrameGatherer.h FrameGatherer.cpp
)
target_link_libraries(orvane_sim PUBLIC orvane_link PRIVATE orvane_warnings)

# RS232 face: in process where there are no pseudo-terminals (Windows), and there no
# orvane-sim, which serves pseudo-terminals and kernel drivers.
if(WIN32)
  target_sources(orvane_sim PRIVATE SimInProcessSerial.h SimInProcessSerial.cpp)
  return()
endif()
target_sources(orvane_sim PRIVATE SimSerialDevice.h SimSerialDevice.cpp)

# The faces on real kernel drivers (uhid, f_hid gadget, any terminal), for orvane-sim.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  target_sources(orvane_sim PRIVATE
    FaceEvents.h FaceEvents.cpp
    SimTtyDevice.h SimTtyDevice.cpp
    SimUhidDevice.h SimUhidDevice.cpp
    SimHidgDevice.h SimHidgDevice.cpp
  )
endif()

add_executable(orvane-sim SimMain.cpp)
target_link_libraries(orvane-sim PRIVATE orvane_sim orvane_warnings)
