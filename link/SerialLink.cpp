#include "link/SerialLink.h"

#include <cstring>
#include <utility>

namespace {

constexpr size_t kMinSpec = 10;
constexpr size_t kMaxSpec = 256;

bool IsDropped(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

bool SplitLinkSpec(const char* spec, std::string& device, std::string& mode) {
    if (spec == nullptr) {
        return false;
    }
    // Bounded: a longer text is refused without reading it to its end.
    size_t length = 0;
    while (length <= kMaxSpec && spec[length] != '\0') {
        ++length;
    }
    if (length < kMinSpec || length > kMaxSpec) {
        return false;
    }
    std::string clean;
    clean.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        if (!IsDropped(spec[i])) {
            clean.push_back(spec[i]);
        }
    }

    size_t split = std::string::npos;
    if (clean.empty() || clean[0] != '/') {
        split = clean.find('/');
    } else {
        // A device path has slashes of its own: the settings begin at the first '/' whose
        // setting is a key=value.
        for (size_t slash = clean.find('/'); slash != std::string::npos;
             slash = clean.find('/', slash + 1)) {
            const size_t next = clean.find('/', slash + 1);
            const size_t end = next == std::string::npos ? clean.size() : next;
            if (clean.find('=', slash + 1) < end) {
                split = slash;
                break;
            }
        }
    }

    if (split == std::string::npos) {
        device = clean;
        mode.clear();
        return true;
    }
    device = clean.substr(0, split);
    mode = clean.substr(split + 1);
    for (char& c : mode) {
        if (c == '/') {
            c = ' ';
        }
    }
    return true;
}

CSerialLink::CSerialLink() : m_hComm(orvane::MakeSystemSerialPort()) {}

CSerialLink::CSerialLink(std::unique_ptr<orvane::ISerialPort> port) : m_hComm(std::move(port)) {}

int CSerialLink::Open(const char* spec) {
    if (m_bOpen != 0 || spec == nullptr) {
        m_lastOpenError =
            m_bOpen != 0 ? orvane::SerialOpenError::Other : orvane::SerialOpenError::BadSettings;
        m_nLastOpenSystemError = 0;
        return 0;
    }
    m_lastOpenError = orvane::SerialOpenError::BadSettings;
    m_nLastOpenSystemError = 0;
    std::string device;
    std::string mode;
    if (!SplitLinkSpec(spec, device, mode)) {
        return 0;
    }
    m_strDevice = device;
    const size_t n = mode.size() < sizeof(m_szMode) - 1 ? mode.size() : sizeof(m_szMode) - 1;
    std::memcpy(m_szMode, mode.data(), n);
    m_szMode[n] = '\0';

    // No mode part means no line settings: refused rather than guessed.
    if (m_hComm == nullptr || m_szMode[0] == '\0') {
        return 0;
    }
    if (!m_hComm->Open(device, m_szMode)) {
        m_lastOpenError = m_hComm->LastOpenError();
        m_nLastOpenSystemError = m_hComm->LastOpenSystemError();
        m_hComm->Close();
        return 0;
    }
    m_lastOpenError = orvane::SerialOpenError::None;
    m_bOpen = 1;
    return 1;
}

void CSerialLink::Close() {
    if (m_hComm != nullptr) {
        m_hComm->Close();
    }
    m_bOpen = 0;
}

uint32_t CSerialLink::Write(const uint8_t* buf, uint32_t count) {
    if (m_bOpen == 0 || m_hComm == nullptr || (buf == nullptr && count != 0)) {
        return 0;
    }
    const int32_t written = m_hComm->Write(buf, count);
    return written < 0 ? 0 : static_cast<uint32_t>(written);
}

int32_t CSerialLink::Read(uint8_t* buf, uint32_t capacity) {
    if (m_bOpen == 0 || m_hComm == nullptr || buf == nullptr) {
        return -1;
    }
    // The count must fit the signed result.
    const uint64_t limit = capacity > INT32_MAX ? INT32_MAX : capacity;
    uint64_t total = 0;
    bool first = true;
    for (;;) {
        const int32_t n = m_hComm->Read(m_chunk, kChunkSize);
        if (n < 0 || static_cast<uint32_t>(n) > kChunkSize) {
            return -1;
        }
        // A lone acknowledge byte is the whole reply; a lone 0x03 may start a longer one.
        if (first && n == 1 && m_chunk[0] != 0x03 && limit >= 1) {
            buf[0] = m_chunk[0];
            return 1;
        }
        first = false;
        if (total + static_cast<uint64_t>(n) > limit) {
            return static_cast<int32_t>(total);
        }
        if (n == 0) {
            return static_cast<int32_t>(total);
        }
        std::memcpy(buf + total, m_chunk, static_cast<size_t>(n));
        total += static_cast<uint64_t>(n);
    }
}

void CSerialLink::SetPort(std::unique_ptr<orvane::ISerialPort> port) {
    Close();
    m_hComm = std::move(port);
}
