# The Qt 6 Widgets window: orvane_console (window, about box, chooser) and orvane-updater.
find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets)

add_library(orvane_console STATIC
  qt/AboutDlg.h qt/AboutDlg.cpp
  qt/FileChooser.h qt/FileChooser.cpp
  qt/QtSystemMenuWin.cpp
  qt/QtUpdaterWindow.h qt/QtUpdaterWindow.cpp
  qt/Resources.h qt/Resources.cpp
  ${PROJECT_SOURCE_DIR}/res/IDD_UPDATER_DIALOG.ui
  ${PROJECT_SOURCE_DIR}/res/IDD_ABOUTBOX.ui
  ${PROJECT_SOURCE_DIR}/res/orvane.qrc
)
set_target_properties(orvane_console PROPERTIES
  AUTOMOC ON AUTOUIC ON AUTORCC ON
  AUTOUIC_SEARCH_PATHS ${PROJECT_SOURCE_DIR}/res)
target_link_libraries(orvane_console PUBLIC orvane_console_core Qt6::Widgets
                                     PRIVATE orvane_warnings)

# The application object and main(); the worker and the simulated device are linked here so
# that the window itself can be tested with stand-in workers.
add_executable(orvane-updater WIN32 qt/main.cpp qt/UpdaterApp.h qt/UpdaterApp.cpp)
target_link_libraries(orvane-updater PRIVATE orvane_console orvane_console_start orvane_download
                                             orvane_warnings)

# Redraws res/orvane*.png; run by hand: orvane-icongen <source>/res
add_executable(orvane-icongen EXCLUDE_FROM_ALL tools/IconGen.cpp)
target_link_libraries(orvane-icongen PRIVATE Qt6::Gui orvane_warnings)

# Saves docs/screenshot.png; run by hand: xvfb-run orvane-console-shot <source>/docs/screenshot.png
find_package(Qt6 6.4 REQUIRED COMPONENTS Test)
add_executable(orvane-console-shot EXCLUDE_FROM_ALL tools/ConsoleShot.cpp)
target_link_libraries(orvane-console-shot PRIVATE orvane_console orvane_download orvane_sim
                                                  Qt6::Test orvane_warnings)
