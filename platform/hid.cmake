# The HID back end. Windows: the HID class driver interface and SetupAPI, no hidapi. Elsewhere
# hidapi, one variant only (hidraw on Linux), found with pkg-config.
if(WIN32)
  target_sources(orvane_platform PRIVATE
    HidWin32Api.h HidWin32Api.cpp
    HidBackendWin32.h HidBackendWin32.cpp
    HidDeviceWin32.h HidDeviceWin32.cpp
    HidAccess.h HidAccessWin32.cpp
  )
  target_link_libraries(orvane_platform PUBLIC hid setupapi)
  return()
endif()

find_package(PkgConfig REQUIRED)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  pkg_check_modules(HIDAPI REQUIRED IMPORTED_TARGET GLOBAL hidapi-hidraw)
  # Linux enumerates from sysfs; hid_enumerate is not safe there while devices restart.
  set(ORVANE_HID_ENUM_SOURCE HidEnumSysfs.cpp)
else()
  pkg_check_modules(HIDAPI REQUIRED IMPORTED_TARGET GLOBAL hidapi)
  set(ORVANE_HID_ENUM_SOURCE HidEnumHidapi.cpp)
endif()

target_sources(orvane_platform PRIVATE
  HidEnum.h ${ORVANE_HID_ENUM_SOURCE}
  HidBackendHidapi.cpp
  HidAccess.h HidAccess.cpp
)
target_link_libraries(orvane_platform PRIVATE PkgConfig::HIDAPI)
