#include "cad/pile_drawings.h"

#include "geometry/error.h"
#include "geometry/number_text.h"
#include "stationing/stationing.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace tesk::cad {

namespace {

constexpr double kPi = std::numbers::pi;

// Width factors of the pile drawings' texts.
constexpr double kLabelWidth = 0.75; // titles, labels and pier numbers of the table
constexpr double kNumberWidth = 0.7; // stations and numbers of the table; every sketch text

// Coordinate table layout, drawing units (m), relative to the top-left corner.
constexpr double kItemColumn = 30.0;  // the item column
constexpr double kPierColumn = 37.0;  // one pier
constexpr double kSkewPart = 14.5;    // skew-distance part at the left of a pier column
constexpr double kXyPart = 22.5;      // X/Y part at its right
constexpr double kHeaderRow = 5.0;    // each of the two header rows
constexpr double kEntryRow = 10.0;    // one entry: an X and a Y half-row of 5
constexpr double kNumberCircle = 2.0; // radius of the circle around a pier number

// Sketch sizes.
constexpr double kPileCircle = 0.6;      // radius of a pile's circle
constexpr double kPierCircle = 1.5;      // radius of the circle around a pier number
constexpr double kPierLabelBeyond = 7.0; // pier number: this far beyond the rightmost pile

// A number of a count or index written as a whole number.
std::string WholeNumber(int value) {
    return std::to_string(value);
}

// The point (x, y) of the drawing plane.
Point At(double x, double y) {
    return {x, y, 0.0};
}

// A text of the pile drawings: left-baseline at `insertion`, style "test".
void AddPileText(DrawingHost& host, std::string_view text, Point insertion, double height,
                 double widthFactor) {
    const TextHandle handle = host.AddText(text, insertion, height);
    handle.SetStyleName(kPileTextStyleOnTexts);
    handle.SetScaleFactor(widthFactor);
}

void RequirePiers(const piles::PileTable& table) {
    if (table.Piers.empty()) {
        throw geometry::RuntimeError(geometry::ErrorCode::Format,
                                  "the pile file holds no pier: nothing to draw");
    }
}

// The setup both drawings share: coordinate systems with "xy" current, the text style, and the
// pick of the insertion point (its z is not used).
Point PrepareAndPick(DrawingHost& host) {
    const SurveyCoordinateSystems ucs = AddSurveyCoordinateSystems(host);
    host.SetActiveUcs(ucs.Xy);
    AddPileTextStyle(host);
    const Point picked = host.GetPoint(kInsertionPrompt);
    return At(picked.X, picked.Y);
}

// Where the text of a skew distance starts, to the left of the middle of its cell: tuned to the
// character widths of the table's font so that the number stands centred. `shown` is the value
// as printed (a sign and two or one digits before the point make the widths).
double SkewTextLead(double shown) {
    if (shown <= -10.0) {
        return 6.1096;
    }
    if (shown < 0.0) {
        return 4.5082;
    }
    if (shown < 10.0) {
        return 2.43;
    }
    return 4.0276;
}

// The station shown in the table: the written station of its chain-break section when the
// text carries a mark letter (the letter is dropped), the continuous mileage otherwise.
double ShownStation(const piles::Pier& pier) {
    return stationing::ShownStation(pier.StationText, pier.Mileage);
}

} // namespace

void AddPileTextStyle(DrawingHost& host) {
    const TextStyleHandle style = host.AddTextStyle(kPileTextStyle);
    style.SetFontFile(kPileFontFile);
    style.SetBigFontFile(kPileBigFontFile);
}

