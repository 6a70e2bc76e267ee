#pragma once

// The drawings of a bridge's pile table: the pile position coordinate table ("桩 位 坐 标 表")
// and the pile position sketch ("桩 位 示 意 图"), both placed at a point the user picks.
//
// Drawing units are metres. The picked point P0 = (x0, y0) is a world point (x east, y north);
// both drawings are laid out in the world system ("xy" is made current), x to the right, y up.
// Survey coordinates (X north, Y east) appear in the table only as texts.

#include "cad/drawing_host.h"
#include "piles/pile_table.h"

#include <string_view>

namespace tesk::cad {

/// Prompt of the pick that places a table or sketch.
inline constexpr std::string_view kInsertionPrompt = "输入插入点:";
/// Text style of the pile drawings, added with the font files below. Texts name it in lower
/// case ("test"); style names compare without regard to letter case.
inline constexpr std::string_view kPileTextStyle = "TEST";
inline constexpr std::string_view kPileTextStyleOnTexts = "test";
inline constexpr std::string_view kPileFontFile = "fsdb_e.shx";
inline constexpr std::string_view kPileBigFontFile = "fsdb.shx";

/// Adds the text style "TEST" with its font files "fsdb_e.shx" and "fsdb.shx".
void AddPileTextStyle(DrawingHost& host);

/// Draws the coordinate table of `table`: adds the coordinate systems and makes "xy" current,
/// adds the text style, asks for the table's top-left corner (kInsertionPrompt) and draws the
/// title, the rules and the texts: an item column 30 wide, one column 37 wide per pier, two
/// header rows 5 high and one row 10 high per distance entry (the most entries of any pier).
/// Throws geometry::RuntimeError(Format) for a table without piers (before anything is added) and
/// whatever the host throws (a cancelled pick: Cancelled); what was drawn before stays.
void DrawCoordinateTable(const piles::PileTable& table, DrawingHost& host);

/// Draws the pile sketch of `table`: adds the coordinate systems and makes "xy" current, adds
/// the text style, asks for the left end of the axis (kInsertionPrompt) and draws the design
/// line straightened into a horizontal axis from the first to the last pier (1 drawing unit per
/// metre of mileage), each pile as a numbered circle of radius 0.6 at its true offset from the
/// line, and each pier's number in a circle of radius 1.5 beyond its piles on the right side of
/// the line. Failures as DrawCoordinateTable.
void DrawPileSketch(const piles::PileTable& table, DrawingHost& host);

} // namespace tesk::cad
