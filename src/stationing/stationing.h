#pragma once

// Station notation and chain breaks: the conversions between the continuous mileage every table
// and evaluator works on and the written stations users type and read.
//
// Continuous mileage (m) is the start station plus the distance travelled along the line. The
// written station restarts at every chain break ("断链"): break k is one point of the line with
// two written values, BreakBack(k) (reached before the break) and BreakAhead(k) (continued with
// after it). The breaks cut the line into sections 1..BreakCount+1; within a section the written
// station grows one metre per metre of mileage. Section k carries the mark letter 'A' + k - 1
// ("A" .. "T", at most 19 breaks). A forward break (ahead > back) leaves a gap of written values
// that do not exist; a backward break (ahead < back) makes the values ahead..back occur twice, so
// such a value needs its mark to be placed.
//
// Notations:
//   * station text: an optional mark letter (ASCII capital "A".."Z" as the first non-blank
//     character), then a plain decimal number of metres: "1234.567", "B1234.567". A text without
//     a mark is continuous mileage unchanged.
//   * station label: the written value as "K<km>+<mmm.mmm>", preceded by the section's mark when
//     chain breaks are loaded: "K1+234.567", "BK1+234.567".
//
// The routines read the chain-break tables of the shared state (BreakCount, BreakBack,
// BreakAhead and their sentinels, see BuildChainBreakSections). With the element method
// BreakCount is 0 and every routine degenerates to plain number handling. A BreakCount outside
// 0..19 throws RuntimeError(IndexOutOfRange) in every routine.

#include "state/prompts.h"
#include "state/shared_state.h"

#include <string>
#include <string_view>

