#pragma once

// Station notation and chain breaks: the conversions between the continuous mileage every table
// and evaluator works on and the written stations users type and read.
//
// Continuous mileage (m) is the start station plus the distance travelled along the line. The
// written station restarts at every chain break ("断链"): break k is one point of the line with
// two written values, Back (reached before the break) and Ahead (continued with after it). The
// breaks cut the line into sections 1..BreakCount+1; within a section the written station grows
// one metre per metre of mileage. Section k carries the mark letter 'A' + k - 1 ("A" .. "T", at
// most 19 breaks). A forward break (ahead > back) leaves a gap of written values that do not
// exist; a backward break (ahead < back) makes the values ahead..back occur twice, so such a
// value needs its mark to be placed.
//
// Notations:
//   * station text: an optional mark letter (ASCII capital "A".."Z" as the first non-blank
//     character), then a plain decimal number of metres: "1234.567", "B1234.567". A text without
//     a mark is continuous mileage unchanged.
//   * station label: the written value as "K<km>+<mmm.mmm>", preceded by the section's mark when
//     chain breaks are loaded: "K1+234.567", "BK1+234.567".
//
// Stationing holds the chain breaks of one line and answers every conversion; without chain
// breaks (the element method, or a chain-break file holding "-1") it degenerates to plain number
// handling. The routines that need no chain breaks are free functions.


#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesk::stationing {

/// Most chain breaks one line may carry (sections are marked "A" .. "T").
inline constexpr int kMaxBreaks = 19;

/// A station text in the plain form the conversions read: the design-table form
/// "K12+345.678" (kilometres, "+", metres below 1000), with an optional mark letter before the K
/// ("BK12+345.678") and an optional minus sign ("-K0+012.300"), becomes "12345.678",
/// "B12345.678", "-0012.300"; any other text comes back trimmed and otherwise unchanged. The
/// digits are moved, not computed, so the value reads back exactly as written.
std::string PlainStationText(std::string_view text);

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

/// One chain break: the one point of the line where the written station jumps.
struct ChainBreak {
    double Back = 0.0;  ///< written station reached before the break, m
    double Ahead = 0.0; ///< written station continued with after the break, m
};

/// A station text given its mark letter by Stationing::MarkStation, or the reason it was refused.
struct MarkedStation {
    /// The station text with its mark letter; empty when the station was refused.
    std::string Text;
    /// The message to show the user when the station was refused; nothing when accepted.
    std::optional<std::string> Refusal;

    bool Accepted() const { return !Refusal.has_value(); }
};

/// The chain breaks of one line and the sections they cut it into. Immutable: built and checked
/// once, then only queried; cheap to copy.
class Stationing {
public:
    /// No chain breaks: written station and mileage are the same number. The single section has
    /// no ends (SectionStart(1) is -infinity, SectionEnd(1) +infinity), as the extent of the line
    /// is not known.
    Stationing() = default;

    /// Checks the chain breaks of a line and computes its sections.
    ///
    /// Section 1 starts at `startMileage`, section k > 1 at breaks[k-2].Ahead; section
    /// k <= BreakCount ends at breaks[k-1].Back, the last section at the written station of
    /// `endMileage`. Chain breaks must lie along the line in order: a section that would run
    /// backwards (a break before the start of the line, or a break listed before an earlier one)
    /// would make every conversion silently wrong. The last break may lie at or beyond the end of
    /// the line. An empty list is a line without chain breaks.
    ///
    /// @param breaks chain breaks in their order along the line, written stations, m.
    /// @param startMileage continuous mileage of the start of the line, m, finite.
    /// @param endMileage continuous mileage of the end of the line, m, finite.
    /// @throws geometry::RuntimeError(IndexOutOfRange) for more than 19 breaks;
    ///         geometry::RuntimeError(NonFinite) for a start or end that is not finite;
    ///         geometry::RuntimeError(Format) for a break value that is not finite or a section
    ///         that runs backwards.
    Stationing(const std::vector<ChainBreak>& breaks, double startMileage, double endMileage);

    /// Number of chain breaks, 0..19.
    int BreakCount() const { return static_cast<int>(m_breaks.size()); }

    /// The chain breaks in their order along the line.
    const std::vector<ChainBreak>& Breaks() const { return m_breaks; }

    /// First written station of section `section`, m.
    /// @param section 1..BreakCount+1; anything else throws geometry::RuntimeError(IndexOutOfRange).
    double SectionStart(int section) const;

    /// Last written station of section `section`, m (for the last section, the written station
    /// of the end of the line).
    /// @param section 1..BreakCount+1; anything else throws geometry::RuntimeError(IndexOutOfRange).
    double SectionEnd(int section) const;

