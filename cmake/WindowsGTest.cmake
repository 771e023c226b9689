# GoogleTest for the Windows build: Debian ships its sources, not a mingw-w64 build, so it is
# compiled here with the same cross compiler. find_package(GTest) in tests/ then finds these
# targets through a redirect instead of searching the system.
set(ORVANE_GTEST_SOURCE /usr/src/googletest/googletest
    CACHE PATH "GoogleTest sources to cross-build for Windows")
if(NOT EXISTS ${ORVANE_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found at ${ORVANE_GTEST_SOURCE} "
                      "(scripts/install-deps windows installs googletest)")
endif()
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${ORVANE_GTEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/gtest-config.cmake
     "# The cross-built GoogleTest of cmake/WindowsGTest.cmake.\nset(GTest_FOUND TRUE)\n")
file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/gtest-config-version.cmake
     "set(PACKAGE_VERSION_COMPATIBLE TRUE)\nset(PACKAGE_VERSION_EXACT FALSE)\n")

# Test programs are listed when ctest runs, under Wine, not at build time: the build needs no
# Wine prefix then.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
