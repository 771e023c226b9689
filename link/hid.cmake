# The USB HID link; its platform back end comes from platform/hid.cmake.
target_sources(orvane_link PRIVATE HidLink.cpp)
