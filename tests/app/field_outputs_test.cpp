// The field outputs of the window: the points of the last computation kept by the main window,
// exported as point files (their point lines and coordinates read back) and set out by the polar
// dialog, whose angles are checked against directions computed here from the coordinates.

#include "app/drawing_window.h"
#include "app/main_window.h"
#include "app/scripted_prompts.h"
#include "app/survey_dialogs.h"
#include "formats/point_file.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <numbers>

using namespace tesk;

namespace {

std::string Sample(const char* name) {
    return std::string(TESK_SOURCE_DIR) + "/samples/" + name;
}

/// The whole content of a written file.
QByteArray Content(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// Degrees of a direction text "DD°MM′SS.ss″"; NaN for another text.
double Degrees(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)°(\\d+)′([0-9.]+)″$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch()) {
        return std::nan("");
    }
    return m.captured(1).toDouble() + m.captured(2).toDouble() / 60.0 +
           m.captured(3).toDouble() / 3600.0;
}

/// The clockwise direction (degrees, [0, 360)) of the survey vector (dx north, dy east).
double Bearing(double dx, double dy) {
    const double degrees = std::atan2(dy, dx) * 180.0 / std::numbers::pi;
    return degrees < 0.0 ? degrees + 360.0 : degrees;
}

/// How far apart two directions are, degrees, across north.
double AngleApart(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

constexpr double kStationX = 3453200.0, kStationY = 504700.0;

} // namespace

class FieldOutputsTest : public QObject {
    Q_OBJECT

    app::ScriptedPrompts* m_prompts = nullptr;
    app::MainWindow* m_window = nullptr;
    QTemporaryDir m_settings;
    QTemporaryDir m_dir;

    QAction* Action(const char* name) {
        return m_window->findChild<QAction*>(QString::fromLatin1(name));
    }
    void Type(QWidget* parent, const char* field, const QString& text) {
        auto* edit = parent->findChild<QLineEdit*>(QString::fromLatin1(field));
        QVERIFY2(edit, field);
        edit->setText(text);
    }
    void Click(const char* button) {
        m_window->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    }
    void InitializeMainLine() {
        m_prompts->OpenAnswers = {Sample("main_line.jdx"), Sample("main_line.dl")};
        m_window->InitializeClicked();
        QVERIFY(m_prompts->Errors.empty());
    }
    /// "计  算" at B15120, 75 degrees, 6.5 m to the right.
    void ComputeSidePoint() {
        Type(m_window, "stationField", QStringLiteral("B15120"));
        Type(m_window, "angleField", QStringLiteral("75"));
        Type(m_window, "skewField", QStringLiteral("-6.5"));
        const std::size_t before = m_prompts->Events.size();
        m_window->ComputeClicked();
        QCOMPARE(m_prompts->Events.size(), before);
    }
    QString Field(const char* name) {
        return m_window->findChild<QLineEdit*>(QString::fromLatin1(name))->text();
    }
    void SetUp(QWidget* dialog, double sx, double sy, double bx, double by) {
        Type(dialog, "stationXField", QString::number(sx, 'f', 4));
        Type(dialog, "stationYField", QString::number(sy, 'f', 4));
        Type(dialog, "backsightXField", QString::number(bx, 'f', 4));
        Type(dialog, "backsightYField", QString::number(by, 'f', 4));
    }
    /// Triggers "导出点文件…" answering the save dialog with `name` in the temporary folder.
    QString Export(const QString& name) {
        const QString path = m_dir.filePath(name);
        m_prompts->SaveAnswers = {path.toStdString()};
        Action("exportPointsAction")->trigger();
        return path;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_settings.isValid() && m_dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
    }
    void init() {
        m_prompts = new app::ScriptedPrompts;
        m_window = new app::MainWindow(m_prompts);
        m_window->show();
    }
    void cleanup() {
        delete m_window;
        delete m_prompts;
    }

