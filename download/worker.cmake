# Script reading, scan and decoder, the download worker and its USB exchange.
target_sources(orvane_download PRIVATE
  Script.h
  ScriptFile.cpp
  ScriptScan.cpp
  ScriptCheck.cpp
  HexTextToBytes.cpp
  DownloadRun.h
  DownloadWorker.cpp
  UsbExchange.cpp
)