namespace tesk::stationing {

/// The mark letter of chain-break section `section` (1..20): 'A' for section 1.
char SectionLetter(int section);

/// The section a mark letter names ('A' = 1, 'Z' = 26), or 0 when `c` is not an ASCII capital
/// (no mark).
int MarkSection(char c);

/// The written station a resolved station text shows: the number after its mark letter
/// ("B1234.5" -> 1234.5), or `mileage` for a text without mark (which is mileage itself).
/// @param stationText station text, blanks around it allowed.
/// @param mileage the same station as continuous mileage, m.
double ShownStation(std::string_view stationText, double mileage);

/// Formats a written station with the pattern "K0+000.000": "K", the kilometres, "+", the metres
/// with three digits before and three after the point. The value is first rounded to three
/// decimals (correctly, from the double's exact value), then split, so 999.9996 gives
/// "K1+000.000" and never "K0+1000.000"; 12.3 gives "K0+012.300"; 12345.678 gives
/// "K12+345.678".
///
/// A negative value (a station before zero) is written with a minus sign in front of the "K"
/// that applies to the whole value: -12.3 gives "-K0+012.300" and -1234.5 gives "-K1+234.500",
/// i.e. -(1 km + 234.5 m). A value that rounds to zero has no sign ("K0+000.000").
///
/// @param writtenStation written station, m, any finite value.
/// @throws geometry::RuntimeError(NonFinite) for NaN or an infinity.
std::string FormatStationLabel(double writtenStation);

/// The written station of a continuous mileage: the value after the jumps of every chain break
/// that lies before it. A mileage exactly at BreakBack(k) (after the earlier breaks) stays in
/// section k.
///
/// @param mileage continuous mileage, m, finite.
/// @return written station, m.
/// @throws geometry::RuntimeError(NonFinite) for a mileage that is not finite.
double MileageToStation(const state::SharedState& state, double mileage);

/// The station label of a continuous mileage: FormatStationLabel of MileageToStation, preceded
/// by the mark letter of the section the mileage lies in when BreakCount != 0
/// ("AK1+000.000", "BK1+100.001"); without chain breaks there is no letter ("K1+234.500").
///
/// @param mileage continuous mileage, m, finite.
/// @throws geometry::RuntimeError(NonFinite) for a mileage that is not finite.
std::string MileageToLabel(const state::SharedState& state, double mileage);

/// The continuous mileage of a station text. The text is trimmed of blanks first. With a mark
/// letter the rest of the text is the written value in that section; without one the numeric
/// value of the text is the mileage itself. A text that holds no number reads as 0 (the callers'
/// range checks refuse it when 0 is not on the line).
///
/// Callers check the text with CheckBreakMark. A mark beyond the last section
/// (letter > 'A' + BreakCount, e.g. "Z100" with 2 breaks) has no mileage: it throws
/// geometry::RuntimeError(IndexOutOfRange) rather than guess one.
///
/// @param text station text, e.g. "1234.567" or "B1234.567".
/// @return continuous mileage, m.
double StationTextToMileage(const state::SharedState& state, std::string_view text);

/// The continuous mileage of a written station in a given section.
///
/// @param section chain-break section, 1..BreakCount+1; anything else throws
///        geometry::RuntimeError(IndexOutOfRange).
/// @param station written station in that section, m.
/// @return continuous mileage, m.
double SectionStationToMileage(const state::SharedState& state, int section, double station);

/// Result of zh_dlstr.
struct MarkedStation {
    /// False when the station was refused (its message has been shown); the caller then stops
    /// its command without a further message.
    bool StationAccepted = true;
    /// The station text with its mark letter; empty when the station was refused.
    std::string zhdlstr;
};

/// Gives a station text as typed its chain-break mark letter. A blank text, a text that already
/// has a mark and any text when there are no chain breaks come back unchanged. Otherwise the
/// value is placed in its section and the result is the section's letter followed by the trimmed
/// text ("1200" -> "B1200"). Refuses, after bringing the main window to the front:
///   * a value strictly inside the gap of a forward break:
///     "桩号" + zhstr + "不应存在" + back + "和" + ahead + "之间，请修改！";
///   * a value that a backward break makes occur twice (ahead <= v <= back):
///     "程序不能判断桩号" + zhstr + "所属的断链区间，需添加断链标识A、B、C...".
///
/// @param zhstr the station text as typed (may carry blanks).
MarkedStation zh_dlstr(const state::SharedState& state, state::Prompts& prompts,
                       std::string_view zhstr);

/// Checks the mark letter and the number of a station text (trimmed of blanks first). A blank
/// text is acceptable. Otherwise refuses (message through prompts.Refuse, then false):
///   * a text whose number part (after the mark, if any) is not a plain decimal number and
///     nothing else, such as a label copied back ("AK1+200.000"), kilometres written as in a
///     label ("1+200") or a word, which would otherwise read as some other station (0, 1):
///     "桩号" + text + "有误，应为以米计的数，如1234.567或B1234.567，请修改！";
///   * any mark when there are no chain breaks: "桩号" + text + "有误，不存在断链，请修改！";
///   * a mark beyond the last section: "桩号" + text + "断链标识有误，请修改！";
///   * a written value outside its section, BreakAhead(j-1) .. BreakBack(j) with the bounds
///     included (section A starts at 0, the last section has no upper end in practice):
///     "桩号" + text + "超出所在断链区间，请修改！".
///
/// @param text station text, normally already trimmed.
/// @return true when the text is acceptable.
bool CheckBreakMark(const state::SharedState& state, state::Prompts& prompts,
                    std::string_view text);

/// Completes the chain-break tables after the chain-break file has been read (BreakBack,
/// BreakAhead and BreakCount, the "-1 means none" rule already applied) and the JD alignment has
/// been built (JdCount, JdStation, StartStation):
///   * sentinels BreakBack(0) = BreakAhead(0) = 0 and, with k = BreakCount + 1,
///     BreakBack(k) = BreakAhead(k) = JdStation(JdCount) + 1e9;
///   * SectionStart(k) and SectionEnd(k) for k = 1..BreakCount+1 in written stations: section 1
///     starts at StartStation, section k > 1 at BreakAhead(k-1); section k <= BreakCount ends at
///     BreakBack(k), the last section at the written station of the end of the line.
///
/// Chain breaks must lie along the line in order: a section that would run backwards (a break
/// before the start of the line, or a break listed before an earlier one) would make every
/// conversion silently wrong, so it throws geometry::RuntimeError(Format). The last break may lie
/// at or beyond the end of the line.
///
/// @throws geometry::RuntimeError(IndexOutOfRange) for JdCount < 1 or BreakCount outside 0..19.
void BuildChainBreakSections(state::SharedState& state);

} // namespace tesk::stationing