    /// The written station of a continuous mileage: the value after the jumps of every chain
    /// break that lies before it. A mileage exactly at a break's back station (after the earlier
    /// breaks) stays in the section before the break.
    ///
    /// @param mileage continuous mileage, m, finite.
    /// @return written station, m.
    /// @throws geometry::RuntimeError(NonFinite) for a mileage that is not finite.
    double MileageToStation(double mileage) const;

    /// The station label of a continuous mileage: FormatStationLabel of MileageToStation,
    /// preceded by the mark letter of the section the mileage lies in when there are chain breaks
    /// ("AK1+000.000", "BK1+100.001"); without chain breaks there is no letter ("K1+234.500").
    ///
    /// @param mileage continuous mileage, m, finite.
    /// @throws geometry::RuntimeError(NonFinite) for a mileage that is not finite.
    std::string MileageToLabel(double mileage) const;

    /// The continuous mileage of a station text. The text is trimmed of blanks first. With a
    /// mark letter the rest of the text is the written value in that section; without one the
    /// numeric value of the text is the mileage itself. A text that holds no number reads as 0
    /// (the callers' range checks refuse it when 0 is not on the line).
    ///
    /// Callers check the text with CheckStationText. A mark beyond the last section
    /// (letter > 'A' + BreakCount, e.g. "Z100" with 2 breaks) has no mileage: it throws
    /// geometry::RuntimeError(IndexOutOfRange) rather than guess one.
    ///
    /// @param text station text, e.g. "1234.567" or "B1234.567".
    /// @return continuous mileage, m.
    double StationTextToMileage(std::string_view text) const;

    /// The continuous mileage of a written station in a given section.
    ///
    /// @param section chain-break section, 1..BreakCount+1; anything else throws
    ///        geometry::RuntimeError(IndexOutOfRange).
    /// @param station written station in that section, m.
    /// @return continuous mileage, m.
    double SectionStationToMileage(int section, double station) const;

    /// Checks the mark letter and the number of a station text (trimmed of blanks first). A
    /// blank text is acceptable. Otherwise the text is refused with one of these messages:
    ///   * a text whose number part (after the mark, if any) is not a plain decimal number and
    ///     nothing else, such as a label copied back ("AK1+200.000"), kilometres written as in a
    ///     label ("1+200") or a word, which would otherwise read as some other station (0, 1):
    ///     "桩号" + text + "有误，应为以米计的数，如1234.567或B1234.567，请修改！";
    ///   * any mark when there are no chain breaks: "桩号" + text + "有误，不存在断链，请修改！";
    ///   * a mark beyond the last section: "桩号" + text + "断链标识有误，请修改！";
    ///   * a written value outside its section, the ahead station of the break before it .. the
    ///     back station of the break after it, bounds included (section A starts at 0, the last
    ///     section ends 1e9 m beyond the end of the line): "桩号" + text +
    ///     "超出所在断链区间，请修改！".
    /// `text` in the messages is the text as passed, blanks included.
    ///
    /// @param text station text, normally already trimmed.
    /// @return the refusal message, or nothing when the text is acceptable.
    std::optional<std::string> CheckStationText(std::string_view text) const;

    /// Gives a station text as typed its chain-break mark letter. A blank text, a text that
    /// already has a mark and any text when there are no chain breaks come back unchanged.
    /// Otherwise the value is placed in its section and the result is the section's letter
    /// followed by the trimmed text ("1200" -> "B1200"). Refuses, `typed` as passed:
    ///   * a value strictly inside the gap of a forward break:
    ///     "桩号" + typed + "不应存在" + back + "和" + ahead + "之间，请修改！" (back and ahead in
    ///     their shortest decimal form);
    ///   * a value that a backward break makes occur twice (ahead <= v <= back):
    ///     "程序不能判断桩号" + typed + "所属的断链区间，需添加断链标识A、B、C...".
    ///
    /// @param typed the station text as typed (may carry blanks).
    MarkedStation MarkStation(std::string_view typed) const;

private:
    /// Written station and section of a continuous mileage.
    struct WrittenStation {
        double Station;
        int Section;
    };

    WrittenStation ToWritten(double mileage) const;
    double WrittenToMileage(int section, double written) const;
    void RequireSection(int section, std::string_view what) const;

    std::vector<ChainBreak> m_breaks;
    /// Section k's first and last written stations at index k - 1.
    std::vector<double> m_sectionStart{-std::numeric_limits<double>::infinity()};
    std::vector<double> m_sectionEnd{std::numeric_limits<double>::infinity()};
    /// Upper bound of the written values CheckStationText accepts in the last section, m.
    double m_lastSectionBound = std::numeric_limits<double>::infinity();
};

} // namespace tesk::stationing
