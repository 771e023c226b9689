#include "tests/vm/ReceivedCheck.h"

#include <sstream>

namespace orvane::vm {

namespace {

std::string Short(const std::string& hex) {
    return hex.size() <= 48
               ? hex
               : hex.substr(0, 48) + "... (" + std::to_string(hex.size() / 2) + " bytes)";
}

}  // namespace

std::vector<Expected> ParseExpectation(const std::string& text) {
    std::vector<Expected> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 3 || line[1] != ' ') {
            continue;
        }
        const char kind = line[0];
        if (kind == '=' || kind == '+' || kind == '#') {
            out.push_back(Expected{line.substr(2), kind == '+', kind == '#'});
        }
    }
    return out;
}

std::vector<std::string> ParseReceived(const std::string& log) {
    std::vector<std::string> out;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t bytes = line.find(" bytes");
        if (line.find(" ms  ") == std::string::npos || bytes == std::string::npos) {
            continue;
        }
        std::size_t from = bytes + 6;
        const std::size_t paren = line.find(')', from);
        if (line.compare(from, 12, " (no answer)") == 0 && paren != std::string::npos) {
            from = paren + 1;
        }
        std::string hex;
        for (std::size_t i = from; i < line.size(); ++i) {
            if (line[i] != ' ') {
                hex += line[i];
            }
        }
        out.push_back(hex);
    }
    return out;
}

std::string CompareReceived(const std::vector<Expected>& expected,
                            const std::vector<std::string>& received, int scriptFrames) {
    std::vector<Expected> wanted;
    int scripts = 0;
    for (const Expected& e : expected) {
        if (scriptFrames >= 0 && scripts == scriptFrames) {
            break;
        }
        scripts += e.script ? 1 : 0;
        wanted.push_back(e);
    }
    std::size_t at = 0;
    for (std::size_t w = 0; w < wanted.size(); ++w) {
        if (at >= received.size()) {
            return "request " + std::to_string(at + 1) + " missing: expected " +
                   Short(wanted[w].hex);
        }
        if (received[at] != wanted[w].hex) {
            return "request " + std::to_string(at + 1) + ": expected " + Short(wanted[w].hex) +
                   ", received " + Short(received[at]);
        }
        ++at;
        while (wanted[w].repeats && at < received.size() && received[at] == wanted[w].hex) {
            ++at;
        }
    }
    if (at < received.size()) {
        return "request " + std::to_string(at + 1) + " not expected: " + Short(received[at]);
    }
    return {};
}

}  // namespace orvane::vm
