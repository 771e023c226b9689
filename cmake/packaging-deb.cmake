# Linux desktops and the Debian package: the desktop entry, the icons, the AppStream metadata,
# the bash completion, the manual pages, the udev rule, and the CPack settings of the .deb.
# Included from packaging.cmake, which installs the programs.
if(TARGET orvane-updater)
  install(FILES ${ORVANE_RES}/orvane-updater.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${ORVANE_RES}/metainfo/com.orvane.updater.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 48 32 16)
    if(size EQUAL 48)
      set(icon ${ORVANE_RES}/orvane.png)
    else()
      set(icon ${ORVANE_RES}/orvane-${size}.png)
    endif()
    install(FILES ${icon} RENAME orvane-updater.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${ORVANE_RES}/orvane-updater.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

if(TARGET orvane-flash)
  install(FILES ${ORVANE_RES}/completion/orvane-flash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
endif()
install(DIRECTORY ${ORVANE_RES}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
        FILES_MATCHING PATTERN "*.txt")

# udev reads rules from /usr/lib/udev/rules.d and /etc/udev/rules.d only, whatever the install
# prefix: under the default /usr/local a prefix-relative rule would be ignored.
set(ORVANE_UDEV_RULES_DIR /usr/lib/udev/rules.d
    CACHE PATH "Absolute directory where udev reads the installed device-access rule")
if(NOT IS_ABSOLUTE "${ORVANE_UDEV_RULES_DIR}")
  message(FATAL_ERROR "ORVANE_UDEV_RULES_DIR must be absolute (udev ignores rules under a prefix)")
endif()
if(EXISTS ${ORVANE_RES}/udev/70-orvane.rules)
  install(FILES ${ORVANE_RES}/udev/70-orvane.rules
          DESTINATION ${ORVANE_UDEV_RULES_DIR})
endif()

# Manual pages and the Debian changelog are installed gzipped, without a name or a time stamp
# in the gzip header (gzip -9n), so that the same sources give the same package.
find_program(ORVANE_GZIP gzip)
if(ORVANE_GZIP)
  set(compressed)
  foreach(program orvane-updater orvane-flash orvane-sim)
    if(TARGET ${program})
      set(page ${ORVANE_RES}/man/${program}.1)
      set(out ${PROJECT_BINARY_DIR}/man/${program}.1.gz)
      add_custom_command(OUTPUT ${out}
                         COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
                         COMMAND ${ORVANE_GZIP} -9n -c ${page} > ${out}
                         DEPENDS ${page} VERBATIM)
      install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
      list(APPEND compressed ${out})
    endif()
  endforeach()
  set(changelog_gz ${PROJECT_BINARY_DIR}/deb/changelog.Debian.gz)
  add_custom_command(OUTPUT ${changelog_gz}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/deb
                     COMMAND ${ORVANE_GZIP} -9n -c ${ORVANE_RES}/deb/changelog > ${changelog_gz}
                     DEPENDS ${ORVANE_RES}/deb/changelog VERBATIM)
  list(APPEND compressed ${changelog_gz})
  add_custom_target(orvane_compressed_docs ALL DEPENDS ${compressed})
  install(FILES ${changelog_gz} ${ORVANE_RES}/deb/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${ORVANE_RES}/deb/lintian-overrides RENAME orvane-updater
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides)
endif()

# The package's version is the project's with the Debian revision of the changelog's latest
# entry, which must be for this version.
file(STRINGS ${ORVANE_RES}/deb/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^orvane-updater \\(([^-)]+)-([^)]+)\\)")
  message(FATAL_ERROR "res/deb/changelog: the first line does not name a version: ${changelog_top}")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "res/deb/changelog: the latest entry is for ${CMAKE_MATCH_1}, the project "
                      "is ${PROJECT_VERSION}; add an entry for this version")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})

set(CPACK_GENERATOR DEB)
# Debian wraps nothing: the extended description keeps its lines under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "The operator picks a firmware script, chooses RS232 (with a baud rate) or
USB HID (with a vendor and product id) and presses Load: the console finds
the device, checks that it answers and plays the script to its bootloader
frame by frame, logging each step. Stop ends a download at once.

The package also holds orvane-flash, the same download without a window,
for scripts and production lines; orvane-sim, a simulated device on a
pseudo-terminal; and a udev rule that lets the user at the seat open the
device's hidraw nodes.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orvane maintainers <maintainers@orvane.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${ORVANE_RES}/deb/postinst ${ORVANE_RES}/deb/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
