// The main window with scripted prompts: the controls as the surveyor sees them, Initialize,
// Compute and its refusals, the point frame's focus and Enter keys, and the commands that draw
// or write a workbook.

#include "app/drawing_view.h"
#include "app/drawing_window.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/scripted_prompts.h"
#include "cad/design_line.h"
#include "session/command_handler.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <deque>
#include <numbers>

using namespace tesk;

namespace {

std::string Sample(const char* name) {
    return std::string(TESK_SOURCE_DIR) + "/samples/" + name;
}

const QStringList kAlignmentButtons = {"computeButton",      "stakeOutButton",  "drawLineButton",
                                       "pileStakeOutButton", "pileTableButton", "excelTableButton",
                                       "pileSketchButton"};
const QStringList kAlwaysButtons = {"initializeButton", "moreButton", "helpButton", "quitButton"};

/// Degrees of an azimuth text "DD°MM′SS.ss″".
double Degrees(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)°(\\d+)′([0-9.]+)″$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch()) {
        return std::nan("");
    }
    return m.captured(1).toDouble() + m.captured(2).toDouble() / 60.0 +
           m.captured(3).toDouble() / 3600.0;
}

// The sample main line starts at station 12000 at JD 1 and runs straight towards JD 2 for
// several hundred metres before its first curve.
constexpr double kJd1X = 3452000.0, kJd1Y = 502000.0;
constexpr double kJd2X = 3452430.294, kJd2Y = 502688.615;

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    app::ScriptedPrompts* m_prompts = nullptr;
    app::MainWindow* m_window = nullptr;
    QTemporaryDir m_settings;

    QPushButton* Button(const QString& name) { return m_window->findChild<QPushButton*>(name); }
    /// The point frame's fields in the window's order: station, angle, skew, X, Y, azimuth.
    QLineEdit* Text(int n) {
        static const char* const kNames[] = {"stationField", "angleField", "skewField",
                                             "xField",       "yField",     "azimuthField"};
        return m_window->findChild<QLineEdit*>(QString::fromLatin1(kNames[n - 1]));
    }
    void InitializeMainLine() {
        m_prompts->OpenAnswers = {Sample("main_line.jdx"), Sample("main_line.dl")};
        Button("initializeButton")->click();
        QVERIFY(m_prompts->Errors.empty());
        QVERIFY(Button("computeButton")->isEnabled());
    }

