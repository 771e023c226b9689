# Serial back end, mode-text parser and serial port list.
target_sources(orvane_platform PRIVATE ModeText.h ModeText.cpp SerialPort.h PortList.h)
if(WIN32)
  # The comm API port, with the in-process ports (the simulated device) in front of it.
  target_sources(orvane_platform PRIVATE
    SerialPortWin32.h SerialPortWin32.cpp SerialPortSystemWin32.cpp
    InProcessSerial.h InProcessSerial.cpp
    PortListWin32.cpp)
else()
  target_sources(orvane_platform PRIVATE SerialPortPosix.cpp SerialPortPosixTermios.h
                                         SerialPortPosixTermios.cpp)
  if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    target_sources(orvane_platform PRIVATE SerialPortPosixBaud.h SerialPortPosixBaud.cpp
                                           PortListLinux.cpp)
  endif()
endif()