void DrawCoordinateTable(const piles::PileTable& table, DrawingHost& host) {
    RequirePiers(table);
    const Point p0 = PrepareAndPick(host);
    const double x0 = p0.X;
    const double y0 = p0.Y;

    const int n = static_cast<int>(table.Piers.size());
    int m = 0; // the most entries of any pier: the number of entry rows
    for (const piles::Pier& pier : table.Piers) {
        m = std::max(m, static_cast<int>(pier.Entries.size()));
    }
    const double right = x0 + kItemColumn + kPierColumn * n;
    const double bottom = y0 - kEntryRow * (m + 1);
    auto line = [&](double xa, double ya, double xb, double yb) {
        host.AddLine(At(xa, ya), At(xb, yb));
    };
    auto text = [&](std::string_view s, double x, double y, double height, double width) {
        AddPileText(host, s, At(x, y), height, width);
    };
    // Left edge of pier column k (1-based), and of its X/Y part.
    auto columnLeft = [&](int k) { return x0 + kItemColumn + kPierColumn * (k - 1); };
    auto xyLeft = [&](int k) { return columnLeft(k) + kSkewPart; };
    // Top of entry row j (1-based).
    auto rowTop = [&](int j) { return y0 - kEntryRow * j; };

    // Title with a double underline 40 long, both centred on the table's middle x0 + 15 + 18.5n.
    const double titleBase = x0 + 18.5 * n;
    text("桩 位 坐 标 表", titleBase - 2.0, y0 + 10.0, 7.0, kLabelWidth);
    line(titleBase - 5.0, y0 + 9.0, titleBase + 35.0, y0 + 9.0);
    line(titleBase - 5.0, y0 + 8.0, titleBase + 35.0, y0 + 8.0);

    // Rules across the whole width.
    line(x0, y0, right, y0);
    line(x0, y0 - kHeaderRow, right, y0 - kHeaderRow);
    line(x0, y0 - 2.0 * kHeaderRow, right, y0 - 2.0 * kHeaderRow);
    for (int j = 1; j <= m; ++j) {
        line(x0, rowTop(j + 1), right, rowTop(j + 1));
    }
    // The X/Y splits halfway down each entry row.
    for (int j = 1; j <= m; ++j) {
        line(x0 + 25.0, rowTop(j) - 5.0, x0 + kItemColumn, rowTop(j) - 5.0);
    }
    for (int k = 1; k <= n; ++k) {
        for (int j = 1; j <= m; ++j) {
            line(xyLeft(k), rowTop(j) - 5.0, xyLeft(k) + kXyPart, rowTop(j) - 5.0);
        }
    }
    // Vertical rules: the outer borders and pier columns from the top, the inner ones below the
    // header rows.
    line(x0, y0, x0, bottom);
    line(x0 + kItemColumn, y0, x0 + kItemColumn, bottom);
    for (int k = 2; k <= n + 1; ++k) {
        line(columnLeft(k), y0, columnLeft(k), bottom);
    }
    line(x0 + 5.0, y0 - 10.0, x0 + 5.0, bottom);
    line(x0 + 25.0, y0 - 10.0, x0 + 25.0, bottom);
    for (int k = 1; k <= n; ++k) {
        line(xyLeft(k), y0 - 10.0, xyLeft(k), bottom);
    }
    // The slanted rule of the corner cell, between "项 目" and "墩台号".
    line(x0 + 13.0, y0, x0 + 17.0, y0 - 5.0);

    // The item column.
    text("项 目", x0 + 3.0, y0 - 4.5, 4.0, kLabelWidth);
    text("墩台号", x0 + 18.0, y0 - 4.5, 4.0, kLabelWidth);
    text("对应设计线的桩号", x0 + 3.0, y0 - 9.5, 4.0, kLabelWidth);
    for (int j = 1; j <= m; ++j) {
        const double up = -kEntryRow * (j - 1);
        // Two-digit numbers start further left so that they stay in their 5-wide cell.
        text(WholeNumber(j), j >= 10 ? x0 - 0.4 : x0 + 1.15, y0 - 17.5 + up, 5.0, kLabelWidth);
        text("至设计线斜距", x0 + 6.0, y0 - 16.8 + up, 4.0, kLabelWidth);
        text("X", x0 + 26.7, y0 - 14.0 + up, 3.2, kLabelWidth);
        text("Y", x0 + 26.7, y0 - 19.0 + up, 3.2, kLabelWidth);
    }

    // Header row 1: pier numbers count from 0 (the first abutment); a two-digit number moves
    // its circle.
    for (int k = 1; k <= n; ++k) {
        const double shift = kPierColumn * (k - 1);
        const int number = k - 1;
        text(WholeNumber(number), x0 + 46.5 + shift, y0 - 4.0, 3.2, kLabelWidth);
        host.AddCircle(At(x0 + 47.5 + shift + (number >= 10 ? 1.0 : 0.0), y0 - 2.5), kNumberCircle);
    }
    // Header row 2: the stations.
    for (int k = 1; k <= n; ++k) {
        const piles::Pier& pier = table.Piers[static_cast<std::size_t>(k - 1)];
        text(stationing::FormatStationLabel(ShownStation(pier)), x0 + 39.0 + kPierColumn * (k - 1),
             y0 - 9.2, 3.2, kNumberWidth);
    }
    // The entries, pier by pier.
    for (int k = 1; k <= n; ++k) {
        const piles::Pier& pier = table.Piers[static_cast<std::size_t>(k - 1)];
        const double shift = kPierColumn * (k - 1);
        for (int j = 1; j <= static_cast<int>(pier.Entries.size()); ++j) {
            const piles::PileEntry& entry = pier.Entries[static_cast<std::size_t>(j - 1)];
            const double up = -kEntryRow * (j - 1);
            // A pair with a second distance is not located by its skew distance alone: the
            // cell stays empty.
            if (pier.EntryKind == 1 || entry.L2 == 0.0) {
                // The lead follows the printed text: 9.99996 prints as 10.0000, -0.00001 as
                // 0.0000.
                const std::string skew = geometry::FormatFixed(entry.L1, 4);
                const double shown = geometry::ParseNumber(skew).value_or(entry.L1);
                text(skew, x0 + kPierColumn * k - SkewTextLead(shown), y0 - 16.5 + up, 3.2,
                     kNumberWidth);
            }
            const geometry::PlanePoint p = piles::EntryPoint(pier, entry);
            text(geometry::FormatFixed(p.X, 4), x0 + 46.0 + shift, y0 - 14.2 + up, 3.2, kNumberWidth);
            text(geometry::FormatFixed(p.Y, 4), x0 + 46.0 + shift, y0 - 19.2 + up, 3.2, kNumberWidth);
        }
    }
}

