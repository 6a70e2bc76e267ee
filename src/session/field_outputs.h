#pragma once

// What goes into the field: the computed points as instrument point files, and the polar
// stake-out (极坐标放样) of those points from an instrument station and a backsight.

#include "formats/point_export.h"
#include "geometry/plane.h"
#include "geometry/polar.h"
#include "piles/pile_table.h"
#include "session/prompts.h"
#include "session/refusal.h"
#include "session/session.h"
#include "sheet/coordinate_sheet.h"
#include "sheet/stake_sheet.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tesk::session {

/// The point name of a stake: its station label without the zeros that end its decimals
/// ("BK15+120.000" -> "BK15+120", "K15+120.350" -> "K15+120.35").
std::string StakeName(std::string_view label);
/// A side stake: the stake's name, "L" or "R" for the side (positive offsets are left) and the
/// distance in its shortest form ("K15+120L12.5"); an offset of 0 is the centre stake itself.
std::string SideStakeName(std::string_view label, double offset);
/// The point of the point frame ("计  算", the point command): the label of the typed station's
/// stake with its skew distance as a side stake's offset ("BK15+120L6"); the typed text stands
/// in for a station that has no stake.
std::string ComputedPointName(const LoadedLine& line, std::string_view station,
                              std::string_view skew);
/// A pile: its pier as the coordinate table numbers it (from 0) and its entry (from 1): "3-2".
std::string PileName(std::size_t pier, std::size_t entry);

/// Every pile of `table`, pier by pier and entry by entry, named by PileName, with the design
/// elevation when `line` has a profile.
std::vector<formats::FieldPoint> PilePoints(const LoadedLine& line, const piles::PileTable& table);
/// The same from the coordinate sheet's table of the piles (CoordinateSheetTable), when it is
/// at hand already.
std::vector<formats::FieldPoint> PilePoints(const sheet::PileSheetTable& sheet);

/// "X,Y" as typed (north, east, m; blanks around either number allowed), within the bounds of
/// the input files' coordinates; nothing for anything else.
std::optional<geometry::PlanePoint> ParseSurveyPoint(std::string_view text);

/// An instrument station and the point it is oriented on.
struct PolarSetup {
    geometry::PlanePoint Station;
    geometry::PlanePoint Backsight;
};

/// Points closer than this to the station give no direction worth setting out, m.
inline constexpr double kMinPolarDistance = 0.001;

/// The setup from the typed "X,Y" texts of the station and the backsight, or the refusal:
/// "测站点坐标有误…" / "后视点坐标有误…" for texts that are not two numbers, and
/// "测站点与后视点重合，无法定向，请检查坐标！" for points less than kMinPolarDistance apart.
std::variant<PolarSetup, Refusal> MakePolarSetup(std::string_view station,
                                                 std::string_view backsight);

/// The polar values of each point from `setup`, in order; refused ("点…与测站点重合…") when a
/// point lies less than kMinPolarDistance from the station.
std::variant<std::vector<geometry::PolarValues>, Refusal>
PolarTable(const PolarSetup& setup, const std::vector<formats::FieldPoint>& points);

/// The polar stake-out sheet of `points` from `setup`: `values` holds PolarTable's values of
/// `points`, in order; the backsight azimuth is taken from the setup.
sheet::PolarSheetTable MakePolarSheet(const PolarSetup& setup,
                                      const std::vector<formats::FieldPoint>& points,
                                      const std::vector<geometry::PolarValues>& values);

/// The refusal for two points of one name ("点名…重复…"), for a point file; none when every
/// name is its own.
std::optional<Refusal> CheckPointNames(const std::vector<formats::FieldPoint>& points);

/// The format a point file's name asks for by its extension, in any case: .dat (cass), .csv,
/// .gsi, .sdr; nothing for another.
std::optional<formats::PointFormat> PointFormatOfPath(std::string_view path);

/// The refusal of a point file or stake-out without points.
inline constexpr std::string_view kNoPointsRefusal = "没有可导出的点，请先计算！";

/// Writes `points` as a point file of `format` at `path` (UTF-8; replaced as a whole, see
/// formats::OutputFile), coordinates with `digits` decimals. Refuses no points
/// (kNoPointsRefusal) and two points of one name (CheckPointNames); a file that
/// cannot be written is reported as the other outputs are. Returns true when written.
bool ExportPointFile(Prompts& prompts, const std::vector<formats::FieldPoint>& points,
                     formats::PointFormat format, const std::string& path, int digits = 4);

} // namespace tesk::session