    void NothingToExportOrSetOutBeforeAComputation() {
        Action("exportPointsAction")->trigger();
        Action("polarAction")->trigger();
        QCOMPARE(m_prompts->Refusals, (std::vector<std::string>{"没有可导出的点，请先计算！",
                                                                "没有可放样的点，请先计算！"}));
        QVERIFY(m_prompts->Titles.empty()); // no save dialog
        QVERIFY(m_window->findChild<app::PolarDialog*>() == nullptr);

        // A new Initialize forgets the points of the line before.
        InitializeMainLine();
        ComputeSidePoint();
        QCOMPARE(m_window->FieldPoints().size(), std::size_t{1});
        InitializeMainLine();
        QVERIFY(m_window->FieldPoints().empty());
    }

    void TheComputedPointInEveryFormat_data() {
        // The format goes by the extension; each file holds the point under its stake name.
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("cass") << QStringLiteral("p.dat") << QByteArray("BK15+120R6.5,,");
        QTest::newRow("csv") << QStringLiteral("p.csv")
                             << QByteArray("\xEF\xBB\xBF"
                                           "BK15+120R6.5,");
        QTest::newRow("gsi") << QStringLiteral("p.gsi") << QByteArray("*110001+0000BK15+120R6.5 ");
        QTest::newRow("sdr") << QStringLiteral("P.SDR") << QByteArray("08KI    BK15+120R6.5");
    }
    void TheComputedPointInEveryFormat() {
        QFETCH(QString, file);
        QFETCH(QByteArray, line);
        InitializeMainLine();
        ComputeSidePoint();
        const QString path = Export(file);
        QVERIFY(m_prompts->Errors.empty() && m_prompts->Refusals.empty());
        QCOMPARE(m_prompts->Titles.back(), std::string("导出点文件"));
        QVERIFY2(Content(path).contains(line), Content(path).constData());
        // The user is told where the file went and how many points it holds.
        const std::string& notice = m_prompts->Notices.back();
        QVERIFY2(notice.find(path.toStdString()) != std::string::npos, notice.c_str());
        QVERIFY2(notice.find("1个点") != std::string::npos, notice.c_str());
        // North and east where the window shows X and Y (CASS writes east first).
        const auto read = formats::ReadPointFile(Export(QStringLiteral("p.dat")).toStdString());
        QCOMPARE(read.size(), std::size_t{1});
        QVERIFY(std::abs(read[0].X - Field("xField").toDouble()) < 0.00006);
        QVERIFY(std::abs(read[0].Y - Field("yField").toDouble()) < 0.00006);
    }

    void SideStakesOfTheTableDialog() {
        InitializeMainLine();
        Action("sideStakeAction")->trigger();
        auto* dialog = m_window->findChild<app::SideStakeDialog*>();
        QVERIFY(dialog);
        Type(dialog, "stakeFrom", QStringLiteral("B15100"));
        Type(dialog, "stakeTo", QStringLiteral("B15200"));
        Type(dialog, "stakeLeft", QStringLiteral("12.5"));
        Type(dialog, "stakeRight", QStringLiteral("3"));
        dialog->Make(); // the workbook's save dialog is declined: the points are still made
        QVERIFY(m_prompts->Errors.empty() && m_prompts->Refusals.empty());
        const session::SideStakeTable& table = dialog->Table();
        QVERIFY(!table.Rows.empty());
        QCOMPARE(m_window->FieldPointsSource(), std::string("逐桩坐标表 BK15+100～BK15+200"));

        const auto points =
            formats::ReadPointFile(Export(QStringLiteral("stakes.dat")).toStdString());
        QVERIFY(m_prompts->Errors.empty() && m_prompts->Refusals.empty());
        QCOMPARE(points.size(), 3 * table.Rows.size());
        for (std::size_t r = 0; r < table.Rows.size(); ++r) {
            const session::SideStakeRow& row = table.Rows[r];
            const std::string stake = QString::fromStdString(row.At.Label)
                                          .remove(QRegularExpression(QStringLiteral("\\.?0+$")))
                                          .toStdString();
            const geometry::PlanePoint at[] = {
                {row.Centre.X, row.Centre.Y}, row.Points[0], row.Points[1]};
            const std::string names[] = {stake, stake + "L12.5", stake + "R3"};
            for (std::size_t k = 0; k < 3; ++k) {
                QCOMPARE(points[3 * r + k].Name, names[k]);
                QVERIFY(std::abs(points[3 * r + k].X - at[k].X) < 0.00006);
                QVERIFY(std::abs(points[3 * r + k].Y - at[k].Y) < 0.00006);
            }
        }
        QCOMPARE(points.front().Name, std::string("BK15+100"));
    }

