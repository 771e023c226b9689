# orvane-flash: the parts tests call live in a library, main() alone in the executable.
add_library(orvane_cli STATIC
  Options.h Options.cpp
  ConsoleWindow.h ConsoleWindow.cpp
  Decode.h Decode.cpp
  ScriptDiagnosis.h ScriptDiagnosis.cpp
  Listing.h Listing.cpp
  Flasher.h Flasher.cpp
)
target_link_libraries(orvane_cli PUBLIC orvane_download orvane_sim PRIVATE orvane_warnings)

add_executable(orvane-flash FlashMain.cpp)
target_link_libraries(orvane-flash PRIVATE orvane_cli orvane_warnings)
target_compile_definitions(orvane-flash PRIVATE ORVANE_VERSION="${PROJECT_VERSION}")

if(WIN32)
  target_sources(orvane_cli PRIVATE ListingWin32.cpp ConsoleStop.h ConsoleStopWin32.cpp)
  # The manifest: UTF-8 as the active code page, for script paths with any characters.
  target_sources(orvane-flash PRIVATE ${PROJECT_SOURCE_DIR}/res/windows/orvane-flash.rc)
endif()
