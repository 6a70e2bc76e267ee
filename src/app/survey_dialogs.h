#pragma once

// The dialogs of the "计算" menu: point -> station ("坐标反算") and the side-stake table
// ("逐桩坐标表"), each working on the line loaded when it was opened, and the polar stake-out
// ("极坐标放样") of the points computed last.

#include "app/desktop_prompts.h"
#include "cad/drawing_host.h"
#include "formats/point_export.h"
#include "geometry/plane.h"
#include "geometry/polar.h"
#include "session/field_outputs.h"
#include "session/session.h"
#include "session/stakes.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace tesk::app {

/// Receives the points a dialog computed, and where they came from in a few words
/// ("逐桩坐标表 BK15+100～BK15+200"): the main window keeps them for the point file and the
/// polar stake-out.
using PointsMade = std::function<void(std::vector<formats::FieldPoint> points, std::string source)>;

/// "坐标反算": type a point's X and Y, or open a point file, and see each point's station,
/// offset (左/右 and the distance) and the line's azimuth there, nearest foot first; the results
/// can be saved as a workbook.
class LocateDialog final : public QDialog {
    Q_OBJECT

public:
    LocateDialog(session::LoadedLine line, DesktopPrompts& prompts, QWidget* parent = nullptr);

    /// "反  算": the point typed into the X and Y fields.
    void LocateTyped();
    /// "读取点文件…": every point of a point file (name,X,Y[,H] or CASS name,code,Y,X,H).
    void LocateFile();
    /// "保存为Excel…": the results as a workbook sheet, where the user says.
    void SaveWorkbook();

    const std::vector<session::PointLocation>& Results() const { return m_results; }
    /// `made` receives each set of results as points (H the design elevation at the nearest
    /// foot when a profile is loaded).
    void SetPointsMade(PointsMade made) { m_made = std::move(made); }

private:
    void ShowResults(std::vector<session::PointLocation> results, const std::string& source);

    session::LoadedLine m_line;
    DesktopPrompts& m_prompts;
    PointsMade m_made;
    QLineEdit* m_x = nullptr;
    QLineEdit* m_y = nullptr;
    QTableWidget* m_table = nullptr;
    std::vector<session::PointLocation> m_results;
};

/// "逐桩坐标表": a range, an interval and the left and right side-stake distances give the
/// table 桩号 | 中桩 X, Y | 左边桩 X, Y | 右边桩 X, Y, saved as a workbook and, on request, the
/// points drawn into the drawing window.
class SideStakeDialog final : public QDialog {
    Q_OBJECT

public:
    /// `draw` puts the given survey points into the drawing (and shows it).
    SideStakeDialog(session::LoadedLine line, DesktopPrompts& prompts,
                    std::function<void(const std::vector<geometry::PlanePoint>&)> draw,
                    QWidget* parent = nullptr);

    /// "生成坐标表…".
    void Make();
    /// The table made last (empty before).
    const session::SideStakeTable& Table() const { return m_table; }
    /// `made` receives each table made as points: the centre stakes and the side stakes.
    void SetPointsMade(PointsMade made) { m_made = std::move(made); }

private:
    session::LoadedLine m_line;
    DesktopPrompts& m_prompts;
    std::function<void(const std::vector<geometry::PlanePoint>&)> m_draw;
    PointsMade m_made;
    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
    QLineEdit* m_step = nullptr;
    QLineEdit* m_left = nullptr;
    QLineEdit* m_right = nullptr;
    QLineEdit* m_angle = nullptr;
    QCheckBox* m_drawPoints = nullptr;
    session::SideStakeTable m_table;
};

/// "极坐标放样": the points of the last computation (fixed when the dialog opens) set out from an
/// instrument station oriented on a backsight, both typed or picked in the drawing window; the
/// table 点名 | X | Y | H | 方位角 | 水平角 | 平距, saved as a workbook or drawn.
class PolarDialog final : public QDialog {
    Q_OBJECT

public:
    /// Asks the user for a point in the drawing, showing `prompt`: the world point picked
    /// (x east, y north), or nothing when the pick was cancelled or could not run.
    using PickPoint = std::function<std::optional<cad::Point>(std::string_view prompt)>;
    /// Draws the set-up (the station, the backsight, a line to each point) into the drawing.
    using DrawSetup = std::function<void(const session::PolarSetup& setup,
                                         const std::vector<geometry::PlanePoint>& points)>;

    /// `source` says where `points` came from, for the dialog's heading.
    PolarDialog(std::vector<formats::FieldPoint> points, std::string source,
                DesktopPrompts& prompts, PickPoint pick, DrawSetup draw, QWidget* parent = nullptr);

    /// "拾取测站", "拾取后视": the picked point's survey X (north) and Y (east) into the fields.
    void PickStation();
    void PickBacksight();
    /// "计  算": the table from the typed station and backsight. Returns false after a refusal
    /// (shown), leaving the table empty.
    bool Compute();
    /// "保存为Excel…": computes, then saves the sheet "极坐标放样表" where the user says.
    void SaveWorkbook();
    /// "画入图中": computes, then draws the set-up into the drawing.
    void DrawIntoDrawing();

    const std::vector<formats::FieldPoint>& Points() const { return m_points; }
    /// The values of the last Compute, one per point (empty after a refusal).
    const std::vector<geometry::PolarValues>& Values() const { return m_values; }

protected:
    /// A running pick keeps the dialog open: its answer has to land in its fields.
    void closeEvent(QCloseEvent* event) override;

private:
    void Pick(QLineEdit* x, QLineEdit* y, std::string_view prompt);

    std::vector<formats::FieldPoint> m_points;
    DesktopPrompts& m_prompts;
    PickPoint m_pick;
    DrawSetup m_draw;
    QLineEdit* m_stationX = nullptr;
    QLineEdit* m_stationY = nullptr;
    QLineEdit* m_backsightX = nullptr;
    QLineEdit* m_backsightY = nullptr;
    QLabel* m_backsightAzimuth = nullptr;
    QTableWidget* m_table = nullptr;
    bool m_picking = false;
    std::optional<session::PolarSetup> m_setup;
    std::vector<geometry::PolarValues> m_values;
};

/// "左 12.500", "右 3.000", "0.000": an offset (m, positive to the left) as the dialogs show it.
std::string OffsetText(double offset);

} // namespace tesk::app
