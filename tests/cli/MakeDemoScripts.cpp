// Writes the example scripts of res/examples: make_demo_scripts DIR
#include <cstdio>
#include <fstream>
#include <string>

#include "sim/ScriptWriter.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_scripts DIR\n");
        return 64;
    }
    const auto frames = orvane::sim::DownloadFrames(8, 128, true);
    for (const bool usb : {false, true}) {
        const std::string name = usb ? "demo-usb.txt" : "demo-rs232.txt";
        const std::vector<std::string> comment = {
            std::string("Orvane demo firmware, ") + (usb ? "USB" : "RS232") +
                " link: enter the bootloader, erase, start, 9 packages (8 of 128 bytes,"
                " then the finish frame).",
            usb ? "Each frame is cut into 64-byte HID reports, position code first."
                : "Each frame is one message frame, CRC included.",
        };
        std::ofstream out(std::string(argv[1]) + "/" + name, std::ios::binary);
        out << orvane::sim::MakeScript(frames, usb, comment);
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", name.c_str());
            return 1;
        }
    }
    return 0;
}
