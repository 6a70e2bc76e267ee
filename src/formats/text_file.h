#pragma once

// Sequential reading of the program's input text files: decoding of the file's bytes, line
// input, the end-of-file test, and free-format list input of values.
//
// Input files come from editors on Chinese desktops: UTF-8 (with or without BOM), UTF-16 with
// its byte-order mark, or the ANSI code page GBK/GB2312. Everything inside the program is UTF-8.

#include <string>
#include <string_view>
#include <vector>

namespace tesk::formats {

/// Sane bounds of the values the input files give. Beyond them a value is a typing error (a
/// missing decimal point, a stray exponent), and a double would no longer hold the millimetre
/// the program prints: a station of 1e16 m has steps of 2 m.
inline constexpr double kMaxStation = 1e9;      ///< |station| and chain-break values, m
inline constexpr double kMaxCoordinate = 1e8;   ///< |X|, |Y|, m
inline constexpr double kMaxLength = 1e8;       ///< |length|, |radius|, |offset|, m
inline constexpr double kMinLength = 1e-6;      ///< smallest length or radius other than 0, m
inline constexpr double kMaxAngleDegrees = 360; ///< |angle| in degrees (or d.mmss)

/// Decodes the bytes of a text file to UTF-8:
///   * valid UTF-8 is taken as it is, a leading UTF-8 byte-order mark dropped;
///   * a UTF-16 byte-order mark (FF FE or FE FF) selects UTF-16 (little or big endian), the
///     form Windows editors call "Unicode";
///   * anything else is decoded as GB18030, which covers GBK and GB2312.
/// Bytes that are valid in none of these throw geometry::RuntimeError(Format) naming
/// `sourceName` (a path, or empty for text in memory) and the line of the first bad byte.
std::string DecodeText(std::string_view bytes, const std::string& sourceName = {});

/// True when `bytes` is well-formed UTF-8 (no overlong forms, surrogates or code points beyond
/// U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

/// A decoded text read sequentially, the way the input files are read: whole lines, and lists
/// of values in free format. Lines end with CR LF, LF or CR; the last line may lack its end.
///
/// List input: values are separated by commas or line ends; numbers also by blanks. Blank
/// lines before a value are skipped. A text value runs to the next comma or line end (blanks
/// around it dropped; a value in double quotes may contain commas). After a list value, line
/// input continues with the line after the one the value stood on; the rest of that line is
/// available through ListRemainder() until then.
///
/// Every failure throws geometry::RuntimeError(Format) whose message starts with where reading
/// stopped: "<source>, line <N>: " for a file, "line <N>: " for text in memory.
class TextFile {
public:
    /// Wraps text that is already UTF-8 (see FromBytes for file content).
    /// `sourceName`: the path shown in messages, empty for text in memory.
    explicit TextFile(std::string_view utf8Text, std::string sourceName = {});

    /// Decodes `bytes` with DecodeText and wraps the result.
    static TextFile FromBytes(std::string_view bytes, std::string sourceName = {});

    /// True when no line is left for ReadLine.
    bool AtEnd() const noexcept { return m_nextLine >= m_lines.size(); }

    /// The next whole line without its line end. Drops what is left of a line that list input
    /// was reading. Throws at the end of the text.
    std::string ReadLine();

    /// Reads the next list value as a text. `what` names the value in messages ("the title").
    std::string ReadListText(std::string_view what = "a text value");

    /// Reads the next list value as a number; the value must be a number as a whole
    /// (geometry::ParseNumber), otherwise a format error naming the value is thrown. `what` names
    /// the value in messages ("the start station").
    double ReadListNumber(std::string_view what = "a number");

    /// Returns `value` when |value| <= `limit`; otherwise fails (Fail) with "<what>: <value> is
    /// outside -<limit>..<limit> <unit>". `unit` may be empty.
    double RequireWithin(double value, double limit, std::string_view what,
                         std::string_view unit = "m") const;

    /// Returns `value` when it is 0 or kMinLength <= |value| <= kMaxLength (m); otherwise fails
    /// naming `what`: a length or radius of 1e-320 m would pass some formulas and overflow others.
    double RequireLength(double value, std::string_view what) const;

    /// What is left, trimmed, of the line list input is reading after the separator of its last
    /// value; empty when nothing is left or no list value was read from the current line.
    std::string_view ListRemainder() const;

    /// 1-based number of the line read last (by ReadLine or list input); 0 before any.
    int LineNumber() const noexcept { return static_cast<int>(m_lineNumber); }

    /// The path given at construction; empty for text in memory.
    const std::string& SourceName() const noexcept { return m_sourceName; }

    /// "<source>, line <N>: " or "line <N>: " for the line read last (line 1 before any).
    std::string Where() const;

    /// Throws geometry::RuntimeError(Format) with Where() + `what`.
    [[noreturn]] void Fail(std::string_view what) const;

private:
    /// Makes sure list input stands on a line with something left to read, skipping blank
    /// lines. Returns false at the end of the text.
    bool NextListLine();
    /// Steps over blanks (spaces and tabs) on the line list input is reading.
    void SkipListBlanks();
    /// Steps over blanks, then over one comma, after a list value.
    void EndListValue();

    std::vector<std::string> m_lines;
    std::size_t m_nextLine = 0;   ///< index of the next line ReadLine or list input takes
    std::size_t m_lineNumber = 0; ///< 1-based number of the line taken last
    std::string m_sourceName;

    // List input: the line it is reading (m_lines[m_nextLine - 1]) and the position in it.
    bool m_inList = false;
    std::size_t m_listPos = 0;
};

/// Reads and decodes the file at `path` (UTF-8). An empty path throws
/// geometry::RuntimeError(EmptyPath): the user cancelled the file dialog. A file that cannot be
/// opened or read throws RuntimeError(FileAccess); content that cannot be decoded throws
/// RuntimeError(Format).
TextFile OpenTextFile(const std::string& path);

} // namespace tesk::formats
