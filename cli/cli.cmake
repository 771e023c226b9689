# orvane-flash: the parts tests call live in a library, main() alone in the executable.
add_library(orvane_cli STATIC
  Options.h Options.cpp
  ConsoleWindow.h ConsoleWindow.cpp
  Decode.h Decode.cpp
  ScriptDiagnosis.h ScriptDiagnosis.cpp
  Listing.h Listing.cpp
  Flasher.h Flasher.cpp
  station/StationOptions.h station/StationOptions.cpp
  station/Json.h station/Json.cpp
  station/Sha256.h station/Sha256.cpp
  station/DeviceRun.h station/DeviceRun.cpp
  station/WaitReportingClock.h
  station/SingleRun.h station/SingleRun.cpp
  station/ChildProcess.h station/ChildProcess.cpp
  station/StatusBoard.h station/StatusBoard.cpp
  station/Station.h station/Station.cpp
)
target_link_libraries(orvane_cli PUBLIC orvane_download orvane_sim PRIVATE orvane_warnings)

add_executable(orvane-flash FlashMain.cpp)
target_link_libraries(orvane-flash PRIVATE orvane_cli orvane_warnings)
target_compile_definitions(orvane-flash PRIVATE ORVANE_VERSION="${PROJECT_VERSION}")
