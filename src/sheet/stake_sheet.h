#pragma once

// Tables of points by station as worksheets: the side-stake table ("逐桩坐标表": station, then
// an X/Y column pair for the centre line and for each side stake) and the point -> station
// results ("坐标反算": point, its coordinates, station, offset and azimuth).

#include "geometry/plane.h"
#include "sheet/workbook.h"

#include <optional>
#include <string>
#include <vector>

namespace tesk::sheet {

/// One stake row: the written station (m) with its chain-break mark letter ('\0' = none) and
/// one point per column pair.
struct StakeSheetRow {
    double Station = 0.0;
    char Mark = '\0';
    std::vector<geometry::PlanePoint> Points;
    /// With WithElevations: one design elevation per point (an empty cell where there is none)
    std::vector<std::optional<double>> Elevations;
};

struct StakeSheetTable {
    std::string Title;                      ///< merged over the first row
    std::vector<std::string> PointCaptions; ///< one per column group: "中桩", "左边桩 12.5 m"
    std::vector<StakeSheetRow> Rows;
    bool WithElevations = false; ///< each group X, Y and H (design elevation, "0.000")
};

/// Adds a worksheet (it becomes the active sheet) with the title, a header of two rows (桩号,
/// then each caption over its X and Y, and H with elevations) and one row per stake: the station as
/// a number shown "K12+345.678" (with the mark in front where there is one), coordinates "0.0000".
/// Throws geometry::RuntimeError(Output), adding no sheet, when a value is not finite or the table
/// does not fit a worksheet.
Worksheet& WriteStakeSheet(Workbook& workbook, const StakeSheetTable& table);

/// One point -> station result; a point without a foot has no station (Found = false).
struct LocateSheetRow {
    std::string Name;
    geometry::PlanePoint Point;
    bool Found = false;
    double Station = 0.0; ///< written station, m
    char Mark = '\0';
    double Offset = 0.0; ///< m, positive to the left (shown "左 1.234" / "右 1.234")
    std::string Azimuth; ///< the azimuth text, d°mm′ss.ss″
    std::string Note;    ///< why there is no station, when there is none
};

/// Adds a worksheet "坐标反算" laid out 点名 | X | Y | 桩号 | 偏距 | 方位角 | 说明, one row per
/// result. Failures as WriteStakeSheet.
Worksheet& WriteLocateSheet(Workbook& workbook, const std::vector<LocateSheetRow>& rows);

/// One point of a polar stake-out table.
struct PolarSheetRow {
    std::string Name;
    geometry::PlanePoint Point;
    std::optional<double> H; ///< design elevation; an empty cell without one
    std::string Azimuth;     ///< from the station, d°mm′ss.ss″
    std::string Angle;       ///< clockwise from the backsight, d°mm′ss.ss″
    double Distance = 0.0;   ///< m, horizontal
};

/// The polar stake-out table: where the instrument stands and what it is oriented on.
struct PolarSheetTable {
    geometry::PlanePoint Station;
    geometry::PlanePoint Backsight;
    std::string BacksightAzimuth; ///< d°mm′ss.ss″
    std::vector<PolarSheetRow> Rows;
};

/// Adds a worksheet "极坐标放样表": a heading block with the station's and the backsight's
/// coordinates and the backsight azimuth, then 点名 | X | Y | H | 方位角 | 水平角 | 平距, one row
/// per point. Failures as WriteStakeSheet.
Worksheet& WritePolarSheet(Workbook& workbook, const PolarSheetTable& table);

} // namespace tesk::sheet
