# orvane-flash: the parts tests call live in a library, main() alone in the executable.
add_library(orvane_cli STATIC
  Options.h Options.cpp
  ConsoleWindow.h ConsoleWindow.cpp
  ProgressBar.h ProgressBar.cpp
  LogFile.h LogFile.cpp
  Diagnostics.h Diagnostics.cpp
  LinkReport.h LinkReport.cpp
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
  station/ChildProcess.h
  station/StatusBoard.h station/StatusBoard.cpp
  station/Station.h
  Interrupt.h
  Terminal.h
)
# One file per platform behind Interrupt.h and Terminal.h.
if(NOT WIN32)
  target_sources(orvane_cli PRIVATE InterruptPosix.cpp TerminalPosix.cpp
                                    station/ChildProcess.cpp station/Station.cpp)
else()
  target_sources(orvane_cli PRIVATE InterruptWin32.cpp TerminalWin32.cpp ListingWin32.cpp
                                    station/StationWin32.cpp)
endif()
target_link_libraries(orvane_cli PUBLIC orvane_download orvane_sim PRIVATE orvane_warnings)
# The installed udev rule's path, for the hint on a HID device this user may not open.
if(NOT DEFINED ORVANE_UDEV_RULES_DIR)
  set(ORVANE_UDEV_RULES_DIR /usr/lib/udev/rules.d)
endif()
set_property(SOURCE Diagnostics.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             ORVANE_UDEV_RULE_PATH="${ORVANE_UDEV_RULES_DIR}/70-orvane.rules")

add_executable(orvane-flash FlashMain.cpp)
target_link_libraries(orvane-flash PRIVATE orvane_cli orvane_warnings)
target_compile_definitions(orvane-flash PRIVATE ORVANE_VERSION="${PROJECT_VERSION}")

if(WIN32)
  # The manifest: UTF-8 as the active code page, for script paths with any characters.
  target_sources(orvane-flash PRIVATE ${PROJECT_SOURCE_DIR}/res/windows/orvane-flash.rc)
endif()
