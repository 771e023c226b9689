# The simulated device: protocol model, pseudo-terminal face, USB face, orvane-sim tool.
add_library(orvane_sim STATIC
  OrvaneDevice.h OrvaneDevice.cpp
  SimSerialDevice.h SimSerialDevice.cpp
  SimHidBackend.h SimHidBackend.cpp
  Simulation.h Simulation.cpp
  ScriptWriter.h
  DeviceOptions.h DeviceOptions.cpp
)
target_link_libraries(orvane_sim PUBLIC orvane_link PRIVATE orvane_warnings)

add_executable(orvane-sim SimMain.cpp)
target_link_libraries(orvane-sim PRIVATE orvane_sim orvane_warnings)
