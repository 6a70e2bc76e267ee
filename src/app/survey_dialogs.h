#pragma once

// The dialogs of the "计算" menu: point -> station ("坐标反算") and the side-stake table
// ("逐桩坐标表"). Each works on the line loaded when it was opened.

#include "app/desktop_prompts.h"
#include "geometry/plane.h"
#include "session/session.h"
#include "session/stakes.h"

#include <QDialog>

#include <functional>
#include <vector>

class QCheckBox;
class QLineEdit;
class QTableWidget;

namespace tesk::app {

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

private:
    void ShowResults(std::vector<session::PointLocation> results);

    session::LoadedLine m_line;
    DesktopPrompts& m_prompts;
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

private:
    session::LoadedLine m_line;
    DesktopPrompts& m_prompts;
    std::function<void(const std::vector<geometry::PlanePoint>&)> m_draw;
    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
    QLineEdit* m_step = nullptr;
    QLineEdit* m_left = nullptr;
    QLineEdit* m_right = nullptr;
    QLineEdit* m_angle = nullptr;
    QCheckBox* m_drawPoints = nullptr;
    session::SideStakeTable m_table;
};

/// "左 12.500", "右 3.000", "0.000": an offset (m, positive to the left) as the dialogs show it.
std::string OffsetText(double offset);

} // namespace tesk::app
