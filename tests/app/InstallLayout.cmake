# Installs the build tree under the default prefix into a scratch DESTDIR and checks that the
# udev rule lands where udev reads it, not under the prefix.
#   cmake -DBUILD_DIR=<build> -DSCRATCH=<dir> -P InstallLayout.cmake
file(REMOVE_RECURSE ${SCRATCH})
set(ENV{DESTDIR} ${SCRATCH})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr/local
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed: ${rc}")
endif()
if(NOT EXISTS ${SCRATCH}/usr/lib/udev/rules.d/70-orvane.rules)
  message(FATAL_ERROR "the udev rule is not in /usr/lib/udev/rules.d")
endif()
file(GLOB_RECURSE stray ${SCRATCH}/usr/local/*.rules)
if(stray)
  message(FATAL_ERROR "a udev rule under the prefix, where udev ignores it: ${stray}")
endif()
if(NOT EXISTS ${SCRATCH}/usr/local/bin/orvane-updater)
  message(FATAL_ERROR "the console is not under the prefix")
endif()
file(REMOVE_RECURSE ${SCRATCH})
