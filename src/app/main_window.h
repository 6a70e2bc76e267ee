#pragma once

// The main window ("Tesk V5.6"): the method option, the command buttons and the "任一点坐标"
// frame. Every button forwards to its command in the libraries; the window owns the session's
// shared state and drawing, and talks to the user through the injected prompts.

#include "cad/drawing_document.h"
#include "formats/point_export.h"
#include "session/commands.h"
#include "session/session.h"
#include "sheet/workbook.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tesk::app {

class DesktopPrompts;
class DrawingWindow;
class HelpWindow;
class ProgressWindow;

class MainWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr std::string_view kCaption = "Tesk V5.6";
    /// Background of a point field while it has the focus.
    static constexpr QRgb kFocusColor = qRgb(192, 255, 192);

    /// `prompts` answers the commands' questions and shows their messages; nullptr = the
    /// window's own dialogs. An injected one must outlive the window.
    explicit MainWindow(DesktopPrompts* prompts = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    /// What the user has loaded.
    const session::Session& Loaded() const { return m_session; }
    cad::DrawingDocument& Document() { return m_document; }
    DrawingWindow& Drawing() { return *m_drawing; }
    ProgressWindow& Progress() { return *m_progress; }
    DesktopPrompts& Prompts() { return *m_prompts; }
    /// The method option: jdMethodOption = intersection-point method, otherwise element method.
    session::AlignmentMethod Method() const;
    /// The status line ("loadedLabel"): the selected method, the file names of its alignment
    /// and (for the JD method) chain-break file, and the station labels of the line's start and
    /// end; "<method>　平面资料尚未读入" before that method's Initialize.
    QString LoadedText() const;

    /// Puts the focus on "stationField".."azimuthField" and selects its text; other names are
    /// ignored.
    void FocusField(std::string_view name);
    /// Brings the window to the front when it is shown.
    void ActivateMainWindow();

    /// The commands, as the buttons run them.
    void InitializeClicked();   ///< "初始化"
    void ComputeClicked();      ///< "计  算"
    void StakeOutClicked();     ///< "放  样"
    void DrawLineClicked();     ///< "绘设计线"
    void PileStakeOutClicked(); ///< "桩位放样"
    void PileTableClicked();    ///< "坐标表－CAD"
    void ExcelTableClicked();   ///< "坐标表－Excel"
    void PileSketchClicked();   ///< "桩位示意图"
    void MoreClicked();         ///< "更多软件"
    void HelpClicked();         ///< "帮  助"
    void QuitClicked();         ///< "退  出"
    /// The "计算" menu: "坐标反算…" and "逐桩坐标表…" open their dialogs on the loaded line.
    void LocateClicked();
    void SideStakeClicked();
    /// "读入纵断面…" and "读入横坡…": the vertical alignment and the cross-fall of the selected
    /// method's line (Compute then shows the design elevation).
    void ProfileClicked();
    void CrossFallClicked();
    /// "导出点文件…": the points of the last computation as a point file for an instrument, its
    /// format by the extension of the file the user names.
    void ExportPointsClicked();
    /// "极坐标放样…": opens the polar stake-out dialog on the points of the last computation.
    void PolarClicked();

    /// The points of the last computation ("计  算", the 坐标反算 and 逐桩坐标表 dialogs, the
    /// pile commands), and where they came from ("计算 BK15+120R6.5", "桩位资料 bridge.zw");
    /// empty before the first and after a new Initialize.
    const std::vector<formats::FieldPoint>& FieldPoints() const { return m_fieldPoints; }
    const std::string& FieldPointsSource() const { return m_fieldSource; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildLayout();
    /// Runs a command body: one at a time (a click while a command waits for a pick is
    /// ignored), the buttons locked meanwhile, and any failure that escapes the libraries
    /// reported as one error box instead of ending the program.
    void RunCommand(const std::function<void()>& body);
    /// Runs `load` as a command on a copy of the selected line, which replaces the line only
    /// when `load` succeeds (a file read onto the line: profile, cross-fall).
    void LoadOntoLine(const std::function<void(session::LoadedLine&)>& load);
    void EnableAlignmentCommands();
    /// Writes LoadedText for the selected method: after Initialize and when the option changes.
    void ShowLoaded();
    void ClearOutputs();
    /// What the user typed into "stationField".."skewField": station, right angle, skew distances.
    session::PointFields PointInput() const;
    /// The selected method's line when a successful Initialize loaded it; otherwise refuses
    /// and returns nullptr.
    const session::LoadedLine* LoadedLine();
    /// Shows the drawing window (before a command draws into it).
    void ShowDrawing();
    /// The user agreed to end the program, or there was nothing to lose.
    bool MayQuit();
    /// Keeps `points` as the points of the last computation.
    void RememberPoints(std::vector<formats::FieldPoint> points, std::string source);
    /// The pile commands' hand-over: the piles of the table read, as points.
    session::PileTableDone RememberPiles(const session::LoadedLine& line);
    /// A pick in the drawing window for a dialog, run as a command (ignored while another
    /// command runs): the world point, or nothing when cancelled.
    std::optional<cad::Point> PickForDialog(std::string_view prompt);
    QLineEdit* Field(int number) const { return m_text[static_cast<std::size_t>(number - 1)]; }

    session::Session m_session;
    sheet::SpreadsheetSession m_spreadsheet; ///< the session's workbook (one sheet per table)
    cad::DrawingDocument m_document;
    std::unique_ptr<DesktopPrompts> m_ownPrompts;
    DesktopPrompts* m_prompts = nullptr;
    DrawingWindow* m_drawing = nullptr;
    ProgressWindow* m_progress = nullptr;
    QPointer<HelpWindow> m_help;
    std::vector<formats::FieldPoint> m_fieldPoints;
    std::string m_fieldSource;
    std::string m_lastPointFile; ///< where the last point file went, suggested next time

    QRadioButton* m_jdMethod = nullptr;
    QRadioButton* m_elementMethod = nullptr;
    QCheckBox* m_joinPoints = nullptr;
    QLabel* m_loaded = nullptr;
    std::array<QLineEdit*, 7> m_text{};
    QWidget* m_commandPanel = nullptr;
    bool m_busy = false;
    bool m_centred = false;
};

} // namespace tesk::app
