# Installation and the Debian package: the console, the flasher, the desktop entry, the icon
# and the udev rule that gives the operator access to the device.
if(WIN32)
  include(cmake/packaging-windows.cmake)  # a zip instead, without the Linux files
  return()
endif()
include(GNUInstallDirs)

if(TARGET orvane-updater)
  install(TARGETS orvane-updater RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/res/orvane-updater.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 48 32 16)
    if(size EQUAL 48)
      set(icon ${PROJECT_SOURCE_DIR}/res/orvane.png)
    else()
      set(icon ${PROJECT_SOURCE_DIR}/res/orvane-${size}.png)
    endif()
    install(FILES ${icon} RENAME orvane-updater.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()

if(TARGET orvane-flash)
  install(TARGETS orvane-flash RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# udev reads rules from /usr/lib/udev/rules.d and /etc/udev/rules.d only, whatever the install
# prefix: under the default /usr/local a prefix-relative rule would be ignored.
set(ORVANE_UDEV_RULES_DIR /usr/lib/udev/rules.d
    CACHE PATH "Absolute directory where udev reads the installed device-access rule")
if(NOT IS_ABSOLUTE "${ORVANE_UDEV_RULES_DIR}")
  message(FATAL_ERROR "ORVANE_UDEV_RULES_DIR must be absolute (udev ignores rules under a prefix)")
endif()
if(EXISTS ${PROJECT_SOURCE_DIR}/res/udev/70-orvane.rules)
  install(FILES ${PROJECT_SOURCE_DIR}/res/udev/70-orvane.rules
          DESTINATION ${ORVANE_UDEV_RULES_DIR})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane-updater)
set(CPACK_PACKAGE_VENDOR "Orvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware update console for Orvane devices (RS232 and USB)")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orvane maintainers <maintainers@orvane.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6widgets6, libhidapi-hidraw0")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
