#include "formats/text_file.h"

#include "geometry/error.h"
#include "geometry/number_text.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <iterator>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#define TESK_POSIX_FILES 1
#endif

namespace tesk::formats {

using geometry::ErrorCode;
using geometry::RuntimeError;

namespace {

/// Input files are small (a thousand vertices is about 100 KB); anything far larger is the
/// wrong file, and reading it whole could exhaust memory.
constexpr std::uintmax_t kMaxFileBytes = 32u * 1024u * 1024u;

/// Length of the longest prefix of `bytes` that is well-formed UTF-8 (RFC 3629).
std::size_t Utf8ValidPrefix(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80; // allowed range of the second byte
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0) {
                low = 0xA0; // no overlong forms
            } else if (c == 0xED) {
                high = 0x9F; // no surrogates
            }
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0) {
                low = 0x90; // no overlong forms
            } else if (c == 0xF4) {
                high = 0x8F; // nothing beyond U+10FFFF
            }
        } else {
            return i;
        }
        if (i + length > n || s[i + 1] < low || s[i + 1] > high) {
            return i;
        }
        for (std::size_t k = 2; k < length; ++k) {
            if (s[i + k] < 0x80 || s[i + k] > 0xBF) {
                return i;
            }
        }
        i += length;
    }
    return n;
}

/// Number of line ends (CR LF, LF or CR) in `text`.
std::size_t CountLineEnds(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            ++count;
        }
    }
    return count;
}

std::string Location(const std::string& sourceName, std::size_t lineNumber) {
    std::string where = sourceName.empty() ? std::string() : sourceName + ", ";
    return where + "line " + std::to_string(lineNumber) + ": ";
}

std::string HexByte(unsigned char c) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[c >> 4] + kDigits[c & 0x0F];
}

[[noreturn]] void FailDecoding(const std::string& sourceName, std::string_view decodedSoFar,
                               std::string_view rest, const char* encodings) {
    std::string what =
        Location(sourceName, CountLineEnds(decodedSoFar) + 1) + "the text is not " + encodings;
    if (rest.empty()) {
        what += " (it ends inside a character)";
    } else {
        what += " (invalid byte " + HexByte(static_cast<unsigned char>(rest.front())) + ")";
    }
    throw RuntimeError(ErrorCode::Format, what);
}

/// Converts `bytes` from the iconv encoding `from` to UTF-8.
std::string ConvertToUtf8(std::string_view bytes, const char* from, const std::string& sourceName,
                          const char* encodings) {
    iconv_t cd = iconv_open("UTF-8", from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw RuntimeError(ErrorCode::Format, Location(sourceName, 1) + "decoding from " +
                                                  std::string(from) +
                                                  " is not available on this system");
    }
    struct Closer {
        iconv_t cd;
        ~Closer() { iconv_close(cd); }
    } closer{cd};

    std::string out(bytes.size() * 2 + 16, '\0'); // 2 bytes of GBK become at most 3 of UTF-8
    char* in = const_cast<char*>(bytes.data());   // iconv does not write through it
    std::size_t inLeft = bytes.size();
    std::size_t produced = 0;
    while (inLeft > 0) {
        char* outPtr = out.data() + produced;
        std::size_t outLeft = out.size() - produced;
        const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        produced = static_cast<std::size_t>(outPtr - out.data());
        if (result != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ: an invalid sequence at `in`; EINVAL: the text ends inside a character.
        const std::string_view rest =
            errno == EINVAL ? std::string_view() : std::string_view(in, inLeft);
        FailDecoding(sourceName, std::string_view(out.data(), produced), rest, encodings);
    }
    out.resize(produced);
    return out;
}

[[noreturn]] void FailTooLarge(const std::string& path) {
    throw RuntimeError(ErrorCode::Format, path + ": more than " +
                                              std::to_string(kMaxFileBytes / (1024u * 1024u)) +
                                              " MiB is far too large for an input file");
}

[[noreturn]] void FailAccess(const std::string& path, const char* what, int error) {
    throw RuntimeError(ErrorCode::FileAccess,
                       path + ": " + what + " (" + std::generic_category().message(error) + ")");
}

#ifdef TESK_POSIX_FILES
/// How long a named pipe is given to receive its first data (or its writer's end) once opened.
constexpr int kPipeWriterWaitMs = 5000;

/// Waits until the FIFO open at `fd` (non-blocking) has data or its writer has closed it; a FIFO
/// that nothing writes into fails after kPipeWriterWaitMs instead of blocking for ever.
void WaitForWriter(int fd, const std::string& path) {
    pollfd wait{fd, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&wait, 1, kPipeWriterWaitMs);
        if (ready > 0) {
            return;
        }
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            FailAccess(path, "cannot be read", errno);
        }
        throw RuntimeError(ErrorCode::FileAccess,
                           path + ": is a pipe that nothing was written into within " +
                               std::to_string(kPipeWriterWaitMs / 1000) + " seconds");
    }
}

