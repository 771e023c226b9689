#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#if defined(_WIN32)
#include <process.h>

#include <atomic>
#include <filesystem>
#endif

namespace orvane::test {

// A FILE* whose text a test can read back.
#if defined(_WIN32)
// No open_memstream on Windows: a file in the temporary folder (msvcrt's tmpfile writes to the
// drive's root, which a user may not), read back from its start.
class Capture {
public:
    Capture() : m_path(UniquePath()), m_file(std::fopen(m_path.string().c_str(), "w+b")) {}
    ~Capture() {
        if (m_file != nullptr) {
            std::fclose(m_file);
        }
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
    }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    std::FILE* File() { return m_file; }
    std::string Text() {
        std::fflush(m_file);
        const long end = std::ftell(m_file);
        std::string text(end > 0 ? static_cast<std::size_t>(end) : 0, '\0');
        std::rewind(m_file);
        text.resize(std::fread(text.data(), 1, text.size(), m_file));
        std::fseek(m_file, 0, SEEK_END);
        return text;
    }

private:
    static std::filesystem::path UniquePath() {
        static std::atomic<unsigned> next{0};
        return std::filesystem::temp_directory_path() /
               ("orvane-capture-" + std::to_string(_getpid()) + "-" + std::to_string(next++));
    }

    std::filesystem::path m_path;
    std::FILE* m_file;
};
#else
class Capture {
public:
    Capture() : m_file(open_memstream(&m_buffer, &m_size)) {}
    ~Capture() {
        std::fclose(m_file);
        std::free(m_buffer);
    }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    std::FILE* File() { return m_file; }
    std::string Text() {
        std::fflush(m_file);
        return std::string(m_buffer, m_size);
    }

private:
    char* m_buffer = nullptr;
    std::size_t m_size = 0;
    std::FILE* m_file;
};
#endif

}  // namespace orvane::test
