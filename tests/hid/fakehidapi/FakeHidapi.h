#pragma once

// A stand-in for the hidapi library, so that the real back end (platform/HidBackendHidapi.cpp)
// runs in tests without hardware. It implements the C functions of <hidapi.h> that the back end
// and the hid_enumerate enumeration call; the devices behind the paths are registered by the
// test and driven by a Model. Thread-safe.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fakehidapi {

// What stands behind one device path.
class Model {
public:
    virtual ~Model() = default;
    // A handle is being opened on the path. Returns false to refuse it; `session` (0 on entry)
    // tells the reads and writes of that handle apart from those of other handles.
    virtual bool Open(uint64_t& session) {
        (void)session;
        return true;
    }
    // One output report, byte 0 the report id. Returns the bytes taken, or -1.
    virtual int Write(uint64_t session, const uint8_t* data, size_t length) = 0;
    // Waits at most `timeoutMs` (-1: no limit) for one input report. Returns the bytes read,
    // 0 when none came, -1 on failure.
    virtual int Read(uint64_t session, uint8_t* data, size_t length, int timeoutMs) = 0;
};

struct DeviceEntry {
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::wstring product;
};

// Makes `path` openable (and listed by hid_enumerate, in order of registration).
void AddDevice(const DeviceEntry& entry, std::shared_ptr<Model> model);
// Unlists `path`; handles open on it keep their model.
void RemoveDevice(const std::string& path);
// Forgets every device and the counts of the calls made so far, but for hid_init (counted over
// the whole process, as hidapi is initialised once per process) and the handles still open,
// which stay valid.
void Reset();

struct Stats {
    int initCalls = 0;                     // since the process started
    int openCalls = 0;                     // hid_open_path, successful or not
    int openHandles = 0;                   // opened and not yet closed
    std::vector<std::string> openedPaths;  // every path given to hid_open_path, in order
};
Stats GetStats();

}  // namespace fakehidapi
