#pragma once

// Readers of the three alignment input files: the JD file (intersection-point method), the
// element file (element method) and the chain-break file. Each returns what the file says, for
// the builders and the stationing to take.
//
// Every reader has two forms: one reads the file at a path (empty path: the user cancelled the
// dialog), the other reads the bytes of a file's content already in memory. Both decode the
// bytes the same way (UTF-8, UTF-16 with mark, else GBK/GB18030).
//
// Failures throw geometry::RuntimeError: EmptyPath for an empty path, FileAccess for a file that
// cannot be opened, Format for content that breaks the file's rules; the message starts with
// "<path>, line <N>: " ("line <N>: " for text in memory) and says what was wrong.

#include "alignment/element/element_alignment.h"
#include "alignment/jd/jd_alignment.h"
#include "stationing/stationing.h"

#include <string>
#include <string_view>
#include <vector>

namespace tesk::formats {

/// The hairpin (switchback) mark of a JD name line.
struct HairpinMark {
    bool Hairpin = false;   ///< the line contains "HT" in any letter case
    bool KeepBack = false;  ///< hairpin and the next-to-last character is "1"
    bool KeepAhead = false; ///< hairpin and the last character is "1"
};

/// The hairpin mark of a cleaned name line; the flag characters are the last two characters
/// (not bytes) of the line, e.g. "JD7HT10": back leg keeps its direction, ahead leg reversed.
HairpinMark ParseHairpinMark(std::string_view cleanedNameLine);

/// JD file. Head (list input): a title (read, not used), then the start station (m). Then one
/// pair of lines per vertex, start point first: a name line and a data line of five fields
/// "X Y R Ls1 Ls2" or seven "X Y R Ls1 Ls2 R1 R2" (m; R1 = R2 = 0 for five). Name-line positions
/// that are empty or start with ";;" after cleaning are comments. At most 1000 vertices. The
/// name line is kept cleaned; its hairpin mark sets the vertex's flags.
jd::JdInput ReadJdFile(const std::string& path);
jd::JdInput ReadJdText(std::string_view bytes);

/// Element file. Head (list input): start station (m), start X (m), start Y (m), start azimuth
/// (written d.mmss; returned in decimal degrees). Then one element per line: start radius, end
/// radius (m, signed, 10000 = infinite), length (m); fields after the third are ignored. The
/// first line that is empty after cleaning ends the list. At least 1, at most 1000 elements.
/// Values beyond the bounds of text_file.h (kMaxStation, kMaxCoordinate, kMaxLength, kMinLength,
/// kMaxAngleDegrees for the azimuth) fail naming the file and line; so do they in the JD and
/// chain-break files.
element::ElementInput ReadElementFile(const std::string& path);
element::ElementInput ReadElementText(std::string_view bytes);

/// Chain-break file. No head; one break per line: back station, ahead station (written
/// stations, m); fields after the second are ignored. The first line that is empty after
/// cleaning ends the list. At most 19 breaks. A first row whose back station is -1 declares that
/// there are none (the rest of the file is not read): the list comes back empty.
std::vector<stationing::ChainBreak> ReadChainBreakFile(const std::string& path);
std::vector<stationing::ChainBreak> ReadChainBreakText(std::string_view bytes);

} // namespace tesk::formats
