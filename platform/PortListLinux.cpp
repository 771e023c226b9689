#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string_view>

#include "platform/PortList.h"

namespace orvane {

namespace {

namespace fs = std::filesystem;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Splits "ttyACM10" into "ttyACM" and 10; a name without a trailing number has none.
struct NaturalKey {
    std::string prefix;
    bool hasNumber = false;
    unsigned long long number = 0;
    std::string name;
};

NaturalKey KeyOf(const std::string& name) {
    size_t digits = name.size();
    while (digits > 0 && IsDigit(name[digits - 1])) {
        --digits;
    }
    NaturalKey key{name.substr(0, digits), false, 0, name};
    // Beyond 18 digits the order falls back to the plain text; no real tty is named so.
    const size_t count = name.size() - digits;
    if (count > 0 && count <= 18) {
        key.hasNumber = true;
        key.number = std::strtoull(name.c_str() + digits, nullptr, 10);
    }
    return key;
}

bool NaturalLess(const NaturalKey& a, const NaturalKey& b) {
    if (a.prefix != b.prefix) {
        return a.prefix < b.prefix;
    }
    if (a.hasNumber != b.hasNumber) {
        return !a.hasNumber;
    }
    if (a.number != b.number) {
        return a.number < b.number;
    }
    return a.name < b.name;
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::symlink_status(p, ec).type() != fs::file_type::not_found && !ec;
}

// sysfs attributes are short; read at most a page of one.
std::string ReadSmallFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    char buf[4096];
    in.read(buf, sizeof(buf));
    return std::string(buf, static_cast<size_t>(in.gcount()));
}

// "tty", "tty0", "tty63": the virtual terminals and the current-terminal alias.
bool IsVirtualTerminal(std::string_view name) {
    if (name.substr(0, 3) != "tty") {
        return false;
    }
    return std::all_of(name.begin() + 3, name.end(), IsDigit);
}

bool IsRealUart(const fs::path& entry) {
    const std::string text = ReadSmallFile(entry / "type");
    char* end = nullptr;
    const long type = std::strtol(text.c_str(), &end, 10);
    return end != text.c_str() && type != 0;
}

}  // namespace

std::vector<std::string> SerialPortCandidatesIn(const std::string& ttyClassDir) {
    const fs::path root(ttyClassDir);
    std::set<std::string> consoles{"console"};
    {
        std::istringstream active(ReadSmallFile(root / "console" / "active"));
        std::string name;
        while (active >> name) {
            consoles.insert(name);
        }
    }

    std::vector<NaturalKey> found;
    std::error_code ec;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (consoles.count(name) != 0 || IsVirtualTerminal(name)) {
            continue;
        }
        if (!Exists(it->path() / "device")) {
            continue;
        }
        // Legacy 8250 ports exist whether or not a UART is fitted; type 0 means none is.
        if (name.rfind("ttyS", 0) == 0 && !IsRealUart(it->path())) {
            continue;
        }
        found.push_back(KeyOf(name));
    }

    std::sort(found.begin(), found.end(), NaturalLess);
    if (found.size() > kMaxSerialPorts) {
        found.resize(kMaxSerialPorts);
    }
    std::vector<std::string> ports;
    ports.reserve(found.size());
    for (const NaturalKey& key : found) {
        ports.push_back("/dev/" + key.name);
    }
    return ports;
}

std::vector<std::string> SerialPortCandidates() {
    return SerialPortCandidatesIn("/sys/class/tty");
}

}  // namespace orvane
