#pragma once

// The program's commands as the window's buttons and the command-line tool run them: their
// dialogs, the order of their checks, their refusals and messages.

#include "cad/design_line.h"
#include "cad/drawing_host.h"
#include "formats/text_file.h"
#include "piles/pile_table.h"
#include "session/method.h"
#include "session/prompts.h"
#include "session/refusal.h"
#include "session/session.h"
#include "sheet/coordinate_sheet.h"
#include "sheet/workbook.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tesk::session {

inline constexpr std::string_view kAlignmentDialogTitle = "读取平面资料";
inline constexpr std::string_view kAlignmentDialogFilter =
    "文本文件(*.txt;*.jdx)|*.txt;*.jdx|LandXML(*.xml)|*.xml|所有文件（*.*)|*.*";
inline constexpr std::string_view kBreakDialogTitle = "读取断链资料";
inline constexpr std::string_view kBreakDialogFilter =
    "文本文件(*.txt;*.dl)|*.txt;*.dl|所有文件（*.*)|*.*";
inline constexpr std::string_view kPileDialogTitle = "读取桩位资料";
inline constexpr std::string_view kPileDialogFilter =
    "文本文件(*.txt;*.zw)|*.txt;*.zw|所有文件（*.*)|*.*";

// ---- Loading ---------------------------------------------------------------------------------

/// Reads and builds a JD line from `path`, without chain breaks. Throws geometry::RuntimeError
/// (EmptyPath for an empty path: the user cancelled the dialog).
LoadedLine LoadJdLine(const std::string& path);
/// Reads the chain breaks of `line` (a JD line) from `path`. Throws geometry::RuntimeError
/// (EmptyPath for an empty path; Format for breaks out of order or too many).
void LoadChainBreaks(LoadedLine& line, const std::string& path);
/// Reads and builds an element line from `path`. Throws geometry::RuntimeError.
LoadedLine LoadElementLine(const std::string& path);

/// Reads the alignment `name` (empty: the first) of a LandXML file with its chain breaks
/// (StaEquation) and its profile, warnings kept in LoadedLine::Warnings. Throws
/// geometry::RuntimeError naming the file and element.
LoadedLine LoadLandXmlLine(const std::string& path, const std::string& name = {});

/// Whether a file is to be read as LandXML: its name ends in ".xml" (any letter case).
bool IsLandXmlPath(const std::string& path);

/// "初始化": asks for the alignment file and, with the JD method, the chain-break file (after
/// the JD file is read and built), and makes the line the loaded line of `method`. Returns true
/// on success; on any failure one error box is shown and the session keeps what it had.
bool InitializeAlignment(Session& session, Prompts& prompts, AlignmentMethod method);

// ---- Stations ----------------------------------------------------------------------------------

/// A station text as typed, resolved on a loaded line.
struct ResolvedStation {
    std::string Text;     ///< the text with its chain-break mark letter where breaks exist
    double Mileage = 0.0; ///< continuous mileage, m
};

/// Checks the mark letter and number of a typed station (trimmed): the chain-break refusals of
/// Stationing::CheckStationText, with the focus on the station field.
std::optional<Refusal> CheckStation(const LoadedLine& line, std::string_view typed);

/// Gives a typed station its mark (refusing a station in a chain-break gap or one a backward
/// break makes ambiguous, main window first) and places it on the line (refusing one outside it:
/// "桩号" + trimmed text + "超出平面数据文件，请修改！", focus on the station field).
std::variant<ResolvedStation, Refusal> PlaceStation(const LoadedLine& line, std::string_view typed);

/// CheckStation, then PlaceStation.
std::variant<ResolvedStation, Refusal> ResolveStation(const LoadedLine& line,
                                                      std::string_view typed);

// ---- The point frame ("任一点坐标") ----------------------------------------------------------

/// The three input fields of the frame, as typed.
struct PointFields {
    std::string Station; ///< station text, optionally led by a mark letter
    std::string Angle;   ///< right deflection angle, decimal degrees, [0, 180); empty or 0 = 90
    std::string Skew;    ///< skew distance(s), m, positive = left of the line
};

/// What Compute shows in the output fields.
struct PointResult {
    std::string XText;       ///< X of the pile, "0.0000"
    std::string YText;       ///< Y of the pile, "0.0000"
    std::string AzimuthText; ///< tangent azimuth of the line at the station, d°mm′ss.ss″
    double X = 0.0;          ///< m, north
    double Y = 0.0;          ///< m, east
    double Azimuth = 0.0;    ///< rad
    /// The point's design elevation, m, "0.000", when a profile is loaded and the station lies
    /// within its grade points; otherwise empty, with ElevationNote saying why (empty without a
    /// profile)
    std::optional<double> Elevation;
    std::string ElevationText;
    std::string ElevationNote;
};

