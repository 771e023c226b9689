#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Firmware scripts: reading, the scan over frame blocks, the whole-script check and the decoder.
// Pure functions and value types; no clock, no link, no log. Safe on any thread as long as each
// object is used by one thread at a time.

namespace orvane {

// A frame block keeps at most this many characters plus a terminating zero.
constexpr uint32_t kFrameTextSize = 16384;
constexpr uint32_t kFrameTextMax = kFrameTextSize - 1;
// Room a frame buffer handed to HexTextToBytes must offer.
constexpr uint32_t kFrameBufferSize = 8192;

// A script as read into memory. `size` is N, the file's size on disk; `bytes` holds N + 1 bytes:
// the text (CR LF pairs already turned into LF, lone CR kept) followed by zeros up to index N.
// `textLength` is the length of the text after that translation (<= N).
struct ScriptText {
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
    size_t textLength = 0;

    const char* data() const { return bytes.get(); }
};

// Reads the file at `path` as text on every platform (see ScriptText). Returns false, leaving
// `out` empty, when the path is missing, unreadable, a directory, not seekable, or too large to
// hold in memory; `reason`, when given, then receives one line saying which (the system's text
// for a failed open, e.g. "No such file or directory").
bool ReadScriptFile(const std::string& path, ScriptText& out, std::string* reason = nullptr);

// Builds a ScriptText from `size` raw file bytes exactly as ReadScriptFile would from a file
// holding them. Returns false only when the memory cannot be had.
bool ScriptTextFromBytes(const char* data, size_t size, ScriptText& out);

// One frame block as the scan met it.
struct FrameBlock {
    uint64_t index = 0;       // 1-based number of the block in the script
    uint64_t line = 0;        // 1-based line of its "SEND:" (lines end at LF)
    uint64_t keptCount = 0;   // characters the block keeps (CR and space dropped; zero bytes
                              // and characters beyond kFrameTextMax included)
    uint32_t textLength = 0;  // length of the stored frame text: kept characters up to the first
                              // zero byte, at most kFrameTextMax
    bool closed = false;      // false: the text ended before "SLEEP" or "WAIT"
};

// How a scan ended.
enum class ScanEnd {
    Running,    // not ended yet
    EndMarker,  // "END>" at a position the scan reaches
    Bound,      // the position reached N - 5 (also: N <= 5, no scan at all)
    Unclosed,   // the last block ran to the end of the text without "SLEEP" or "WAIT"
};

// Walks the frame blocks of a script in the order, and with the rules, by which the worker plays
// them: "SEND:" and "END>" are looked for at positions below N - 5; a block keeps every character
// but CR and space up to "SLEEP" or "WAIT" (not consumed; the scan resumes one character after
// its start); the block scan stops at the end of the text. The script must outlive the scan.
class ScriptScan {
public:
    explicit ScriptScan(const ScriptText& script);

    // Finds the next frame block. When `frameText` is not null it must offer kFrameTextSize
    // bytes: it receives the block's first kFrameTextMax kept characters followed by a zero
    // (bytes behind that zero are left as they were). Returns false (and leaves `block` alone) once
    // the scan has ended; End() then says how. An unclosed block is still returned (closed ==
    // false), and the scan ends with ScanEnd::Unclosed after it.
    bool Next(FrameBlock& block, char* frameText);

    ScanEnd End() const { return m_end; }

private:
    const char* m_text;
    size_t m_size;        // N: bounds the search for "SEND:" and "END>"
    size_t m_textLength;  // bounds a block: nothing but zeros lies behind it
    size_t m_pos = 0;
    size_t m_linePos = 0;  // position up to which m_line has counted line ends
    uint64_t m_line = 1;
    uint64_t m_index = 0;
    ScanEnd m_end = ScanEnd::Running;
};

// Why a script was refused.
enum class ScriptFault {
    None,
    FrameTextTooLong,  // a block keeps more than kFrameTextMax characters
    BlockNotClosed,    // a block is not closed by "SLEEP" or "WAIT" before the end of the text
    NoFrames,          // the scan meets no frame block before "END>" or its bound: an empty,
                       // tiny, binary or prose file is no firmware script
};

// Result of checking a whole script before any frame goes out.
struct ScriptCheck {
    ScriptFault fault = ScriptFault::None;
    uint64_t block = 0;   // the refused block, 1-based (0 when accepted)
    uint64_t line = 0;    // 1-based line of that block's "SEND:" (0 when accepted)
    uint64_t frames = 0;  // blocks the scan reaches (the frames a run plays), when accepted
    // For NoFrames: the file's size N, whether its text holds zero bytes (a binary file), and
    // the 1-based line of the "END>" that ended the scan (0: it ran to its bound).
    uint64_t size = 0;
    bool binary = false;
    uint64_t endLine = 0;

    bool Accepted() const { return fault == ScriptFault::None; }
};

// Runs the scan over every block it reaches and refuses the script at the first block that is
// too long or not closed, or when it reaches no block at all.
ScriptCheck CheckScript(const ScriptText& script);

// Reads and checks the script at `path`. Returns false when the file cannot be read (`check`
// then stays as it was); otherwise true, with the verdict in `check`.
bool CheckScriptFile(const std::string& path, ScriptCheck& check);

// One line, without line end, naming the refused block, e.g.
// "block 3 (line 12): frame text longer than 16383 characters", or for NoFrames what the file
// holds instead, e.g. "no frame block (SEND: ... SLEEP or WAIT): the file is empty". Empty when
// accepted.
std::string DescribeScriptFault(const ScriptCheck& check);

}  // namespace orvane

// Decodes hexadecimal frame text two characters at a time, each pair converted as strtoul in
// base 16 would convert it (leading white space skipped, optional sign and "0x" prefix, no digit
// gives 0), low 8 bits kept. When `length` is odd the character text[length] is read as the
// second character of the last pair, so `text` must hold length + 1 readable characters (a
// frame text's terminating zero). `frame` must offer kFrameBufferSize (8192) bytes; a length
// above 16384 is decoded only up to its first 16384 characters. Sets *count to the bytes written:
// length / 2, plus one when length is odd. Never fails.
void HexTextToBytes(const char* text, uint32_t length, uint8_t* frame, uint32_t* count);
