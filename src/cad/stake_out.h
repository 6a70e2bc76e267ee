#pragma once

// Stake-out points: survey points put into the drawing as point entities at (Y, X, 0), east
// first, so that a surveyor can pick them up for setting out. After a stake-out the coordinate
// system "yx" (x axis north, y axis east) lets the drawing program show them as survey X, Y.

#include "cad/drawing_host.h"
#include "piles/pile_file.h"
#include "piles/single_point.h"
#include "state/method.h"
#include "state/prompts.h"
#include "state/shared_state.h"

namespace tesk::cad {

/// The most skew distances the single-station stake-out takes at once.
inline constexpr int kMaxStakeOutDistances = 50;

/// Adds one point per distance entry of every pier of `table` (pier by pier, entries in file
/// order) at the entry's plane point (piles::EntryPoint). Adds the coordinate systems "yx" and
/// "xy" first and leaves "yx" current. Throws geometry::RuntimeError(Format) for a table without
/// piers (before anything is added) and whatever the host throws.
void DrawPileStakeOut(const piles::PileTable& table, DrawingHost& host);

/// "桩位放样": the pile file dialog, reading and checks, then DrawPileStakeOut, all under the
/// command's error handler. Returns false when a run-time failure ended the command (its message
/// has been shown), true otherwise (also after a refusal of the file's data).
bool Command5(const state::SharedState& s, state::Prompts& prompts, state::AlignmentMethod method,
              DrawingHost& host);

/// "放  样": the stake-out points of the station in `fields`.
///   fields.Text1  station text, optionally led by a chain-break mark letter;
///   fields.Text2  right deflection angle, decimal degrees, 0 <= theta < 180 (empty or 0: 90);
///   fields.Text3  skew distances, m, positive = left of the line, separated by blanks, at most
///                 kMaxStakeOutDistances; an empty field is one distance 0.
/// Adds one point per distance at the pile position (as piles::OffsetPoint places it) and, when
/// `joinWithPolyline` and there are two or more, a magenta light-weight polyline through them in
/// that order. Adds "yx" and "xy", draws with "yx" current and makes "xy" current again.
///
/// Refusals (message through prompts.Refuse, focus on the field, nothing drawn): the chain-break
/// mark of Text1, "右偏角应在0～180之间！", the station messages of zh_dlstr, and
/// "桩号" + trimmed Text1 + "超出平面数据文件，请修改！". Run-time failures (a skew distance that
/// is not a number, more than 50 of them, a station the alignment cannot evaluate, no drawing
/// (`host` == nullptr), a refused drawing operation) end the command with one error box
/// "数据文件格式有误或操作有误！" after the main window is brought to the front; no point is drawn
/// unless every point could be computed. The caller empties Text4..Text6 before calling.
///
/// Returns true when the points were drawn.
bool xpcmdbutton4(const state::SharedState& s, state::Prompts& prompts,
                  state::AlignmentMethod method, DrawingHost* host,
                  const piles::PointFields& fields, bool joinWithPolyline);

} // namespace tesk::cad