/// "计  算": the pile point at a station, skew distance and right deflection angle. Refusals in
/// this order: the station's mark (focus on the station), "右偏角应在0～180之间！" (angle),
/// "斜距" + skew + "存在空格，不能计算，可以放样！" (skew), the chain-break placement of the
/// station, a station outside the line (station). A line that cannot be evaluated there shows
/// "桩号…处的设计线无法计算，请检查平面数据文件！". Returns the outputs, or nothing after a
/// refusal or failure (already shown).
std::optional<PointResult> ComputePoint(const LoadedLine& line, Prompts& prompts,
                                        const PointFields& fields);

/// "放  样": the stake-out points of the station in `fields` (skew distances separated by
/// blanks, at most 50; an empty field is one distance 0), joined by a polyline when
/// `joinWithPolyline`. Refusals as ComputePoint for the station and angle; run-time failures
/// (a skew distance that is not a number, too many, a station the line cannot evaluate, no
/// drawing) end it with one error box after the main window is brought to the front; no point
/// is drawn unless every point could be computed. Returns true when the points were drawn.
bool StakeOutStation(const LoadedLine& line, Prompts& prompts, cad::DrawingHost* host,
                     const PointFields& fields, bool joinWithPolyline);

// ---- Drawings and sheets -------------------------------------------------------------------

/// The refusal of a line too long to draw (longer than cad::kMaxDrawnLength), before anything
/// is drawn: "设计线长…米，超过绘图上限10000公里（100000个百米桩），请检查平面数据文件！" naming
/// its length to the millimetre; nothing for a line that can be drawn. (Its spiral polyline
/// vertices need no check: the builders' row limits keep them within cad::kMaxDrawnVertices.)
std::optional<Refusal> CheckDrawingSize(const LoadedLine& line);

/// "绘设计线": draws the loaded line into `host` under the command's error handler (no window
/// activation: the main window stays hidden behind the progress window). A line too large to
/// draw is refused first (CheckDrawingSize) and nothing is drawn. Returns true when the
/// drawing ran to its end; a failure keeps what was drawn.
bool DrawDesignLine(const LoadedLine& line, Prompts& prompts, cad::DrawingHost& host,
                    const cad::ProgressCallback& progress);

/// Reads a pile file once into a pile table on `line`: every pier's station resolved (mark
/// first, then its check, as each pier header is read), then every station checked against
/// the line and every reference point computed. Returns the table or the refusal. Throws
/// geometry::RuntimeError for malformed content and a line that cannot be evaluated.
std::variant<piles::PileTable, Refusal> ReadPileTable(const LoadedLine& line,
                                                      formats::TextFile& file);

/// The whole sequence of a pile command: the "读取桩位资料" dialog, ReadPileTable, the
/// refusal shown, then `output` with the table, all under the command's error handler (main
/// window to the front, then "读取文件被取消！" or "数据文件格式有误或操作有误！"). Returns
/// true when `output` ran to its end.
bool RunPileCommand(const LoadedLine& line, Prompts& prompts,
                    const std::function<void(const piles::PileTable&)>& output);

/// What a pile command hands on after its output: the table it read (the window keeps the
/// piles as the points of the last computation). Runs under the command's error handler.
using PileTableDone = std::function<void(const piles::PileTable&)>;

/// "坐标表－CAD", "桩位示意图", "桩位放样": the pile command drawing the coordinate table, the
/// pile sketch or the piles' stake-out points into `host`, then `done` (when given) with the
/// table. Return as RunPileCommand.
bool DrawPileTable(const LoadedLine& line, Prompts& prompts, cad::DrawingHost& host,
                   const PileTableDone& done = {});
bool DrawPileSketch(const LoadedLine& line, Prompts& prompts, cad::DrawingHost& host,
                    const PileTableDone& done = {});
bool StakeOutPiles(const LoadedLine& line, Prompts& prompts, cad::DrawingHost& host,
                   const PileTableDone& done = {});

/// The coordinate sheet's view of a pile table on `line`: with a profile loaded, every pile's
/// design elevation (at its foot on the line, with the cross-fall when one is loaded).
sheet::PileSheetTable CoordinateSheetTable(const LoadedLine& line, const piles::PileTable& table);

/// "坐标表－Excel": the pile command writing the coordinate table as a new worksheet of the
/// session's workbook, then `done` (when given) with the table. Returns true on success;
/// `pileFile` then holds the pile file's path.
bool AddCoordinateSheet(const LoadedLine& line, Prompts& prompts,
                        sheet::SpreadsheetSession& workbook, std::string& pileFile,
                        const PileTableDone& done = {});

} // namespace tesk::session