private slots:
    void initTestCase() {
        // The drawing window keeps its size and place in the settings: not the user's here.
        QVERIFY(m_settings.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
    }
    void init() {
        m_prompts = new app::ScriptedPrompts;
        m_window = new app::MainWindow(m_prompts);
        m_prompts->FocusHandler = [this](std::string_view name) { m_window->FocusField(name); };
        m_window->show();
        QApplication::setActiveWindow(m_window);
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }
    void cleanup() {
        delete m_window;
        delete m_prompts;
    }

    void ControlsAsTheSurveyorSeesThem() {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Tesk V5.6"));
        QVERIFY(m_window->findChild<QRadioButton*>("jdMethodOption")->isChecked());
        QCOMPARE(m_window->findChild<QRadioButton*>("jdMethodOption")->text(),
                 QStringLiteral("交点法—主线"));
        QCOMPARE(m_window->findChild<QRadioButton*>("elementMethodOption")->text(),
                 QStringLiteral("积木法—互通"));
        QCOMPARE(m_window->Method(), session::AlignmentMethod::IntersectionPoint);
        for (const QString& name : kAlignmentButtons) {
            QVERIFY2(!Button(name)->isEnabled(), qPrintable(name));
        }
        for (const QString& name : kAlwaysButtons) {
            QVERIFY2(Button(name)->isEnabled(), qPrintable(name));
        }
        // Captions with their leading blanks: one before "绘设计线", two before the others.
        QCOMPARE(Button("drawLineButton")->text(), QStringLiteral(" 绘设计线"));
        QCOMPARE(Button("computeButton")->text(), QStringLiteral("  计  算"));
        QCOMPARE(Button("excelTableButton")->text(), QStringLiteral("  坐标表－Excel"));
        QCOMPARE(Button("quitButton")->text(), QStringLiteral("  退  出"));
        QCOMPARE(m_window->findChild<QCheckBox*>("joinPointsCheck")->text(),
                 QStringLiteral("放样点多段线连接"));
        QCOMPARE(Text(3)->toolTip(),
                 QStringLiteral("桩位至设计线的斜距，左正右负，空格分隔可以放样多个桩位"));
        QCOMPARE(m_window->findChild<QLabel*>("Label2")->toolTip(),
                 QStringLiteral("桩位至设计线的斜距，左正右负"));
        QCOMPARE(m_window->findChild<QLabel*>("Label5")->toolTip(), Text(2)->toolTip());
        QCOMPARE(Text(6)->toolTip(), QStringLiteral("桩号对应设计线处的切线方位角"));
    }

    void InitializeEnablesTheCommandsAndEmptiesTheFields() {
        // A cancelled first dialog: one message, nothing enabled.
        Button("initializeButton")->click();
        QCOMPARE(m_prompts->Errors, std::vector<std::string>{"读取文件被取消！"});
        QVERIFY(!Button("computeButton")->isEnabled());
        // A JD file read and built, then the chain-break dialog cancelled: still nothing enabled.
        m_prompts->Errors.clear();
        m_prompts->OpenAnswers = {Sample("main_line.jdx")};
        Button("initializeButton")->click();
        QCOMPARE(m_prompts->Errors, std::vector<std::string>{"读取文件被取消！"});
        for (const QString& name : kAlignmentButtons) {
            QVERIFY2(!Button(name)->isEnabled(), qPrintable(name));
        }
        QVERIFY(m_window->Loaded().Line(session::AlignmentMethod::IntersectionPoint) == nullptr);

        for (int n = 1; n <= 6; ++n) {
            Text(n)->setText(QStringLiteral("old"));
        }
        m_prompts->Errors.clear();
        m_prompts->Titles.clear();
        m_prompts->Filters.clear();
        InitializeMainLine();
        QCOMPARE(m_prompts->Titles, (std::vector<std::string>{"读取平面资料", "读取断链资料"}));
        QCOMPARE(m_prompts->Filters[1],
                 std::string("文本文件(*.txt;*.dl)|*.txt;*.dl|所有文件（*.*)|*.*"));
        for (const QString& name : kAlignmentButtons) {
            QVERIFY2(Button(name)->isEnabled(), qPrintable(name));
        }
        for (int n = 1; n <= 6; ++n) {
            QVERIFY(Text(n)->isEnabled());
            QVERIFY(Text(n)->text().isEmpty());
        }
        const auto loaded = [this] {
            return m_window->Loaded().Line(session::AlignmentMethod::IntersectionPoint);
        };
        QVERIFY(loaded() != nullptr);
        QCOMPARE(loaded()->AlignmentFile, Sample("main_line.jdx"));
        QCOMPARE(loaded()->BreakFile, Sample("main_line.dl"));
        QCOMPARE(loaded()->Breaks.Breaks().size(), std::size_t{2});
        QVERIFY(m_window->Loaded().Line(session::AlignmentMethod::Element) == nullptr);

        // A later failed Initialize leaves the buttons, the fields and the loaded line as they
        // were: a file that is no JD file, and a JD file read whose chain-break file is not one.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString copy = dir.filePath(QStringLiteral("copy.jdx"));
        QVERIFY(QFile::copy(QString::fromStdString(Sample("main_line.jdx")), copy));
        const std::vector<std::deque<std::string>> failures = {
            {Sample("bridge.zw")}, {copy.toStdString(), Sample("bridge.zw")}};
        for (const std::deque<std::string>& answers : failures) {
            m_prompts->Errors.clear();
            Text(1)->setText(QStringLiteral("12400"));
            m_prompts->OpenAnswers = answers;
            Button("initializeButton")->click();
            QCOMPARE(m_prompts->Errors, std::vector<std::string>{"数据文件格式有误或操作有误！"});
            for (const QString& name : kAlignmentButtons) {
                QVERIFY2(Button(name)->isEnabled(), qPrintable(name));
            }
            QCOMPARE(Text(1)->text(), QStringLiteral("12400"));
            QCOMPARE(loaded()->AlignmentFile, Sample("main_line.jdx"));
            QCOMPARE(loaded()->BreakFile, Sample("main_line.dl"));
            QCOMPARE(loaded()->Breaks.Breaks().size(), std::size_t{2});
        }
    }

    void StatusLineShowsWhatIsLoadedForTheSelectedMethod() {
        QRadioButton* jd = m_window->findChild<QRadioButton*>("jdMethodOption");
        QRadioButton* element = m_window->findChild<QRadioButton*>("elementMethodOption");
        QCOMPARE(m_window->LoadedText(), QStringLiteral("交点法—主线　平面资料尚未读入"));
        InitializeMainLine();
        // The sample main line starts at 12000 in the first of its three chain-break sections.
        const QString main = m_window->LoadedText();
        QVERIFY2(main.startsWith(QStringLiteral("交点法—主线　平面资料：main_line.jdx　"
                                                "断链资料：main_line.dl　桩号：AK12+000.000～CK")),
                 qPrintable(main));
        element->click();
        QCOMPARE(m_window->LoadedText(), QStringLiteral("积木法—互通　平面资料尚未读入"));
        m_prompts->OpenAnswers = {Sample("ramp.jdx")};
        Button("initializeButton")->click();
        QVERIFY(m_prompts->Errors.empty());
        const QString ramp = m_window->LoadedText();
        QVERIFY2(
            ramp.startsWith(QStringLiteral("积木法—互通　平面资料：ramp.jdx　桩号：K0+000.000～K")),
            qPrintable(ramp));
        jd->click();
        QCOMPARE(m_window->LoadedText(), main);
        // A failed Initialize keeps the line that was loaded, and the status line says so.
        m_prompts->OpenAnswers = {"/nonexistent/x.jdx"};
        Button("initializeButton")->click();
        QCOMPARE(m_prompts->Errors.size(), std::size_t{1});
        QCOMPARE(m_window->LoadedText(), main);
    }

    void ElementMethodAsksForOneFile() {
        m_window->findChild<QRadioButton*>("elementMethodOption")->click();
        QCOMPARE(m_window->Method(), session::AlignmentMethod::Element);
        m_prompts->OpenAnswers = {Sample("ramp.jdx")};
        Button("initializeButton")->click();
        QVERIFY(m_prompts->Errors.empty());
        QCOMPARE(m_prompts->Titles, std::vector<std::string>{"读取平面资料"});
        QVERIFY(Button("pileSketchButton")->isEnabled());
        const session::LoadedLine* line =
            m_window->Loaded().Line(session::AlignmentMethod::Element);
        QVERIFY(line && line->Elements && !line->Jd);
        QCOMPARE(line->AlignmentFile, Sample("ramp.jdx"));
        QVERIFY(line->BreakFile.empty());
    }

    void OtherMethodWithoutItsOwnInitializeIsRefused() {
        // The main line is loaded; the element option has never been initialized: the commands
        // must say so instead of computing on the other method's line.
        InitializeMainLine();
        // A station after the main line's forward chain break, as the loaded line places it.
        Text(1)->setText(QStringLiteral("15000"));
        Button("computeButton")->click();
        const QString afterBreakX = Text(4)->text();
        const QString afterBreakY = Text(5)->text();
        QVERIFY(!afterBreakX.isEmpty());
        m_window->findChild<QRadioButton*>("elementMethodOption")->click();
        const std::string refusal = "“积木法—互通”的平面资料尚未读入，请先按“初始化”！";
        Text(1)->setText(QStringLiteral("0"));
        Text(4)->setText(QStringLiteral("stale"));
        Button("computeButton")->click();
        QCOMPARE(m_prompts->Refusals, std::vector<std::string>{refusal});
        QVERIFY(Text(4)->text().isEmpty() && Text(5)->text().isEmpty() &&
                Text(6)->text().isEmpty());

        // Drawing refuses before the main window gives way to the progress window.
        Button("drawLineButton")->click();
        QCOMPARE(m_prompts->Refusals.size(), std::size_t{2});
        QVERIFY(m_window->isVisible());
        QVERIFY(!m_window->Progress().isVisible());
        QVERIFY(m_window->Document().Entities().empty());
        // The pile commands refuse before asking for a file.
        for (const char* name : {"stakeOutButton", "pileStakeOutButton", "pileTableButton",
                                 "excelTableButton", "pileSketchButton"}) {
            m_prompts->Refusals.clear();
            Button(name)->click();
            QCOMPARE(m_prompts->Refusals, std::vector<std::string>{refusal});
        }
        QCOMPARE(m_prompts->Titles.size(), std::size_t{2}); // only Initialize's two dialogs
        QVERIFY(m_prompts->Errors.empty());

        // Once the ramp is loaded too, each option computes on its own line.
        m_prompts->OpenAnswers = {Sample("ramp.jdx")};
        Button("initializeButton")->click();
        QVERIFY(m_prompts->Errors.empty());
        m_prompts->Refusals.clear();
        Text(1)->setText(QStringLiteral("0"));
        Button("computeButton")->click();
        QVERIFY(m_prompts->Refusals.empty());
        QVERIFY(std::abs(Text(4)->text().toDouble() - 3452650.0) < 0.00006); // the ramp's start
        m_window->findChild<QRadioButton*>("jdMethodOption")->click();
        Text(1)->setText(QStringLiteral("12400"));
        Button("computeButton")->click();
        QVERIFY(m_prompts->Refusals.empty());
        const double azimuth = std::atan2(kJd2Y - kJd1Y, kJd2X - kJd1X);
        QVERIFY(std::abs(Text(4)->text().toDouble() - (kJd1X + 400.0 * std::cos(azimuth))) <
                0.00006);
        // The element line has no chain breaks; back on the JD option the main line's are in
        // force again, so the station lands where it did before.
        Text(1)->setText(QStringLiteral("15000"));
        Button("computeButton")->click();
        QCOMPARE(Text(4)->text(), afterBreakX);
        QCOMPARE(Text(5)->text(), afterBreakY);
    }

    void ComputeOnTheFirstStraight() {
        InitializeMainLine();
        const double azimuth = std::atan2(kJd2Y - kJd1Y, kJd2X - kJd1X);
        constexpr double kRound = 0.00006; // m: four decimals shown, rounding included

        // On the line: 400 m from the start point along the first leg.
        Text(1)->setText(QStringLiteral("12400"));
        Button("computeButton")->click();
        QVERIFY(m_prompts->Refusals.empty());
        const double x0 = Text(4)->text().toDouble();
        const double y0 = Text(5)->text().toDouble();
        QVERIFY(std::abs(x0 - (kJd1X + 400.0 * std::cos(azimuth))) < kRound);
        QVERIFY(std::abs(y0 - (kJd1Y + 400.0 * std::sin(azimuth))) < kRound);
        QVERIFY(std::abs(Degrees(Text(6)->text()) - azimuth * 180.0 / std::numbers::pi) <
                0.006 / 3600.0); // the seconds are shown with two decimals
        QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d{4}$"))
                    .match(Text(4)->text())
                    .hasMatch());

        // 5 m left, square to the line (empty angle = 90 degrees).
        Text(3)->setText(QStringLiteral(" 5 "));
        Button("computeButton")->click();
        const double left = azimuth - std::numbers::pi / 2;
        QVERIFY(std::abs(Text(4)->text().toDouble() - (x0 + 5.0 * std::cos(left))) < 2 * kRound);
        QVERIFY(std::abs(Text(5)->text().toDouble() - (y0 + 5.0 * std::sin(left))) < 2 * kRound);

        // 4 m right at 60 degrees: along azimuth + 60 - 180 with distance -4.
        Text(2)->setText(QStringLiteral("60"));
        Text(3)->setText(QStringLiteral("-4"));
        Button("computeButton")->click();
        const double beta = azimuth + std::numbers::pi / 3 - std::numbers::pi;
        QVERIFY(std::abs(Text(4)->text().toDouble() - (x0 - 4.0 * std::cos(beta))) < 2 * kRound);
        QVERIFY(std::abs(Text(5)->text().toDouble() - (y0 - 4.0 * std::sin(beta))) < 2 * kRound);
    }

    void ComputeRefusesWithTheFocusOnTheField() {
        InitializeMainLine();
        // Every refusal's box with what comes before and after it: the chain-break placement
        // brings the main window up first and leaves the focus where it is; the others move it
        // to the field to retype.
        struct Case {
            QString Station, Angle, Skew;
            std::vector<std::string> Events;
            std::string Field; ///< the focused field afterwards; empty = no focus move
        };
        const std::string gap = "桩号14880不应存在14862.415和14900之间，请修改！";
        const std::string twice = "程序不能判断桩号19330所属的断链区间，需添加断链标识A、B、C...";
        const std::vector<Case> cases = {
            {"12400",
             "180",
             "",
             {"refuse:右偏角应在0～180之间！", "focus:angleField"},
             "angleField"},
            {"12400",
             "-1",
             "",
             {"refuse:右偏角应在0～180之间！", "focus:angleField"},
             "angleField"},
            {"12400",
             "",
             "3  -3",
             {"refuse:斜距3  -3存在空格，不能计算，可以放样！", "focus:skewField"},
             "skewField"},
            {"99999",
             "",
             "",
             {"refuse:桩号99999超出平面数据文件，请修改！", "focus:stationField"},
             "stationField"},
            {"D100",
             "",
             "",
             {"refuse:桩号D100断链标识有误，请修改！", "focus:stationField"},
             "stationField"},
            {"B1x",
             "",
             "",
             {"refuse:桩号B1x有误，应为以米计的数，如1234.567或B1234.567，请修改！",
              "focus:stationField"},
             "stationField"},
            {"14880", "", "", {"activate:", "refuse:" + gap}, ""},
            {"19330", "", "", {"activate:", "refuse:" + twice}, ""},
        };
        for (const Case& c : cases) {
            // Outputs of an earlier run must not survive a refusal.
            Text(1)->setText(QStringLiteral("12400"));
            Text(2)->clear();
            Text(3)->clear();
            Button("computeButton")->click();
            QVERIFY(!Text(4)->text().isEmpty());
            Text(4)->setFocus();
            m_prompts->Events.clear();
            Text(1)->setText(c.Station);
            Text(2)->setText(c.Angle);
            Text(3)->setText(c.Skew);
            Button("computeButton")->click();
            QCOMPARE(m_prompts->Events, c.Events);
            const QString focused =
                c.Field.empty() ? QStringLiteral("xField") : QString::fromStdString(c.Field);
            QCOMPARE(QApplication::focusWidget()->objectName(), focused);
            if (!c.Field.empty()) {
                QCOMPARE(static_cast<QLineEdit*>(QApplication::focusWidget())->selectedText(),
                         static_cast<QLineEdit*>(QApplication::focusWidget())->text());
            }
            QVERIFY(Text(4)->text().isEmpty() && Text(5)->text().isEmpty() &&
                    Text(6)->text().isEmpty());
        }
        // 179.9 is accepted.
        Text(1)->setText(QStringLiteral("12400"));
        Text(2)->setText(QStringLiteral("179.9"));
        Text(3)->setText(QStringLiteral("2"));
        m_prompts->Refusals.clear();
        Button("computeButton")->click();
        QVERIFY(m_prompts->Refusals.empty());
        QVERIFY(!Text(4)->text().isEmpty());
    }

    void EnterWalksTheFieldsAndComputes() {
        // Before Initialize, Enter in the last field must not compute on an empty alignment.
        Text(3)->setFocus();
        QTest::keyClick(Text(3), Qt::Key_Return);
        QVERIFY(m_prompts->Events.empty());

        InitializeMainLine();
        Text(1)->setFocus();
        QTest::keyClicks(Text(1), QStringLiteral("12400"));
        QTest::keyClick(Text(1), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), Text(2));
        QTest::keyClick(Text(2), Qt::Key_Enter); // the keypad's Enter too
        QCOMPARE(QApplication::focusWidget(), Text(3));
        QTest::keyClicks(Text(3), QStringLiteral("5"));
        QTest::keyClick(Text(3), Qt::Key_Return);
        QVERIFY(!Text(4)->text().isEmpty());
        QVERIFY(!Text(6)->text().isEmpty());
    }

    void FocusedFieldTurnsLightGreenAndSelectsItsText() {
        const QColor normal = Text(2)->palette().color(QPalette::Base);
        QVERIFY(normal != QColor(192, 255, 192));
        for (int n = 1; n <= 6; ++n) {
            Text(n)->setText(QStringLiteral("text %1").arg(n));
        }
        for (int n = 1; n <= 6; ++n) {
            Text(n)->setFocus();
            QApplication::processEvents();
            QCOMPARE(Text(n)->palette().color(QPalette::Base), QColor(192, 255, 192));
            QCOMPARE(Text(n)->selectedText(), Text(n)->text());
            for (int other = 1; other <= 6; ++other) {
                if (other != n) {
                    QCOMPARE(Text(other)->palette().color(QPalette::Base), normal);
                }
            }
        }
        // A click into the field selects its text as well.
        QTest::mouseClick(Text(1), Qt::LeftButton, {}, QPoint(5, 5));
        QApplication::processEvents();
        QCOMPARE(Text(1)->selectedText(), Text(1)->text());
    }

    void DrawDesignLineShowsStagesAndReturnsOnDoubleClick() {
        InitializeMainLine();
        // Every text the progress window paints, in order.
        QStringList painted;
        struct PaintSpy : QObject {
            QStringList* Out;
            QLabel* Label;
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::Paint &&
                    (Out->isEmpty() || Out->constLast() != Label->text())) {
                    Out->append(Label->text());
                }
                return false;
            }
        } spy;
        spy.Out = &painted;
        spy.Label = m_window->Progress().findChild<QLabel*>("Label1");
        spy.Label->installEventFilter(&spy);

        Button("drawLineButton")->click();
        QVERIFY(m_prompts->Errors.empty());
        QVERIFY(!m_window->isVisible());
        QVERIFY(m_window->Progress().isVisible());
        QCOMPARE(m_window->Progress().size(), QSize(260, 43)); // 3900 x 645 twips at 96 dpi
        QVERIFY(m_window->Drawing().isVisible());
        QCOMPARE(m_window->Progress().Stage(), QStringLiteral("设计线绘制完毕，双击返回"));
        for (const std::string_view stage :
             {cad::kStageDesignLine, cad::kStageTangentLines, cad::kStageStartEnd,
              cad::kStageStakes, cad::kStageMainPoints, cad::kStageChainBreaks}) {
            QVERIFY2(painted.contains(QString::fromUtf8(stage.data(), stage.size())),
                     qPrintable(painted.join(u'|')));
        }
        QCOMPARE(painted.constLast(), QStringLiteral("设计线绘制完毕，双击返回"));

        // The drawing window received the line on its layers.
        const cad::DrawingDocument& doc = m_window->Document();
        QVERIFY(doc.Entities().size() > 50);
        bool onCentreLine = false;
        for (const cad::DrawnEntity& e : doc.Entities()) {
            onCentreLine = onCentreLine || e.Layer == cad::kCentreLineLayer;
        }
        QVERIFY(onCentreLine);
        // The view shows the start point (JD 1) after the drawing.
        const QPointF start = m_window->Drawing().View().WorldToScreen(kJd1Y, kJd1X);
        QVERIFY(QRectF(m_window->Drawing().View().rect()).contains(start));

        QTest::mouseDClick(&m_window->Progress(), Qt::LeftButton);
        QVERIFY(!m_window->Progress().isVisible());
        QVERIFY(m_window->isVisible());
        spy.Label->removeEventFilter(&spy);
    }

    void ElementLineIsDrawnBehindTheProgressWindowToo() {
        m_window->findChild<QRadioButton*>("elementMethodOption")->click();
        m_prompts->OpenAnswers = {Sample("ramp.jdx")};
        Button("initializeButton")->click();
        QVERIFY(m_prompts->Errors.empty());
        Button("drawLineButton")->click();
        QVERIFY(m_prompts->Errors.empty());
        QVERIFY(!m_window->isVisible());
        QCOMPARE(m_window->Progress().Stage(), QStringLiteral("设计线绘制完毕，双击返回"));
        // The ramp starts at (X 3452650, Y 502930), heading 58 degrees; the view shows it.
        const QPointF start = m_window->Drawing().View().WorldToScreen(502930.0, 3452650.0);
        QVERIFY(QRectF(m_window->Drawing().View().rect()).contains(start));
        bool centreLine = false;
        for (const cad::DrawnEntity& e : m_window->Document().Entities()) {
            centreLine = centreLine || e.Layer == cad::kCentreLineLayer;
            QVERIFY(e.Layer != "交点线"); // no tangent lines on an element line
        }
        QVERIFY(centreLine);
        QTest::mouseDClick(&m_window->Progress(), Qt::LeftButton);
        QVERIFY(m_window->isVisible());
    }

    void AStationBeyondWhatADoubleHoldsIsRefusedWhenLoading() {
        // A start station of 1e16 m (steps of 2 m in a double) used to load and fail only when
        // the drawing came to its stakes; it is refused where it is read, so that every command
        // agrees, and nothing is drawn.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString jd = dir.filePath(QStringLiteral("huge.jdx"));
        const QString breaks = dir.filePath(QStringLiteral("none.dl"));
        for (const auto& [path, text] :
             {std::pair{jd, QByteArray("huge,1e16\n;;\n"
                                       "JD0\n3452000 502000 0 0 0\n"
                                       "JD1\n3452430.294 502688.615 1200 150 150\n"
                                       "JD2\n3452548.421 503585.873 0 0 0\n")},
              std::pair{breaks, QByteArray("-1 0\n")}}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
        }
        m_prompts->OpenAnswers = {jd.toStdString(), breaks.toStdString()};
        Button("initializeButton")->click();
        QCOMPARE(m_prompts->Errors, std::vector<std::string>{std::string(session::kFormatMessage)});
        QVERIFY(m_prompts->Technical.at(0).find("line 1: the start station") != std::string::npos);
        QVERIFY(m_window->Loaded().Line(session::AlignmentMethod::IntersectionPoint) == nullptr);
    }

    void ClosingTheProgressWindowAlsoReturns() {
        InitializeMainLine();
        Button("drawLineButton")->click();
        QVERIFY(!m_window->isVisible());
        m_window->Progress().close(); // the window manager's close, e.g. Alt+F4
        QVERIFY(m_window->isVisible());
        QVERIFY(!m_window->Progress().isVisible());
    }

    void CoordinateTableIsPlacedAtThePickedPoint() {
        InitializeMainLine();
        std::vector<std::string> prompts;
        m_window->Document().SetPickHandler([&](std::string_view prompt) {
            prompts.emplace_back(prompt);
            return std::optional<cad::Point>(cad::Point{1000.0, 2000.0, 0.0});
        });
        m_prompts->OpenAnswers = {Sample("bridge.zw")};
        Button("pileTableButton")->click();
        QVERIFY(m_prompts->Errors.empty());
        QCOMPARE(prompts, std::vector<std::string>{"输入插入点:"});
        const std::optional<cad::Extents> box = m_window->Document().ComputeExtents();
        QVERIFY(box);
        // The table hangs from its top-left corner at the picked point.
        QVERIFY(std::abs(box->MinX - 1000.0) < 1.0);
        QVERIFY(box->MaxX > 1000.0 + 30.0);

        // A cancelled pick ends the command with the error box and draws nothing.
        const std::size_t before = m_window->Document().Entities().size();
        m_window->Document().SetPickHandler(
            [](std::string_view) { return std::optional<cad::Point>(); });
        m_prompts->OpenAnswers = {Sample("bridge.zw")};
        Button("pileSketchButton")->click();
        QCOMPARE(m_prompts->Errors, std::vector<std::string>{std::string(session::kFormatMessage)});
        QCOMPARE(m_window->Document().Entities().size(), before);
    }

    void PickInTheDrawingWindowItself() {
        InitializeMainLine();
        app::DrawingWindow& drawing = m_window->Drawing();
        QPoint click(200, 150);
        cad::Point expected;
        QString prompt;
        QTimer::singleShot(100, this, [&] {
            prompt = drawing.PickPrompt();
            expected = drawing.View().ScreenToWorld(click);
            QTest::mouseClick(&drawing.View(), Qt::LeftButton, {}, click);
        });
        m_prompts->OpenAnswers = {Sample("bridge.zw")};
        Button("pileSketchButton")->click();
        QVERIFY(prompt.startsWith(QStringLiteral("输入插入点:")));
        QVERIFY(m_prompts->Errors.empty());
        QVERIFY(drawing.isVisible());
        QVERIFY(!m_window->Document().Entities().empty());
        // The sketch starts at the picked left end of its axis.
        const std::optional<cad::Extents> box = m_window->Document().ComputeExtents();
        QVERIFY(box && box->MinX <= expected.X + 1e-6 && box->MaxX > expected.X);
    }

    void StakeOutPutsPointsAndAPolyline() {
        InitializeMainLine();
        Text(1)->setText(QStringLiteral("12400"));
        Text(3)->setText(QStringLiteral("  3    -3 "));
        Text(4)->setText(QStringLiteral("stale"));
        m_window->findChild<QCheckBox*>("joinPointsCheck")->setChecked(true);
        Button("stakeOutButton")->click();
        QVERIFY(m_prompts->Errors.empty() && m_prompts->Refusals.empty());
        QVERIFY(Text(4)->text().isEmpty());
        int points = 0, polylines = 0;
        for (const cad::DrawnEntity& e : m_window->Document().Entities()) {
            points += std::holds_alternative<cad::DrawnPoint>(e.Shape);
            polylines += std::holds_alternative<cad::DrawnPolyline>(e.Shape);
        }
        QCOMPARE(points, 2);
        QCOMPARE(polylines, 1);
        QVERIFY(m_window->Drawing().isVisible());

        // The pile file's stake-out adds one point per pile.
        m_prompts->OpenAnswers = {Sample("bridge.zw")};
        Button("pileStakeOutButton")->click();
        QVERIFY(m_prompts->Errors.empty());
        points = 0;
        for (const cad::DrawnEntity& e : m_window->Document().Entities()) {
            points += std::holds_alternative<cad::DrawnPoint>(e.Shape);
        }
        QVERIFY(points > 2 + 20);
    }

    void ExcelTableIsSavedWhereTheUserSays() {
        InitializeMainLine();
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // Declining the save dialog writes nothing and shows no message.
        m_prompts->OpenAnswers = {Sample("bridge.zw")};
        Button("excelTableButton")->click();
        QVERIFY(m_prompts->Errors.empty());
        QCOMPARE(m_prompts->Suggested, std::vector<std::string>{Sample("bridge.xlsx")});
        QVERIFY(m_prompts->Opened.empty());

        const QString path = dir.filePath(QStringLiteral("桩位坐标.xlsx"));
        m_prompts->OpenAnswers = {Sample("bridge.zw")};
        m_prompts->SaveAnswers = {path.toStdString()};
        Button("excelTableButton")->click();
        QVERIFY(m_prompts->Errors.empty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(2), QByteArray("PK")); // a zip package
        QCOMPARE(m_prompts->Opened, std::vector<std::string>{path.toStdString()});
        // No program to open it: the user is told where it is.
        QCOMPARE(m_prompts->Notices.size(), std::size_t{1});
        QVERIFY(m_prompts->Notices[0].find(path.toStdString()) != std::string::npos);

        // The workbook as another program reads it: the piles of the first pier, 6.25 m right
        // and left of B15060 square to the line, are the points Compute gives for them.
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import sys, openpyxl\n"
                                     "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
                                     "for row in ws.iter_rows(values_only=True):\n"
                                     "    for v in row:\n"
                                     "        if isinstance(v, (int, float)): print(repr(v))\n"),
                      path});
        QVERIFY(python.waitForFinished(60000));
        if (python.exitCode() != 0) {
            QSKIP("python3 with openpyxl is not available");
        }
        std::vector<double> numbers;
        for (const QByteArray& line : python.readAllStandardOutput().split('\n')) {
            if (!line.trimmed().isEmpty()) {
                numbers.push_back(line.trimmed().toDouble());
            }
        }
        const auto contains = [&](double value) {
            for (const double n : numbers) {
                if (std::abs(n - value) < 0.00006) { // Compute shows four decimals
                    return true;
                }
            }
            return false;
        };
        for (const char* skew : {"-6.25", "6.25"}) {
            Text(1)->setText(QStringLiteral("B15060"));
            Text(2)->setText(QStringLiteral("90"));
            Text(3)->setText(QString::fromLatin1(skew));
            Button("computeButton")->click();
            QVERIFY(!Text(4)->text().isEmpty());
            QVERIFY2(contains(Text(4)->text().toDouble()), qPrintable(Text(4)->text()));
            QVERIFY2(contains(Text(5)->text().toDouble()), qPrintable(Text(5)->text()));
        }

        // A folder that cannot be written ends the command with the error box, headed as a
        // file that cannot be written.
        m_prompts->OpenAnswers = {Sample("bridge.zw")};
        m_prompts->SaveAnswers = {"/nonexistent-folder/x.xlsx"};
        Button("excelTableButton")->click();
        QCOMPARE(m_prompts->Errors,
                 std::vector<std::string>{
                     "文件无法写入：/nonexistent-folder/x.xlsx\n文件或文件夹不存在"});
    }

    void CtrlMInTheDrawingWindowBringsTheMainWindowBack() {
        InitializeMainLine();
        // After a drawing the main window hides behind the progress window, after a stake-out
        // it is covered by the drawing window: Ctrl+M there brings it back in both cases.
        for (const char* command : {"drawLineButton", "stakeOutButton"}) {
            Text(1)->setText(QStringLiteral("12100"));
            Button(command)->click();
            QVERIFY(m_prompts->Errors.empty());
            QVERIFY(m_window->Drawing().isVisible());
            QApplication::setActiveWindow(&m_window->Drawing());
            QVERIFY(QTest::qWaitForWindowActive(&m_window->Drawing()));
            QSignalSpy asked(&m_window->Drawing(), &app::DrawingWindow::MainWindowRequested);
            QTest::keyClick(&m_window->Drawing(), Qt::Key_M, Qt::ControlModifier);
            QCOMPARE(asked.count(), 1);
            QVERIFY2(m_window->isVisible(), command);
            QVERIFY(!m_window->Progress().isVisible());
            QVERIFY(QTest::qWaitForWindowActive(m_window));
        }
    }

    void CtrlDShowsTheDrawingWindowAgain() {
        QVERIFY(!m_window->Drawing().isVisible());
        QTest::keyClick(m_window, Qt::Key_D, Qt::ControlModifier);
        QVERIFY(m_window->Drawing().isVisible());
    }

    void ExitAsksOnlyWhenADrawingWouldBeLost() {
        m_window->Document().AddPoint({0, 0, 0});
        m_prompts->ConfirmAnswers = {false};
        Button("quitButton")->click();
        QCOMPARE(m_prompts->Notices.size(), std::size_t{1});
        QVERIFY(m_window->isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