void DrawPileSketch(const piles::PileTable& table, DrawingHost& host) {
    RequirePiers(table);
    const Point p0 = PrepareAndPick(host);
    const double x0 = p0.X;
    const double y0 = p0.Y;

    const double firstStation = table.Piers.front().Mileage;
    const double length = table.Piers.back().Mileage - firstStation;

    double leftmost = 0.0;  // the largest positive skew distance (left of the line)
    double rightmost = 0.0; // the largest |skew distance| right of the line
    for (const piles::Pier& pier : table.Piers) {
        for (const piles::PileEntry& entry : pier.Entries) {
            leftmost = std::max(leftmost, entry.L1);
            rightmost = std::max(rightmost, -entry.L1);
        }
    }

    host.AddLine(At(x0, y0), At(x0 + length, y0));

    const double tx = x0 + length / 2.0 - 11.75;
    const double ty = y0 + 10.0 + leftmost;
    AddPileText(host, "桩 位 示 意 图", At(tx, ty), 5.0, kNumberWidth);
    host.AddLine(At(tx - 2.2624, ty - 0.8), At(tx + 25.0, ty - 0.8));
    host.AddLine(At(tx - 2.2624, ty - 1.2), At(tx + 25.0, ty - 1.2));

    for (int k = 1; k <= static_cast<int>(table.Piers.size()); ++k) {
        const piles::Pier& pier = table.Piers[static_cast<std::size_t>(k - 1)];
        const double xk = x0 + pier.Mileage - firstStation;
        const double thetaR = kPi * pier.Deflection / 180.0;
        const double alphaR = kPi * pier.SecondAngle / 180.0;

        // The pier's local geometry with the line's tangent along +x and its left side up: L1
        // along the pier axis at 180° - theta from +x, L2 at alpha - theta.
        for (int j = 1; j <= static_cast<int>(pier.Entries.size()); ++j) {
            const piles::PileEntry& entry = pier.Entries[static_cast<std::size_t>(j - 1)];
            const double cx =
                xk - entry.L1 * std::cos(thetaR) - entry.L2 * std::cos(kPi + thetaR - alphaR);
            const double cy =
                y0 + entry.L1 * std::sin(thetaR) + entry.L2 * std::sin(kPi + thetaR - alphaR);
            host.AddCircle(At(cx, cy), kPileCircle);
            AddPileText(host, WholeNumber(j), At(cx + 1.0, cy - 0.7), 1.5, kNumberWidth);
        }

        // The pier number on its axis, beyond the pile farthest right of the line.
        const double reach = rightmost + kPierLabelBeyond;
        const Point label = At(xk + reach * std::cos(thetaR) - 1.0, y0 - reach * std::sin(thetaR));
        const int number = k - 1;
        AddPileText(host, WholeNumber(number), label, 2.0, kNumberWidth);
        host.AddCircle(At(label.X + 0.5 + (number >= 10 ? 0.5 : 0.0), label.Y + 0.8), kPierCircle);
    }
}

} // namespace tesk::cad
