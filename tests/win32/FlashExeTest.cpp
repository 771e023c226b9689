// orvane-flash.exe as a program, in real time against its built-in simulated device: the exit
// statuses and lines of the Linux flasher, a script path with non-ASCII characters (the
// manifest's UTF-8 code page), COM port names as operators type them.
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "sim/ScriptWriter.h"

namespace {

struct Result {
    DWORD status = 0xFFFFFFFF;
    std::string out;
};

std::wstring Widen(const std::string& utf8) {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n - 1 : 0), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), n);
    return wide;
}

// Runs the flasher with `args` (already quoted), stdout captured, stderr dropped.
Result RunFlasher(const std::wstring& args) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    Result result;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        return result;
    }
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul =
        ::CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = nul;
    startup.hStdInput = nullptr;
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + Widen(ORVANE_FLASH_BINARY) + L"\" " + args;
    const BOOL started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0,
                                          nullptr, nullptr, &startup, &process);
    ::CloseHandle(writeEnd);
    if (nul != INVALID_HANDLE_VALUE) {
        ::CloseHandle(nul);
    }
    if (started) {
        char chunk[4096];
        DWORD got = 0;
        while (::ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) {
            result.out.append(chunk, got);
        }
        ::WaitForSingleObject(process.hProcess, 120000);
        ::GetExitCodeProcess(process.hProcess, &result.status);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    ::CloseHandle(readEnd);
    return result;
}

std::filesystem::path WriteScript(const std::u8string& name) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary)
        << orvane::sim::MakeScript(orvane::sim::DownloadFrames(1, 40, false), false);
    return path;
}

std::wstring Quoted(const std::filesystem::path& path) {
    return L"\"" + path.wstring() + L"\"";
}

TEST(FlashExe, DownloadsAScriptWhosePathIsNotAscii) {
    const auto script = WriteScript(u8"прошивка-ü-固件.txt");
    const Result r = RunFlasher(L"--simulate " + Quoted(script));
    EXPECT_EQ(r.status, 0U) << r.out;
    EXPECT_EQ(r.out,
              "Open RS232 interface success.\r\nStart bootloader.\r\n"
              "Start send bootloader command.\r\nLoading firmware ... Package 1\r\n"
              "Firmware Successfully Downloaded.\r\n");
    std::filesystem::remove(script);
}

struct RefusalCase {
    const char* name;
    const wchar_t* args;  // %S: the script's path
    DWORD status;
    const char* out;
};

class FlashExeRefusal : public ::testing::TestWithParam<RefusalCase> {};

const RefusalCase kRefusals[] = {
    {"UnreadableScript", L"--simulate \"C:\\no\\such\\script.txt\"", 3, "Read file fail.\r\n"},
    {"SilentDevice", L"--simulate --sim-silent %S", 2, "Open RS232 interface fail.\r\n"},
    {"RefusedFrame", L"--simulate --sim-fail 2 %S", 1,
     "Open RS232 interface success.\r\nSend command fail.\r\n"},
    {"TypedComPortThatIsNotThere", L"--port COM39 %S", 2, "Open RS232 interface fail.\r\n"},
    {"DevicePathOfAComPortThatIsNotThere", L"--port \\\\.\\COM38 %S", 2,
     "Open RS232 interface fail.\r\n"},
    {"UnknownOption", L"--frobnicate %S", 64, ""},
    {"PortWithUsb", L"--usb --port COM3 %S", 64, ""},
};

TEST_P(FlashExeRefusal, EndsWithTheLinuxLinesAndStatus) {
    const RefusalCase& c = GetParam();
    const auto script = WriteScript(u8"flash-refusal.txt");
    std::wstring args = c.args;
    const size_t at = args.find(L"%S");
    if (at != std::wstring::npos) {
        args.replace(at, 2, Quoted(script));
    }
    const Result r = RunFlasher(args);
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_EQ(r.out, c.out);
}

INSTANTIATE_TEST_SUITE_P(Cases, FlashExeRefusal, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
