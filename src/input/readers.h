#pragma once

// Readers of the three alignment input files: the JD file (intersection-point method), the
// element file (element method) and the chain-break file. Each fills the raw-input tables of
// the shared state and their counts; the constructions derive everything else.
//
// Every reader has two forms: one reads the file at a path (empty path: the user cancelled the
// dialog), the other reads the bytes of a file's content already in memory. Both decode the
// bytes the same way (UTF-8, UTF-16 with mark, else GBK/GB18030).
//
// A reader writes the shared state only after the whole file has been read without fault: a
// rejected file leaves the alignment loaded before untouched. Rows beyond the new count keep
// what an earlier, longer file left there.
//
// Failures throw geometry::RuntimeError: EmptyPath for an empty path, FileAccess for a file that
// cannot be opened, Format for content that breaks the file's rules; the message starts with
// "<path>, line <N>: " ("line <N>: " for text in memory) and says what was wrong.

#include "state/shared_state.h"

#include <string>
#include <string_view>

namespace tesk::input {

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
/// "X Y R Ls1 Ls2" or seven "X Y R Ls1 Ls2 R1 R2" (m). Name-line positions that are empty or
/// start with ";;" after cleaning are comments. At most 1000 vertices.
/// Writes StartStation, JdCount and for rows 1..JdCount: JdNameLine (cleaned), JdX, JdY,
/// JdRadius, JdSpiral1, JdSpiral2, JdSpiral1OuterRadius, JdSpiral2OuterRadius (0 for a
/// five-field line), JdHairpin, JdKeepBack, JdKeepAhead (0 or 1).
void ReadJdFile(const std::string& path, state::SharedState& state);
void ReadJdText(std::string_view bytes, state::SharedState& state);

/// Element file. Head (list input): start station (m), start X (m), start Y (m), start azimuth
/// (d.mmss, stored as read). Then one element per line: start radius, end radius (m, signed,
/// 10000 = infinite), length (m); fields after the third are ignored. The first line that is
/// empty after cleaning ends the list. At most 1000 elements.
/// Writes ElemStartStation, ElemStartX, ElemStartY, ElemStartAzimuth, ElemRowCount and
/// ElemRowA/B/C for rows 1..ElemRowCount.
void ReadElementFile(const std::string& path, state::SharedState& state);
void ReadElementText(std::string_view bytes, state::SharedState& state);

/// Chain-break file. No head; one break per line: back station, ahead station (written
/// stations, m); fields after the second are ignored. The first line that is empty after
/// cleaning ends the list. At most 19 breaks. A first row whose back station is -1 declares that
/// there are none: BreakCount = 0 and the rest of the file is not read.
/// Writes BreakBack, BreakAhead for rows 1..(rows read) and BreakCount. Rows 0 and
/// BreakCount + 1 (the sentinels) are left to the caller.
void ReadChainBreakFile(const std::string& path, state::SharedState& state);
void ReadChainBreakText(std::string_view bytes, state::SharedState& state);

} // namespace tesk::input
