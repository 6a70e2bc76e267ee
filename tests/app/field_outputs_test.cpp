// The field outputs of the window: the points of the last computation kept by the main window,
// exported as point files (read back here format by format) and set out by the polar dialog,
// whose angles are checked against directions computed here from the coordinates.

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
#include <filesystem>
#include <numbers>

using namespace tesk;

namespace {

std::string Sample(const char* name) {
    return std::string(TESK_SOURCE_DIR) + "/samples/" + name;
}

/// A point as a written point file gives it back.
struct ReadBack {
    QString Name;
    double X = 0.0; ///< north
    double Y = 0.0; ///< east
};

/// The points of a point file written with four decimals, read by the layout of its format
/// (by the extension), independently of the writer.
std::vector<ReadBack> ReadPoints(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray bytes = file.readAll();
    std::vector<ReadBack> points;
    if (path.endsWith(QStringLiteral(".dat"))) { // name,code,Y,X,H in GBK
        for (const formats::SurveyPoint& p : formats::ReadPointFile(path.toStdString())) {
            points.push_back({QString::fromStdString(p.Name), p.X, p.Y});
        }
        return points;
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3);
    }
    for (const QByteArray& line : bytes.split('\n')) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (text.isEmpty()) {
            continue;
        }
        if (path.endsWith(QStringLiteral(".csv"))) { // name,N,E,Z,code
            const QStringList f = text.split(u',');
            points.push_back({f.value(0), f.value(1).toDouble(), f.value(2).toDouble()});
        } else if (path.endsWith(QStringLiteral(".gsi"))) { // words of 24 characters, 0.1 mm
            ReadBack p;
            for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
                const QString data = word.right(16);
                const QString index = word.startsWith(u'*') ? word.mid(1, 2) : word.left(2);
                if (index == QStringLiteral("11")) {
                    p.Name = data;
                    p.Name.remove(QRegularExpression(QStringLiteral("^0+")));
                } else if (index == QStringLiteral("81")) {
                    p.Y = (word.at(6) == u'-' ? -1 : 1) * data.toDouble() / 10000.0;
                } else if (index == QStringLiteral("82")) {
                    p.X = (word.at(6) == u'-' ? -1 : 1) * data.toDouble() / 10000.0;
                }
            }
            points.push_back(p);
        } else if (text.startsWith(QStringLiteral("08KI"))) { // fixed columns
            const QString raw = QString::fromUtf8(line);
            points.push_back({raw.mid(4, 16).trimmed(), raw.mid(20, 16).trimmed().toDouble(),
                              raw.mid(36, 16).trimmed().toDouble()});
        }
    }
    return points;
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
        m_prompts->Refusals.clear();
        Action("exportPointsAction")->trigger();
        QCOMPARE(m_prompts->Refusals, std::vector<std::string>{"没有可导出的点，请先计算！"});
    }

    void TheComputedPointInEveryFormat_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("cass") << QStringLiteral("p.dat");
        QTest::newRow("csv") << QStringLiteral("p.csv");
        QTest::newRow("gsi") << QStringLiteral("p.gsi");
        QTest::newRow("sdr") << QStringLiteral("P.SDR"); // the extension in any case
    }
    void TheComputedPointInEveryFormat() {
        QFETCH(QString, file);
        InitializeMainLine();
        ComputeSidePoint();
        const QString path = Export(file);
        QVERIFY2(m_prompts->Errors.empty() && m_prompts->Refusals.empty(),
                 m_prompts->Events.back().c_str());
        QCOMPARE(m_prompts->Titles.back(), std::string("导出点文件"));
        QCOMPARE(m_prompts->Filters.back(),
                 std::string("CASS坐标文件 (*.dat)|*.dat|CSV点文件 (*.csv)|*.csv|"
                             "徕卡GSI-16 (*.gsi)|*.gsi|索佳SDR33 (*.sdr)|*.sdr"));
        const std::vector<ReadBack> points = ReadPoints(path);
        QCOMPARE(points.size(), std::size_t{1});
        QCOMPARE(points[0].Name, QStringLiteral("BK15+120R6.5"));
        // North and east where the window shows X and Y, not swapped.
        QVERIFY(std::abs(points[0].X - Field("xField").toDouble()) < 0.00006);
        QVERIFY(std::abs(points[0].Y - Field("yField").toDouble()) < 0.00006);
        // The user is told where the file went and how many points it holds.
        const std::string& notice = m_prompts->Notices.back();
        QVERIFY2(notice.find(path.toStdString()) != std::string::npos, notice.c_str());
        QVERIFY2(notice.find("1个点") != std::string::npos, notice.c_str());
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

        const std::vector<ReadBack> points = ReadPoints(Export(QStringLiteral("stakes.dat")));
        QVERIFY(m_prompts->Errors.empty() && m_prompts->Refusals.empty());
        QCOMPARE(points.size(), 3 * table.Rows.size());
        for (std::size_t r = 0; r < table.Rows.size(); ++r) {
            const session::SideStakeRow& row = table.Rows[r];
            const QString stake = QString::fromStdString(row.At.Label)
                                      .remove(QRegularExpression(QStringLiteral("\\.?0+$")));
            const ReadBack expected[] = {
                {stake, row.Centre.X, row.Centre.Y},
                {stake + QStringLiteral("L12.5"), row.Points[0].X, row.Points[0].Y},
                {stake + QStringLiteral("R3"), row.Points[1].X, row.Points[1].Y}};
            for (std::size_t k = 0; k < 3; ++k) {
                const ReadBack& got = points[3 * r + k];
                QCOMPARE(got.Name, expected[k].Name);
                QVERIFY(std::abs(got.X - expected[k].X) < 0.00006);
                QVERIFY(std::abs(got.Y - expected[k].Y) < 0.00006);
            }
        }
        QCOMPARE(points.front().Name, QStringLiteral("BK15+100"));
    }

    void PilesOfEveryPileCommand_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("桩位放样") << QStringLiteral("pileStakeOutButton");
        QTest::newRow("坐标表－CAD") << QStringLiteral("pileTableButton");
        QTest::newRow("坐标表－Excel") << QStringLiteral("excelTableButton");
        QTest::newRow("桩位示意图") << QStringLiteral("pileSketchButton");
    }
    void PilesOfEveryPileCommand() {
        QFETCH(QString, button);
        InitializeMainLine();
        // The first pile of the sample bridge, 6.25 m right of B15060 square to the line.
        Type(m_window, "stationField", QStringLiteral("B15060"));
        Type(m_window, "skewField", QStringLiteral("-6.25"));
        m_window->ComputeClicked();
        const double x = Field("xField").toDouble();
        const double y = Field("yField").toDouble();
        m_window->Document().SetPickHandler([](std::string_view) {
            return std::optional<cad::Point>(cad::Point{0, 0, 0});
        });
        m_prompts->OpenAnswers = {Sample("bridge.zw")};
        Click(button.toLatin1().constData());
        QVERIFY(m_prompts->Errors.empty() && m_prompts->Refusals.empty());
        QCOMPARE(m_window->FieldPointsSource(), std::string("桩位资料 bridge.zw"));
        const std::vector<formats::FieldPoint>& piles = m_window->FieldPoints();
        QCOMPARE(piles.size(), std::size_t{31});
        QCOMPARE(piles[0].Name, std::string("0-1"));
        QCOMPARE(piles[1].Name, std::string("0-2"));
        QCOMPARE(piles[2].Name, std::string("1-1"));
        QVERIFY(std::abs(piles[0].X - x) < 0.00006 && std::abs(piles[0].Y - y) < 0.00006);
        QVERIFY(!piles[0].H); // no profile loaded

        // A pile file that fails keeps the points of before.
        m_prompts->OpenAnswers = {Sample("main_line.dl")};
        Click(button.toLatin1().constData());
        QCOMPARE(m_prompts->Errors.size() + m_prompts->Refusals.size(), std::size_t{1});
        QCOMPARE(m_window->FieldPoints().size(), std::size_t{31});
    }

    void LocatedPointsWithTheirDesignElevation() {
        InitializeMainLine();
        m_prompts->OpenAnswers = {Sample("main_line.sqx")};
        Action("profileAction")->trigger();
        Action("locateAction")->trigger();
        auto* dialog = m_window->findChild<app::LocateDialog*>();
        QVERIFY(dialog);
        // 12.5 m left of BK15+120: on the grade from K13+200 (118 m) to BK15+600 (106 m).
        Type(dialog, "locateX", QStringLiteral("3453254.3327"));
        Type(dialog, "locateY", QStringLiteral("504766.3420"));
        dialog->LocateTyped();
        const std::vector<formats::FieldPoint>& points = m_window->FieldPoints();
        QCOMPARE(points.size(), std::size_t{1});
        QCOMPARE(points[0].Name, std::string("P1"));
        QCOMPARE(points[0].X, 3453254.3327);
        QCOMPARE(points[0].Y, 504766.3420);
        QVERIFY(points[0].H);
        QVERIFY(std::abs(*points[0].H - (118.0 + (15082.415 - 13200.0) * -12.0 / 2362.415)) <
                0.0005);
    }

    void ExportRefusals() {
        InitializeMainLine();
        // A point file with two points of one name, located: refused before any file is asked.
        const QString input = m_dir.filePath(QStringLiteral("twice.txt"));
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("A,3453254.3327,504766.3420\nA,3453242.7164,504770.9586\n");
        file.close();
        Action("locateAction")->trigger();
        m_prompts->OpenAnswers = {input.toStdString()};
        m_window->findChild<app::LocateDialog*>()->LocateFile();
        QCOMPARE(m_window->FieldPoints().size(), std::size_t{2});
        m_prompts->Titles.clear();
        Action("exportPointsAction")->trigger();
        QCOMPARE(m_prompts->Refusals.size(), std::size_t{1});
        QVERIFY(m_prompts->Refusals[0].find("点名A重复") != std::string::npos);
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
        // A cancelled save dialog writes nothing and says nothing.
        m_prompts->Refusals.clear();
        const std::size_t notices = m_prompts->Notices.size();
        Action("exportPointsAction")->trigger();
        QVERIFY(m_prompts->Refusals.empty() && m_prompts->Errors.empty());
        QCOMPARE(m_prompts->Notices.size(), notices);
    }

    void PolarAnglesAllRoundAndAcrossNorth_data() {
        QTest::addColumn<double>("backsightDx");
        QTest::addColumn<double>("backsightDy");
        QTest::newRow("backsight north") << 100.0 << 0.0;
        QTest::newRow("backsight east") << 0.0 << 80.0;
        QTest::newRow("backsight south-west") << -50.0 << -50.0;
        QTest::newRow("backsight a hair east of north") << 100.0 << 0.0001;
    }
    void PolarAnglesAllRoundAndAcrossNorth() {
        QFETCH(double, backsightDx);
        QFETCH(double, backsightDy);
        struct Target {
            const char* Name;
            double Dx, Dy; // from the station: north, east
        };
        const Target targets[] = {{"NE", 30, 40},  {"SE", -30, 40},      {"SW", -30, -40},
                                  {"NW", 30, -40}, {"N-", 100, -0.0001}, {"S", -25, 0},
                                  {"E", 0, 12.5}};
        std::vector<formats::FieldPoint> points;
        for (const Target& t : targets) {
            points.push_back({t.Name, kStationX + t.Dx, kStationY + t.Dy, std::nullopt, {}});
        }
        app::ScriptedPrompts prompts;
        app::PolarDialog dialog(points, "test", prompts, {}, {});
        Type(&dialog, "stationXField", QString::number(kStationX, 'f', 4));
        Type(&dialog, "stationYField", QString::number(kStationY, 'f', 4));
        Type(&dialog, "backsightXField", QString::number(kStationX + backsightDx, 'f', 4));
        Type(&dialog, "backsightYField", QString::number(kStationY + backsightDy, 'f', 4));
        QVERIFY(dialog.Compute());
        QVERIFY(prompts.Refusals.empty());
        const auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("polarResults"));
        QCOMPARE(table->rowCount(), static_cast<int>(std::size(targets)));
        constexpr double kSecond = 1.0 / 3600.0;
        const double backsight = Bearing(backsightDx, backsightDy);
        for (int r = 0; r < table->rowCount(); ++r) {
            const Target& t = targets[r];
            const double azimuth = Bearing(t.Dx, t.Dy);
            double angle = azimuth - backsight;
            angle += angle < 0.0 ? 360.0 : 0.0;
            QCOMPARE(table->item(r, 0)->text(), QString::fromLatin1(t.Name));
            const double shownAzimuth = Degrees(table->item(r, 4)->text());
            const double shownAngle = Degrees(table->item(r, 5)->text());
            // Shown to 0.01": within half of that, also where the direction crosses north.
            QVERIFY2(AngleApart(shownAzimuth, azimuth) < 0.006 * kSecond,
                     qPrintable(table->item(r, 4)->text()));
            QVERIFY2(AngleApart(shownAngle, angle) < 0.006 * kSecond,
                     qPrintable(t.Name + (u' ' + table->item(r, 5)->text())));
            QVERIFY(shownAzimuth < 360.0 && shownAngle < 360.0);
            QCOMPARE(table->item(r, 6)->text(), QString::number(std::hypot(t.Dx, t.Dy), 'f', 4));
            QCOMPARE(table->item(r, 1)->text(), QString::number(kStationX + t.Dx, 'f', 4));
            QCOMPARE(table->item(r, 2)->text(), QString::number(kStationY + t.Dy, 'f', 4));
        }
        // A hair west of north with the backsight north is just short of a full turn.
        if (backsightDx == 100.0 && backsightDy == 0.0) {
            QCOMPARE(table->item(4, 5)->text(), QStringLiteral("359°59′59.79″"));
        }
        QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("backsightAzimuthLabel"))
                    ->text()
                    .startsWith(QStringLiteral("后视方位角：")));
    }

    void PolarRefusals_data() {
        QTest::addColumn<QString>("stationX");
        QTest::addColumn<QString>("backsightX");
        QTest::addColumn<QString>("backsightY");
        QTest::addColumn<QString>("refusal");
        const QString y = QString::number(kStationY, 'f', 4);
        const QString coincide = QStringLiteral("测站点与后视点重合，无法定向，请检查坐标！");
        QTest::newRow("station = backsight")
            << QStringLiteral("3453200") << QStringLiteral("3453200.000") << y << coincide;
        QTest::newRow("half a millimetre apart")
            << QStringLiteral("3453200") << QStringLiteral("3453200.0005") << y << coincide;
        QTest::newRow("station not a number")
            << QStringLiteral("3453200x") << QStringLiteral("3453300") << y
            << QStringLiteral("测站点坐标有误");
        QTest::newRow("backsight empty")
            << QStringLiteral("3453200") << QString() << y << QStringLiteral("后视点坐标有误");
        QTest::newRow("backsight a slipped point")
            << QStringLiteral("3453200") << QStringLiteral("34533000000000") << y
            << QStringLiteral("后视点坐标有误");
        QTest::newRow("a point at the station")
            << QStringLiteral("3453230") << QStringLiteral("3453300") << QStringLiteral("504740")
            << QStringLiteral("点NE与测站点重合，无法放样，请检查坐标！");
    }
    void PolarRefusals() {
        QFETCH(QString, stationX);
        QFETCH(QString, backsightX);
        QFETCH(QString, backsightY);
        QFETCH(QString, refusal);
        const std::vector<formats::FieldPoint> points = {
            {"NE", kStationX + 30, kStationY + 40, std::nullopt, {}},
            {"SW", kStationX - 30, kStationY - 40, std::nullopt, {}}};
        app::ScriptedPrompts prompts;
        app::PolarDialog dialog(points, "test", prompts, {}, {});
        auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("polarResults"));
        // A good computation first: a refusal must not leave its rows standing.
        Type(&dialog, "stationXField", QStringLiteral("3453200"));
        Type(&dialog, "stationYField", QString::number(kStationY, 'f', 4));
        Type(&dialog, "backsightXField", QStringLiteral("3453300"));
        Type(&dialog, "backsightYField", QString::number(kStationY, 'f', 4));
        QVERIFY(dialog.Compute());
        QCOMPARE(table->rowCount(), 2);

        Type(&dialog, "stationXField", stationX);
        Type(&dialog, "stationYField",
             stationX == QStringLiteral("3453230") ? QStringLiteral("504740")
                                                   : QString::number(kStationY, 'f', 4));
        Type(&dialog, "backsightXField", backsightX);
        Type(&dialog, "backsightYField", backsightY);
        QVERIFY(!dialog.Compute());
        QCOMPARE(prompts.Refusals.size(), std::size_t{1});
        QVERIFY2(QString::fromStdString(prompts.Refusals[0]).startsWith(refusal),
                 prompts.Refusals[0].c_str());
        QCOMPARE(table->rowCount(), 0);
        QVERIFY(dialog.Values().empty());
        // Neither saved nor drawn after a refusal.
        dialog.SaveWorkbook();
        QVERIFY(prompts.Titles.empty());
    }

    void PolarDialogPicksDrawsAndSaves() {
        InitializeMainLine();
        ComputeSidePoint();
        Action("polarAction")->trigger();
        auto* dialog = m_window->findChild<app::PolarDialog*>();
        QVERIFY(dialog && dialog->isVisible() && !dialog->isModal());
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("polarPointsLabel"))->text(),
                 QStringLiteral("放样点：计算 BK15+120R6.5，共 1 个点"));

        // A pick answers a drawing point, east first; the fields take survey X (north), Y (east).
        std::vector<std::string> prompts;
        cad::Point answer{504700.1234, 3453200.5678, 0.0};
        m_window->Document().SetPickHandler([&](std::string_view prompt) {
            prompts.emplace_back(prompt);
            return std::optional<cad::Point>(answer);
        });
        dialog->findChild<QPushButton*>(QStringLiteral("pickStationButton"))->click();
        answer = {504800.0, 3453300.25, 0.0};
        dialog->findChild<QPushButton*>(QStringLiteral("pickBacksightButton"))->click();
        QCOMPARE(prompts.size(), std::size_t{2});
        const auto text = [dialog](const char* name) {
            return dialog->findChild<QLineEdit*>(QString::fromLatin1(name))->text();
        };
        QCOMPARE(text("stationXField"), QStringLiteral("3453200.5678"));
        QCOMPARE(text("stationYField"), QStringLiteral("504700.1234"));
        QCOMPARE(text("backsightXField"), QStringLiteral("3453300.2500"));
        QCOMPARE(text("backsightYField"), QStringLiteral("504800.0000"));
        QVERIFY(dialog->isEnabled());
        // A cancelled pick changes nothing and is no error.
        m_window->Document().SetPickHandler(
            [](std::string_view) { return std::optional<cad::Point>(); });
        dialog->PickStation();
        QCOMPARE(text("stationXField"), QStringLiteral("3453200.5678"));
        QVERIFY(m_prompts->Errors.empty());

        // Drawn: a line from the station to the point where the drawing keeps it (east, north).
        const formats::FieldPoint point = m_window->FieldPoints().front();
        dialog->findChild<QPushButton*>(QStringLiteral("polarDrawButton"))->click();
        QVERIFY(m_prompts->Errors.empty() && m_prompts->Refusals.empty());
        bool toPoint = false, station = false;
        for (const cad::DrawnEntity& e : m_window->Document().Entities()) {
            if (const auto* line = std::get_if<cad::DrawnLine>(&e.Shape)) {
                toPoint = toPoint || (std::abs(line->Start.X - 504700.1234) < 1e-9 &&
                                      std::abs(line->Start.Y - 3453200.5678) < 1e-9 &&
                                      std::abs(line->End.X - point.Y) < 1e-9 &&
                                      std::abs(line->End.Y - point.X) < 1e-9);
            }
            if (const auto* t = std::get_if<cad::DrawnText>(&e.Shape)) {
                station = station || t->Text == "测站";
            }
        }
        QVERIFY(toPoint && station);
        QVERIFY(m_window->Drawing().isVisible());

        // Saved from the fields as they are now, not from the computation before.
        Type(dialog, "stationYField", QStringLiteral("504690"));
        const QString path = m_dir.filePath(QStringLiteral("极坐标.xlsx"));
        m_prompts->SaveAnswers = {path.toStdString()};
        dialog->SaveWorkbook();
        QVERIFY(m_prompts->Errors.empty());
        QVERIFY(QFile::exists(path));
        QCOMPARE(dialog->Values().size(), std::size_t{1});
        QVERIFY(std::abs(dialog->Values()[0].Distance -
                         std::hypot(point.X - 3453200.5678, point.Y - 504690.0)) < 1e-9);

        // The dialog keeps the points it was opened with.
        Type(m_window, "stationField", QStringLiteral("B15200"));
        m_window->ComputeClicked();
        QCOMPARE(dialog->Points().front().Name, std::string("BK15+120R6.5"));
    }
};

QTEST_MAIN(FieldOutputsTest)
#include "field_outputs_test.moc"
