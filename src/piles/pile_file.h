#pragma once

// The pile position file (".zw") and the pile table the four pile commands build from it.
//
// A file is a sequence of pier blocks: a header line "<station field> <theta> <count>" and then
// the block's distance values in free format (commas, blanks or line ends between them):
//
//     345.6 90 3          three single values L1 (skew distances, m, left positive)
//     -5.5
//     0
//     5.5
//     400+1.25 75 4x2     four pairs L1, L2; the station moved 1.25 m along the line
//     -6, 1.2, -6, -1.2
//     6, 1.2, 6, -1.2
//
// The data ends at the end of the file or at a blank line where a header is due.

#include "input/text_file.h"
#include "state/method.h"
#include "geometry/plane.h"
#include "state/prompts.h"
#include "state/shared_state.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesk::piles {

inline constexpr std::string_view kPileDialogTitle = "读取桩位资料";
inline constexpr std::string_view kPileDialogFilter =
    "文本文件(*.txt;*.zw)|*.txt;*.zw|所有文件（*.*)|*.*";

inline constexpr int kMaxPiers = 200;  ///< pier blocks in one file
inline constexpr int kMaxEntries = 20; ///< distance entries of one pier

/// One distance entry of a pier: L1 along the pier axis (m, positive to the left of the line),
/// L2 along the second direction (m; 0 for single values).
struct PileEntry {
    double L1 = 0.0;
    double L2 = 0.0;
};

/// One pier block of the file, resolved against the alignment.
struct Pier {
    std::string PileStationText;    ///< station text with its chain-break mark where breaks exist
    double PileStation = 0.0;       ///< continuous mileage, m
    double PileShift = 0.0;         ///< offset along the line / sin(theta), m
    double PileDeflection = 0.0;    ///< theta, degrees, clockwise from the forward tangent
    int PileEntryKind = 1;          ///< 1 = single values, 2 = pairs
    double PileSecondAngle = 90.0;  ///< alpha, degrees: second direction = axis turned back by it
    std::vector<PileEntry> Entries; ///< PileEntryCount() = Entries.size()
    double PileX = 0.0;             ///< reference point: the crossing point moved by PileShift, m
    double PileY = 0.0;
    double PileAzimuth = 0.0; ///< tangent azimuth of the line at PileStation, rad

    int PileEntryCount() const { return static_cast<int>(Entries.size()); }
};

/// Plane point of entry `entry` of `pier`: the reference point moved L1 along the pier axis
/// (azimuth + theta - pi) and L2 along the second direction (azimuth + theta - alpha).
geometry::PlanePoint EntryPoint(const Pier& pier, const PileEntry& entry);
/// X (north) of EntryPoint for the 0-based entry j.
double EntryX(const Pier& pier, int j);
/// Y (east) of EntryPoint for the 0-based entry j.
double EntryY(const Pier& pier, int j);

/// The pile table of one command run.
struct PileTable {
    std::string SourcePath; ///< the file it was read from (empty for text in memory)
    std::vector<Pier> Piers;
    int PileCount() const { return static_cast<int>(Piers.size()); }
};

/// Reads the pier blocks of `file`, resolves their stations (refusals shown through `prompts`),
/// checks them against the alignment of `method` and computes every reference point.
/// Returns nothing when a station was refused (its message has been shown). Throws
/// geometry::RuntimeError for malformed content (fewer than three header fields, a station field
/// with nothing before its "+" or "-" (a negative station), an angle that is
/// not a number or whose sine is 0, missing or surplus distance values, more than 200 piers or
/// 20 entries) and for a failure of the alignment.
std::optional<PileTable> ReadPileTable(const state::SharedState& s, state::Prompts& prompts,
                                       state::AlignmentMethod method, input::TextFile& file);

/// The whole sequence of a pile command: the "读取桩位资料" dialog, the reading and checks of
/// ReadPileTable, then `output` with the table, all under the command's error handler (main
/// window to the front, then "读取文件被取消！" or "数据文件格式有误或操作有误！"). Returns true
/// when `output` ran to its end; false after a refusal or a failure (already reported).
bool RunPileCommand(const state::SharedState& s, state::Prompts& prompts,
                    state::AlignmentMethod method,
                    const std::function<void(const PileTable&)>& output);

} // namespace tesk::piles