/// The bytes of the file at `path`, at most kMaxFileBytes of them. The file is opened without
/// waiting (a FIFO with no writer fails after a while instead of blocking); only regular files,
/// FIFOs and character devices are read, and the limit holds while reading, so /dev/zero or an
/// endless pipe fails after 32 MiB instead of filling the memory.
std::string ReadInputBytes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        FailAccess(path, "cannot be opened", errno);
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        FailAccess(path, "cannot be opened", errno);
    }
    if (S_ISDIR(info.st_mode)) {
        throw RuntimeError(ErrorCode::FileAccess, path + ": is a folder, not a file");
    }
    if (!S_ISREG(info.st_mode) && !S_ISFIFO(info.st_mode) && !S_ISCHR(info.st_mode)) {
        throw RuntimeError(ErrorCode::FileAccess, path + ": is not a file that can be read");
    }
    if (S_ISREG(info.st_mode) && static_cast<std::uintmax_t>(info.st_size) > kMaxFileBytes) {
        FailTooLarge(path);
    }
    if (S_ISFIFO(info.st_mode)) {
        WaitForWriter(fd, path);
    }
    // Reading waits for data again: a writer on the other end of a FIFO may be slow.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    std::string bytes;
    constexpr std::size_t kChunk = 64 * 1024;
    for (;;) {
        const std::size_t have = bytes.size();
        bytes.resize(have + kChunk);
        const ssize_t got = ::read(fd, bytes.data() + have, kChunk);
        if (got < 0) {
            const int error = errno;
            bytes.resize(have);
            if (error == EINTR) {
                continue;
            }
            if (error == EAGAIN || error == EWOULDBLOCK) {
                break; // a device with nothing to give
            }
            FailAccess(path, "cannot be read", error);
        }
        bytes.resize(have + static_cast<std::size_t>(got));
        if (got == 0) {
            break;
        }
        if (bytes.size() > kMaxFileBytes) {
            FailTooLarge(path);
        }
    }
    return bytes;
}
#else
std::string ReadInputBytes(const std::string& path) {
    namespace fs = std::filesystem;
    // Paths are UTF-8 inside the program; u8string makes that explicit on every platform.
    const fs::path filePath(std::u8string(path.begin(), path.end()));
    std::error_code ec;
    if (fs::is_directory(filePath, ec)) {
        throw RuntimeError(ErrorCode::FileAccess, path + ": is a folder, not a file");
    }
    std::ifstream stream(filePath, std::ios::binary);
    if (!stream) {
        FailAccess(path, "cannot be opened", errno);
    }
    std::string bytes;
    constexpr std::size_t kChunk = 64 * 1024;
    while (stream) {
        const std::size_t have = bytes.size();
        bytes.resize(have + kChunk);
        stream.read(bytes.data() + have, kChunk);
        bytes.resize(have + static_cast<std::size_t>(stream.gcount()));
        if (bytes.size() > kMaxFileBytes) {
            FailTooLarge(path);
        }
    }
    if (stream.bad()) {
        throw RuntimeError(ErrorCode::FileAccess, path + ": cannot be read");
    }
    return bytes;
}
#endif

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

/// How many characters beyond ASCII a UTF-8 text has that belong to Chinese text (CJK
/// ideographs, CJK and full-width punctuation, the survey symbols ° ′ ″ ± and the like) and how
/// many belong to other scripts (Latin-1 letters, Greek, Hebrew, ...).
struct Script {
    std::size_t Chinese = 0;
    std::size_t Other = 0;
};

bool IsChineseTextCharacter(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF)      // CJK unified ideographs
           || (c >= 0x3400 && c <= 0x4DBF)   // extension A
           || (c >= 0x20000 && c <= 0x2FA1F) // extensions B.., compatibility supplement
           || (c >= 0xF900 && c <= 0xFAFF)   // compatibility ideographs
           || (c >= 0x3000 && c <= 0x303F)   // CJK symbols and punctuation: 、。《》「」
           || (c >= 0xFF00 && c <= 0xFFEF)   // full-width forms: ，；：（）－
           || (c >= 0x2010 && c <= 0x2027)   // dashes, quotes, ellipsis: — ‘’ “” …
           || (c >= 0x2030 && c <= 0x2033)   // ‰ ′ ″
           || (c >= 0x2460 && c <= 0x24FF)   // circled numbers ①
           || (c >= 0x2160 && c <= 0x217F)   // Roman numerals Ⅰ Ⅱ
           || c == 0x00B0 || c == 0x00B1 || c == 0x00B7 || c == 0x00D7 || c == 0x00F7 // ° ± · × ÷
           || c == 0x2103;                                                            // ℃
}

