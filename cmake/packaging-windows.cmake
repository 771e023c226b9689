# The Windows package: one zip with the programs, statically linked, a short read-me and the
# example scripts, all at the top of one folder. Nothing is installed into the system.
set(ORVANE_WIN_README ${PROJECT_BINARY_DIR}/README.txt)
configure_file(${PROJECT_SOURCE_DIR}/res/windows/README.txt ${ORVANE_WIN_README}
               NEWLINE_STYLE WIN32)

foreach(program orvane-updater orvane-flash)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION .)
  endif()
endforeach()
install(FILES ${ORVANE_WIN_README} DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/res/examples/ DESTINATION examples)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME orvane-updater)
set(CPACK_PACKAGE_VENDOR "Orvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware update console for Orvane devices (RS232 and USB)")
set(CPACK_PACKAGE_FILE_NAME orvane-updater-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES TRUE)
include(CPack)
