#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace orvane::test {

// A FILE* whose text a test can read back.
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

}  // namespace orvane::test