/// Counts the characters of well-formed UTF-8 `text` beyond ASCII.
Script ScriptOf(std::string_view text) {
    Script script;
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        length = std::min(length, text.size() - i);
        char32_t code = c & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
        for (std::size_t k = 1; k < length; ++k) {
            code = (code << 6) | (s[i + k] & 0x3F);
        }
        if (IsChineseTextCharacter(code)) {
            ++script.Chinese;
        } else {
            ++script.Other;
        }
        i += length;
    }
    return script;
}

/// Throws a format error naming the line of the first NUL in `text`; returns the text otherwise.
/// `raw`: the bytes were not decoded (no byte-order mark), where a NUL means UTF-16.
template <typename Text> Text RefuseNul(Text text, const std::string& sourceName, bool raw) {
    const std::size_t at = std::string_view(text).find('\0');
    if (at == std::string_view::npos) {
        return text;
    }
    std::string what =
        Location(sourceName, CountLineEnds(std::string_view(text).substr(0, at)) + 1) +
        "the text holds a NUL byte";
    if (raw) {
        what += " (a UTF-16 file without its byte-order mark? save it as UTF-8 or ANSI/GBK)";
    }
    throw RuntimeError(ErrorCode::Format, what);
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    return Utf8ValidPrefix(bytes) == bytes.size();
}

std::string DecodeText(std::string_view bytes, const std::string& sourceName) {
    constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
    if (StartsWith(bytes, kUtf8Bom)) {
        // The mark says UTF-8; reading the rest as GBK would only produce garbage.
        const std::string_view text = bytes.substr(kUtf8Bom.size());
        const std::size_t valid = Utf8ValidPrefix(text);
        if (valid != text.size()) {
            FailDecoding(sourceName, text.substr(0, valid), text.substr(valid), "valid UTF-8");
        }
        return RefuseNul(std::string(text), sourceName, false);
    }
    if (StartsWith(bytes, "\xFF\xFE")) {
        return RefuseNul(ConvertToUtf8(bytes.substr(2), "UTF-16LE", sourceName, "valid UTF-16"),
                         sourceName, false);
    }
    if (StartsWith(bytes, "\xFE\xFF")) {
        return RefuseNul(ConvertToUtf8(bytes.substr(2), "UTF-16BE", sourceName, "valid UTF-16"),
                         sourceName, false);
    }
    // Without a mark, a NUL byte means UTF-16 (or no text at all): neither UTF-8 nor GBK has one.
    RefuseNul(bytes, sourceName, true);
    if (IsValidUtf8(bytes)) {
        const Script utf8 = ScriptOf(bytes);
        if (utf8.Other == 0) {
            return std::string(bytes); // ASCII, or Chinese as UTF-8
        }
        // Short GBK texts are often valid UTF-8 too ("桩" is D7 AE, the Hebrew letter U+05EE as
        // UTF-8): take the reading that gives Chinese text.
        std::string gbk;
        try {
            gbk = ConvertToUtf8(bytes, "GB18030", sourceName, "GBK/GB18030");
        } catch (const RuntimeError&) {
            return std::string(bytes);
        }
        const Script other = ScriptOf(gbk);
        const std::size_t utf8Total = utf8.Chinese + utf8.Other;
        const std::size_t gbkTotal = other.Chinese + other.Other;
        if (gbkTotal > 0 && other.Chinese * utf8Total > utf8.Chinese * gbkTotal) {
            return gbk;
        }
        return std::string(bytes);
    }
    return ConvertToUtf8(bytes, "GB18030", sourceName, "UTF-8 or GBK/GB18030");
}

TextFile::TextFile(std::string_view utf8Text, std::string sourceName)
    : m_sourceName(std::move(sourceName)) {
    std::size_t start = 0;
    const std::size_t n = utf8Text.size();
    while (start < n) {
        std::size_t end = utf8Text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            m_lines.emplace_back(utf8Text.substr(start));
            break;
        }
        m_lines.emplace_back(utf8Text.substr(start, end - start));
        start = end + ((utf8Text[end] == '\r' && end + 1 < n && utf8Text[end + 1] == '\n') ? 2 : 1);
    }
}

TextFile TextFile::FromBytes(std::string_view bytes, std::string sourceName) {
    const std::string text = DecodeText(bytes, sourceName);
    return TextFile(text, std::move(sourceName));
}

