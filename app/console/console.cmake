# orvane_console_core: the main window's handlers against IWindowSystem; no toolkit.
add_library(orvane_console_core STATIC
  console/CommandLine.h console/CommandLine.cpp
  console/Resource.h
  console/SelectFile.h
  console/UpdaterDlg.h console/UpdaterDlg.cpp console/UpdaterDlgLoad.cpp
  console/WindowSystem.h
  console/WorkerThread.h console/WorkerThread.cpp
)
target_link_libraries(orvane_console_core PUBLIC orvane_download orvane_link
                                          PRIVATE orvane_warnings)

# The program's start shared by both window systems: the command line and --simulate.
add_library(orvane_console_start STATIC console/ConsoleStart.h console/ConsoleStart.cpp)
target_link_libraries(orvane_console_start PUBLIC orvane_console_core orvane_sim
                                           PRIVATE orvane_warnings)
target_compile_definitions(orvane_console_start PRIVATE ORVANE_VERSION="${PROJECT_VERSION}")
