# The native Win32 window: orvane_console_win32 (dialog, about box) and orvane-updater.exe with
# its resources (templates, icon, manifest).
enable_language(RC)

add_library(orvane_console_win32 STATIC
  win32/AboutDlgWin32.h win32/AboutDlgWin32.cpp
  win32/Win32UpdaterWindow.h win32/Win32UpdaterWindow.cpp
  ${PROJECT_SOURCE_DIR}/platform/EventPumpWin32.cpp
)
target_link_libraries(orvane_console_win32 PUBLIC orvane_console_core comctl32 comdlg32 gdi32
                                           PRIVATE orvane_warnings)

# The resources go into each program that shows the window (the tests' too).
set(ORVANE_WIN32_RESOURCES ${PROJECT_SOURCE_DIR}/res/win32/orvane-updater.rc
    CACHE INTERNAL "The console's resource script")
set_source_files_properties(${ORVANE_WIN32_RESOURCES} PROPERTIES
  OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/res/win32/orvane.ico;${PROJECT_SOURCE_DIR}/res/win32/orvane-updater.manifest;${PROJECT_SOURCE_DIR}/app/console/Resource.h")

add_executable(orvane-updater WIN32 win32/main.cpp win32/UpdaterApp.h win32/UpdaterApp.cpp
                                    ${ORVANE_WIN32_RESOURCES})
target_include_directories(orvane-updater PRIVATE ${PROJECT_SOURCE_DIR}
                                                  ${PROJECT_SOURCE_DIR}/res/win32)
target_link_libraries(orvane-updater PRIVATE orvane_console_win32 orvane_console_start
                                             orvane_download orvane_warnings)

# Shows the window after a simulated download for docs/screenshot-win32.png; run by hand:
#   scripts/take-screenshot-win32 build/windows/app/orvane-console-shot-win32.exe docs/screenshot-win32.png
add_executable(orvane-console-shot-win32 EXCLUDE_FROM_ALL WIN32 tools/ConsoleShotWin32.cpp
                                                                ${ORVANE_WIN32_RESOURCES})
target_include_directories(orvane-console-shot-win32 PRIVATE ${PROJECT_SOURCE_DIR}
                                                             ${PROJECT_SOURCE_DIR}/res/win32)
target_link_libraries(orvane-console-shot-win32 PRIVATE orvane_console_win32 orvane_download
                                                        orvane_sim orvane_warnings)