std::string TextFile::ReadLine() {
    if (AtEnd()) {
        Fail("the file ends where a further line was expected");
    }
    m_inList = false;
    m_lineNumber = m_nextLine + 1;
    return m_lines[m_nextLine++];
}

bool TextFile::NextListLine() {
    for (;;) {
        if (m_inList) {
            SkipListBlanks();
            if (m_listPos < m_lines[m_nextLine - 1].size()) {
                return true;
            }
            m_inList = false; // line used up: the next value stands on a later line
        }
        if (AtEnd()) {
            return false;
        }
        m_lineNumber = m_nextLine + 1;
        ++m_nextLine;
        m_inList = true;
        m_listPos = 0;
    }
}

void TextFile::SkipListBlanks() {
    const std::string& line = m_lines[m_nextLine - 1];
    while (m_listPos < line.size() && (line[m_listPos] == ' ' || line[m_listPos] == '\t')) {
        ++m_listPos;
    }
}

void TextFile::EndListValue() {
    SkipListBlanks();
    const std::string& line = m_lines[m_nextLine - 1];
    if (m_listPos < line.size() && line[m_listPos] == ',') {
        ++m_listPos;
    }
}

std::string TextFile::ReadListText(std::string_view what) {
    if (!NextListLine()) {
        Fail("the file ends where " + std::string(what) + " was expected");
    }
    const std::string& line = m_lines[m_nextLine - 1];
    std::string value;
    if (line[m_listPos] == '"') {
        // A quoted text may hold commas; what follows the closing quote up to the next comma is
        // dropped. A missing closing quote takes the rest of the line.
        const std::size_t close = line.find('"', m_listPos + 1);
        if (close == std::string::npos) {
            value = line.substr(m_listPos + 1);
            m_listPos = line.size();
        } else {
            value = line.substr(m_listPos + 1, close - m_listPos - 1);
            const std::size_t comma = line.find(',', close + 1);
            m_listPos = comma == std::string::npos ? line.size() : comma;
        }
    } else {
        std::size_t end = line.find(',', m_listPos);
        if (end == std::string::npos) {
            end = line.size();
        }
        value =
            std::string(geometry::Trim(std::string_view(line).substr(m_listPos, end - m_listPos)));
        m_listPos = end;
    }
    EndListValue();
    return value;
}

double TextFile::ReadListNumber(std::string_view what) {
    if (!NextListLine()) {
        Fail("the file ends where " + std::string(what) + " was expected");
    }
    const std::string& line = m_lines[m_nextLine - 1];
    const std::size_t end = line.find_first_of(", \t", m_listPos);
    const std::string_view token =
        std::string_view(line).substr(m_listPos, end == std::string::npos ? end : end - m_listPos);
    if (token.empty()) {
        Fail(std::string(what) + " is missing before the comma");
    }
    const auto value = geometry::ParseNumber(token);
    if (!value) {
        Fail(std::string(what) + ": " + geometry::QuoteForMessage(token) + " is not a number");
    }
    m_listPos += token.size();
    EndListValue();
    return *value;
}

double TextFile::RequireWithin(double value, double limit, std::string_view what,
                               std::string_view unit) const {
    if (!(std::fabs(value) <= limit)) {
        Fail(std::string(what) + ": " + geometry::NumberForMessage(value) + " is outside -" +
             geometry::NumberForMessage(limit) + ".." + geometry::NumberForMessage(limit) +
             (unit.empty() ? "" : " ") + std::string(unit));
    }
    return value;
}

double TextFile::RequireLength(double value, std::string_view what) const {
    RequireWithin(value, kMaxLength, what);
    if (value != 0.0 && std::fabs(value) < kMinLength) {
        Fail(std::string(what) + ": " + geometry::NumberForMessage(value) +
             " m is too small (0, or at least " + geometry::NumberForMessage(kMinLength) + " m)");
    }
    return value;
}

std::string_view TextFile::ListRemainder() const {
    if (!m_inList) {
        return {};
    }
    return geometry::Trim(std::string_view(m_lines[m_nextLine - 1]).substr(m_listPos));
}

std::string TextFile::Where() const {
    return Location(m_sourceName, m_lineNumber == 0 ? 1 : m_lineNumber);
}

void TextFile::Fail(std::string_view what) const {
    throw RuntimeError(ErrorCode::Format, Where() + std::string(what));
}

TextFile OpenTextFile(const std::string& path) {
    if (path.empty()) {
        throw RuntimeError(ErrorCode::EmptyPath, "no file was chosen");
    }
    return TextFile::FromBytes(ReadInputBytes(path), path);
}

} // namespace tesk::formats
