#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <system_error>

#include "download/Script.h"

namespace orvane {

namespace {

// Text-mode reading: each CR LF pair becomes one LF, a lone CR stays. Works in place on the
// `count` bytes read and returns the length of the text that remains.
size_t TranslateLineEnds(char* text, size_t count) {
    size_t kept = 0;
    for (size_t i = 0; i < count; ++i) {
        if (text[i] == '\r' && i + 1 < count && text[i + 1] == '\n') {
            continue;
        }
        text[kept++] = text[i];
    }
    std::memset(text + kept, 0, count - kept);
    return kept;
}

bool Allocate(size_t size, ScriptText& out) {
    if (size >= std::numeric_limits<size_t>::max()) {
        return false;
    }
    out.bytes.reset(new (std::nothrow) char[size + 1]);
    if (!out.bytes) {
        return false;
    }
    std::memset(out.bytes.get(), 0, size + 1);
    out.size = size;
    out.textLength = 0;
    return true;
}

int64_t FileSize(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) {
        return -1;
    }
#if defined(_WIN32)
    const int64_t size = _ftelli64(file);
#else
    const int64_t size = ftello(file);
#endif
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        return -1;
    }
    return size;
}

}  // namespace

bool ReadScriptFile(const std::string& path, ScriptText& out, std::string* reason) {
    out = ScriptText{};
    auto fail = [&](const char* why) {
        if (reason != nullptr) {
            *reason = why;
        }
        return false;
    };
    std::error_code error;
    if (path.empty()) {
        return fail("no file name");
    }
    if (std::filesystem::is_directory(path, error)) {
        return fail("is a directory");
    }
    // Binary mode and our own line-end translation give the same text on every platform.
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return fail(errno != 0 ? std::strerror(errno) : "cannot be opened");
    }
    const int64_t size = FileSize(file);
    if (size < 0) {
        std::fclose(file);
        return fail("not a regular file (its size cannot be taken)");
    }
    if (static_cast<uint64_t>(size) >= std::numeric_limits<size_t>::max() ||
        !Allocate(static_cast<size_t>(size), out)) {
        std::fclose(file);
        out = ScriptText{};
        return fail("too large to hold in memory");
    }
    // A short read leaves zeros behind the text; the count read only bounds the translation.
    const size_t read = std::fread(out.bytes.get(), 1, out.size, file);
    std::fclose(file);
    out.textLength = TranslateLineEnds(out.bytes.get(), read);
    return true;
}

bool ScriptTextFromBytes(const char* data, size_t size, ScriptText& out) {
    out = ScriptText{};
    if (!Allocate(size, out)) {
        out = ScriptText{};
        return false;
    }
    if (size > 0) {
        std::memcpy(out.bytes.get(), data, size);
    }
    out.textLength = TranslateLineEnds(out.bytes.get(), size);
    return true;
}

}  // namespace orvane