    void PilesOfEveryPileCommand_data() {
        QTest::addColumn<QString>("button");
        for (const char* button :
             {"pileStakeOutButton", "pileTableButton", "excelTableButton", "pileSketchButton"}) {
            QTest::newRow(button) << QString::fromLatin1(button);
        }
    }
    void PilesOfEveryPileCommand() {
        QFETCH(QString, button);
        InitializeMainLine();
        // The first pile of the sample bridge, 6.25 m right of B15060 square to the line.
        Type(m_window, "stationField", QStringLiteral("B15060"));
        Type(m_window, "skewField", QStringLiteral("-6.25"));
        m_window->ComputeClicked();
        m_window->Document().SetPickHandler([](std::string_view) {
            return std::optional<cad::Point>(cad::Point{0, 0, 0});
        });
        m_prompts->OpenAnswers = {Sample("bridge.zw")};
        Click(button.toLatin1().constData());
        QVERIFY(m_prompts->Errors.empty() && m_prompts->Refusals.empty());
        QCOMPARE(m_window->FieldPointsSource(), std::string("桩位资料 bridge.zw"));
        const std::vector<formats::FieldPoint>& piles = m_window->FieldPoints();
        QCOMPARE(piles.size(), std::size_t{31});
        QCOMPARE(piles[1].Name + piles[2].Name, std::string("0-21-1"));
        QVERIFY(std::abs(piles[0].X - Field("xField").toDouble()) < 0.00006);
        QVERIFY(std::abs(piles[0].Y - Field("yField").toDouble()) < 0.00006);
    }

    void LocatedPointWithTheDesignElevationAtItsFoot() {
        InitializeMainLine();
        m_prompts->OpenAnswers = {Sample("main_line.sqx")};
        Action("profileAction")->trigger();
        Action("locateAction")->trigger();
        auto* dialog = m_window->findChild<app::LocateDialog*>();
        // 12.5 m left of BK15+120: on the grade from K13+200 (118 m) to BK15+600 (106 m).
        Type(dialog, "locateX", QStringLiteral("3453254.3327"));
        Type(dialog, "locateY", QStringLiteral("504766.3420"));
        dialog->LocateTyped();
        const formats::FieldPoint& p = m_window->FieldPoints().at(0);
        QVERIFY(p.Name == "P1" && p.X == 3453254.3327 && p.Y == 504766.3420 && p.H);
        QVERIFY(std::abs(*p.H - (118.0 - (15082.415 - 13200.0) * 12.0 / 2362.415)) < 0.0005);
    }

    void ExportRefusals() {
        InitializeMainLine();
        // Two located points of one name: refused before a file is asked for.
        const QString input = m_dir.filePath(QStringLiteral("twice.txt"));
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("A,3453254.3327,504766.3420\nA,3453242.7164,504770.9586\n");
        file.close();
        Action("locateAction")->trigger();
        m_prompts->OpenAnswers = {input.toStdString()};
        m_window->findChild<app::LocateDialog*>()->LocateFile();
        m_prompts->Titles.clear();
        Action("exportPointsAction")->trigger();
        QCOMPARE(m_prompts->Refusals,
                 std::vector<std::string>{"点名A重复，点文件中的点名必须各不相同！"});
        QVERIFY(m_prompts->Titles.empty());

        // An extension that names no format: refused naming the four, nothing written.
        ComputeSidePoint();
        m_prompts->Refusals.clear();
        const QString path = Export(QStringLiteral("points.txt"));
        QCOMPARE(m_prompts->Refusals.size(), std::size_t{1});
        for (const char* extension : {".dat", ".csv", ".gsi", ".sdr"}) {
            QVERIFY(m_prompts->Refusals[0].find(extension) != std::string::npos);
        }
        QVERIFY(!QFile::exists(path));
    }

