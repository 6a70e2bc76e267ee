#include "formats/text_file.h"

#include "geometry/error.h"
#include "geometry/number_text.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <iterator>
#include <system_error>

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

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
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
        return std::string(text);
    }
    if (IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    if (StartsWith(bytes, "\xFF\xFE")) {
        return ConvertToUtf8(bytes.substr(2), "UTF-16LE", sourceName, "valid UTF-16");
    }
    if (StartsWith(bytes, "\xFE\xFF")) {
        return ConvertToUtf8(bytes.substr(2), "UTF-16BE", sourceName, "valid UTF-16");
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
        value = std::string(geometry::Trim(std::string_view(line).substr(m_listPos, end - m_listPos)));
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
        Fail(std::string(what) + ": \"" + std::string(token) + "\" is not a number");
    }
    m_listPos += token.size();
    EndListValue();
    return *value;
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
    namespace fs = std::filesystem;
    // Paths are UTF-8 inside the program; u8string makes that explicit on every platform.
    const fs::path filePath(std::u8string(path.begin(), path.end()));
    std::error_code ec;
    if (fs::is_directory(filePath, ec)) {
        throw RuntimeError(ErrorCode::FileAccess, path + ": is a folder, not a file");
    }
    std::ifstream stream(filePath, std::ios::binary);
    if (!stream) {
        const int error = errno;
        throw RuntimeError(ErrorCode::FileAccess, path + ": cannot be opened (" +
                                                      std::generic_category().message(error) + ")");
    }
    const std::uintmax_t size = fs::file_size(filePath, ec);
    if (!ec && size > kMaxFileBytes) {
        throw RuntimeError(ErrorCode::Format, path + ": " + std::to_string(size) +
                                                  " bytes is far too large for an input file");
    }
    std::string bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    if (stream.bad()) {
        throw RuntimeError(ErrorCode::FileAccess, path + ": cannot be read");
    }
    return TextFile::FromBytes(bytes, path);
}

} // namespace tesk::formats
