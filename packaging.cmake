# Installation and packages: the console, the flasher and the simulated device, and on Linux
# the files of the desktop and the Debian package (cmake/packaging-deb.cmake).
if(WIN32)
  include(cmake/packaging-windows.cmake)  # a zip instead, with its own layout
  return()
endif()
include(GNUInstallDirs)

set(ORVANE_RES ${PROJECT_SOURCE_DIR}/res)

foreach(program orvane-updater orvane-flash orvane-sim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

set(CPACK_PACKAGE_NAME orvane-updater)
set(CPACK_PACKAGE_VENDOR "Orvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware update console for Orvane devices (RS232 and USB)")
# Packages and CPack's scratch tree go to the build directory, never into the sources.
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})

if(NOT WIN32)
  include(${PROJECT_SOURCE_DIR}/cmake/packaging-deb.cmake)
endif()

include(CPack)