    void PolarAnglesAllRoundAndAcrossNorth_data() {
        QTest::addColumn<double>("backsightDx"); // from the station, north
        QTest::addColumn<double>("backsightDy"); // east
        QTest::newRow("backsight north") << 100.0 << 0.0;
        QTest::newRow("backsight east") << 0.0 << 80.0;
        QTest::newRow("backsight south-west") << -50.0 << -50.0;
        QTest::newRow("backsight a hair east of north") << 100.0 << 0.0001;
    }
    void PolarAnglesAllRoundAndAcrossNorth() {
        QFETCH(double, backsightDx);
        QFETCH(double, backsightDy);
        // NE, SE, SW, NW, a hair west of north, due south, due east.
        const double targets[][2] = {{30, 40},       {-30, 40}, {-30, -40}, {30, -40},
                                     {100, -0.0001}, {-25, 0},  {0, 12.5}};
        std::vector<formats::FieldPoint> points;
        for (const auto& t : targets) {
            std::string name(1, 'P'); // not "P" + ...: g++ 12 warns wrongly about that
            name += std::to_string(points.size());
            points.push_back({name,
                              kStationX + t[0],
                              kStationY + t[1],
                              std::nullopt,
                              {}});
        }
        app::ScriptedPrompts prompts;
        app::PolarDialog dialog(points, "test", prompts, {}, {});
        SetUp(&dialog, kStationX, kStationY, kStationX + backsightDx, kStationY + backsightDy);
        QVERIFY(dialog.Compute());
        const auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("polarResults"));
        QCOMPARE(table->rowCount(), static_cast<int>(points.size()));
        const double backsight = Bearing(backsightDx, backsightDy);
        for (int r = 0; r < table->rowCount(); ++r) {
            const double azimuth = Bearing(targets[r][0], targets[r][1]);
            const double angle = std::fmod(azimuth - backsight + 360.0, 360.0);
            // Shown to 0.01": within half of that, also where a direction crosses north.
            const QString shown = table->item(r, 4)->text() + u' ' + table->item(r, 5)->text();
            QVERIFY2(AngleApart(Degrees(table->item(r, 4)->text()), azimuth) < 0.006 / 3600,
                     qPrintable(shown));
            QVERIFY2(AngleApart(Degrees(table->item(r, 5)->text()), angle) < 0.006 / 3600,
                     qPrintable(shown));
            QCOMPARE(table->item(r, 6)->text(),
                     QString::number(std::hypot(targets[r][0], targets[r][1]), 'f', 4));
            QCOMPARE(table->item(r, 1)->text(), QString::number(points[r].X, 'f', 4));
        }
        if (backsightDy == 0.0) { // just short of a full turn, not 0
            QCOMPARE(table->item(4, 5)->text(), QStringLiteral("359°59′59.79″"));
        }
    }

    void PolarRefusals_data() {
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("backsight");
        QTest::addColumn<QString>("refusal");
        const QString coincide = QStringLiteral("测站点与后视点重合，无法定向，请检查坐标！");
        QTest::newRow("station = backsight")
            << QStringLiteral("3453200 504700") << QStringLiteral("3453200.000 504700") << coincide;
        QTest::newRow("half a millimetre apart")
            << QStringLiteral("3453200 504700") << QStringLiteral("3453200.0005 504700")
            << coincide;
        QTest::newRow("station not a number")
            << QStringLiteral("3453200x 504700") << QStringLiteral("3453300 504700")
            << QStringLiteral("测站点坐标有误");
        QTest::newRow("backsight empty")
            << QStringLiteral("3453200 504700") << QStringLiteral(" 504700")
            << QStringLiteral("后视点坐标有误");
        QTest::newRow("a slipped decimal point")
            << QStringLiteral("3453200 504700") << QStringLiteral("34533000000000 504700")
            << QStringLiteral("后视点坐标有误");
        QTest::newRow("a point at the station")
            << QStringLiteral("3453230 504740") << QStringLiteral("3453300 504740")
            << QStringLiteral("点P0与测站点重合，无法放样，请检查坐标！");
    }
    void PolarRefusals() {
        QFETCH(QString, station);
        QFETCH(QString, backsight);
        QFETCH(QString, refusal);
        app::ScriptedPrompts prompts;
        app::PolarDialog dialog({{"P0", kStationX + 30, kStationY + 40, std::nullopt, {}}}, "test",
                                prompts, {}, {});
        // A good computation first: a refusal must not leave its rows standing.
        SetUp(&dialog, kStationX, kStationY, kStationX + 100, kStationY);
        QVERIFY(dialog.Compute());
        const QStringList s = station.split(u' '), b = backsight.split(u' ');
        Type(&dialog, "stationXField", s[0]);
        Type(&dialog, "stationYField", s[1]);
        Type(&dialog, "backsightXField", b[0]);
        Type(&dialog, "backsightYField", b[1]);
        QVERIFY(!dialog.Compute());
        QCOMPARE(prompts.Refusals.size(), std::size_t{1});
        QVERIFY2(QString::fromStdString(prompts.Refusals[0]).startsWith(refusal),
                 prompts.Refusals[0].c_str());
        QCOMPARE(dialog.findChild<QTableWidget*>()->rowCount(), 0);
        dialog.SaveWorkbook(); // nothing to save after a refusal
        QVERIFY(prompts.Titles.empty());
    }

    void PolarDialogPicksAndDraws() {
        InitializeMainLine();
        ComputeSidePoint();
        Action("polarAction")->trigger();
        auto* dialog = m_window->findChild<app::PolarDialog*>();
        QVERIFY(dialog && dialog->isVisible() && !dialog->isModal());
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("polarPointsLabel"))->text(),
                 QStringLiteral("放样点：计算 BK15+120R6.5，共 1 个点"));

        // A pick answers a drawing point, east first; the fields take survey X (north), Y (east).
        std::optional<cad::Point> answer = cad::Point{504700.1234, 3453200.5678, 0.0};
        m_window->Document().SetPickHandler([&](std::string_view) { return answer; });
        dialog->findChild<QPushButton*>(QStringLiteral("pickStationButton"))->click();
        answer = cad::Point{504800.0, 3453300.25, 0.0};
        dialog->findChild<QPushButton*>(QStringLiteral("pickBacksightButton"))->click();
        answer.reset(); // cancelled: nothing changes, no message
        dialog->PickStation();
        QStringList fields;
        for (const char* name :
             {"stationXField", "stationYField", "backsightXField", "backsightYField"}) {
            fields << dialog->findChild<QLineEdit*>(QString::fromLatin1(name))->text();
        }
        QCOMPARE(fields.join(u' '), QStringLiteral("3453200.5678 504700.1234 3453300.2500 "
                                                   "504800.0000"));
        QVERIFY(m_prompts->Errors.empty() && dialog->isEnabled());

        // Drawn: a line from the station to the point where the drawing keeps it (east, north).
        const formats::FieldPoint point = m_window->FieldPoints().front();
        dialog->findChild<QPushButton*>(QStringLiteral("polarDrawButton"))->click();
        bool toPoint = false;
        for (const cad::DrawnEntity& e : m_window->Document().Entities()) {
            if (const auto* line = std::get_if<cad::DrawnLine>(&e.Shape)) {
                toPoint =
                    toPoint || (line->Start.X == 504700.1234 && line->Start.Y == 3453200.5678 &&
                                line->End.X == point.Y && line->End.Y == point.X);
            }
        }
        QVERIFY(toPoint);
        QVERIFY(m_window->Drawing().isVisible());
        // The dialog keeps the points it was opened with.
        Type(m_window, "stationField", QStringLiteral("B15200"));
        m_window->ComputeClicked();
        QCOMPARE(dialog->Points().front().Name, std::string("BK15+120R6.5"));
    }
};

QTEST_MAIN(FieldOutputsTest)
#include "field_outputs_test.moc"
