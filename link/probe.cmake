# The link probe and the bootloader version query.
target_sources(orvane_link PRIVATE LinkProbe.cpp)
