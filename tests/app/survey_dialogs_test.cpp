// The "计算" menu's dialogs: point -> station and the side-stake table, driven as a user would,
// with the workbook they save read back.

#include "app/main_window.h"
#include "app/scripted_prompts.h"
#include "app/survey_dialogs.h"
#include "formats/landxml.h"
#include "session/commands.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

using namespace tesk;

namespace {

std::string Sample(const char* name) {
    return std::string(qgetenv("TESK_SOURCE_DIR").constData()) + "/samples/" + name;
}

session::LoadedLine MainLine() {
    session::LoadedLine line = session::LoadJdLine(Sample("main_line.jdx"));
    session::LoadChainBreaks(line, Sample("main_line.dl"));
    return line;
}

void Type(QWidget* dialog, const char* field, const char* text) {
    auto* edit = dialog->findChild<QLineEdit*>(QString::fromLatin1(field));
    QVERIFY(edit);
    edit->setText(QString::fromUtf8(text));
}

} // namespace

class SurveyDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void OffsetsReadLeftAndRight() {
        QCOMPARE(app::OffsetText(12.5), std::string("左 12.500"));
        QCOMPARE(app::OffsetText(-3.0), std::string("右 3.000"));
        QCOMPARE(app::OffsetText(-0.0001), std::string("0.000"));
    }

    void LocateATypedPointAndSaveTheResults() {
        app::ScriptedPrompts prompts;
        app::LocateDialog dialog(MainLine(), prompts);
        // 12.5 m left of BK15+120 (the side stake of the command-line table).
        Type(&dialog, "locateX", "3453254.3327");
        Type(&dialog, "locateY", "504766.3420");
        dialog.LocateTyped();
        QVERIFY(prompts.Refusals.empty());
        const auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("locateResults"));
        QVERIFY(table);
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 3)->text(), QStringLiteral("BK15+120.000"));
        QCOMPARE(table->item(0, 4)->text(), QStringLiteral("左 12.500"));

        // A point no perpendicular reaches gets a row that says why.
        Type(&dialog, "locateX", "3440000");
        Type(&dialog, "locateY", "490000");
        dialog.LocateTyped();
        QCOMPARE(table->rowCount(), 1);
        QVERIFY(table->item(0, 6)->text().contains(QStringLiteral("没有垂足")));

        // Not a number: refused, nothing computed.
        Type(&dialog, "locateX", "abc");
        dialog.LocateTyped();
        QCOMPARE(prompts.Refusals.size(), std::size_t{1});

        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("反算.xlsx")).toStdString();
        prompts.SaveAnswers = {path};
        dialog.SaveWorkbook();
        QVERIFY(prompts.Errors.empty());
        QVERIFY(std::filesystem::exists(std::filesystem::u8path(path)));
    }

    void LocateAPointFile() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("points.dat"));
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            // CASS order: name,code,Y,X,H.
            out.write("A,,504766.3420,3453254.3327,100\r\nB,,490000,3440000,\r\n");
        }
        app::ScriptedPrompts prompts;
        prompts.OpenAnswers = {file.toStdString()};
        app::LocateDialog dialog(MainLine(), prompts);
        dialog.LocateFile();
        QCOMPARE(dialog.Results().size(), std::size_t{2});
        QCOMPARE(dialog.Results()[0].Feet.front().At.Label, std::string("BK15+120.000"));
        QVERIFY(dialog.Results()[1].Feet.empty());
    }

    void SideStakeTableFromTheDialog() {
        app::ScriptedPrompts prompts;
        std::vector<geometry::PlanePoint> drawn;
        app::SideStakeDialog dialog(MainLine(), prompts,
                                    [&](const std::vector<geometry::PlanePoint>& p) { drawn = p; });
        Type(&dialog, "stakeFrom", "B15100");
        Type(&dialog, "stakeTo", "B15200");
        Type(&dialog, "stakeStep", "20");
        Type(&dialog, "stakeLeft", "12.5");
        Type(&dialog, "stakeRight", "12.5");
        dialog.findChild<QCheckBox*>(QStringLiteral("stakeDraw"))->setChecked(true);
        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("逐桩.xlsx")).toStdString();
        prompts.SaveAnswers = {path};
        dialog.Make();
        QVERIFY2(prompts.Refusals.empty() && prompts.Errors.empty(),
                 prompts.Events.empty() ? "" : prompts.Events.back().c_str());
        const session::SideStakeTable& t = dialog.Table();
        QVERIFY(t.Rows.size() >= 6); // every 20 m from 15100 to 15200, and any main points
        QCOMPARE(t.Rows.front().At.Label, std::string("BK15+100.000"));
        QCOMPARE(t.Rows.back().At.Label, std::string("BK15+200.000"));
        QCOMPARE(drawn.size(), 3 * t.Rows.size());
        QVERIFY(std::filesystem::exists(std::filesystem::u8path(path)));

        // Refusals keep the focus in the dialog: a bad interval, a negative distance.
        Type(&dialog, "stakeStep", "0");
        dialog.Make();
        Type(&dialog, "stakeStep", "20");
        Type(&dialog, "stakeLeft", "-3");
        dialog.Make();
        QCOMPARE(prompts.Refusals.size(), std::size_t{2});
        QVERIFY(prompts.Focused.empty());
    }

    void TheProfileGivesComputeTheDesignElevation() {
        app::ScriptedPrompts prompts;
        app::MainWindow window(&prompts);
        prompts.OpenAnswers = {Sample("main_line.jdx"), Sample("main_line.dl")};
        window.InitializeClicked();
        prompts.OpenAnswers = {Sample("main_line.sqx")};
        window.findChild<QAction*>(QStringLiteral("profileAction"))->trigger();
        QVERIFY(prompts.Errors.empty());
        QVERIFY(window.Loaded().Line(session::AlignmentMethod::IntersectionPoint)->Profile);
        Type(&window, "stationField", "B15120");
        Type(&window, "angleField", "");
        Type(&window, "skewField", "0");
        window.ComputeClicked();
        // On the grade from K13+200 (118 m) to BK15+600 (106 m, mileage 15562.415).
        const double expected = 118.0 + (15082.415 - 13200.0) * (106.0 - 118.0) / 2362.415;
        auto* elevation = window.findChild<QLineEdit*>(QStringLiteral("elevationField"));
        QCOMPARE(elevation->text(), QString::number(expected, 'f', 3));
        // 12.5 m to the left with the cross-fall of -2 %: 0.25 m lower.
        prompts.OpenAnswers = {Sample("main_line.hp")};
        window.findChild<QAction*>(QStringLiteral("crossFallAction"))->trigger();
        Type(&window, "skewField", "12.5");
        window.ComputeClicked();
        QCOMPARE(elevation->text(), QString::number(expected - 0.25, 'f', 3));
        // Beyond the last grade point: blank, and the note says why.
        Type(&window, "stationField", "C22510");
        Type(&window, "skewField", "0");
        window.ComputeClicked();
        QVERIFY(elevation->text().isEmpty());
        QVERIFY(elevation->placeholderText().contains(QStringLiteral("变坡点")));
        QVERIFY(window.findChild<QLabel*>(QStringLiteral("loadedLabel"))
                    ->text()
                    .contains(QStringLiteral("main_line.sqx")));
    }

    void InitializeReadsALandXmlFileWithItsBreaks() {
        QTemporaryDir dir;
        const std::string xml = dir.filePath(QStringLiteral("line.xml")).toStdString();
        const session::LoadedLine jd = MainLine();
        formats::WriteLandXml(xml, jd.Line(), jd.Breaks.Breaks(), nullptr, "主线");
        app::ScriptedPrompts prompts;
        app::MainWindow window(&prompts);
        prompts.OpenAnswers = {xml};
        window.InitializeClicked();
        QVERIFY(prompts.Errors.empty());
        QCOMPARE(prompts.Titles.size(), std::size_t{1}); // no chain-break dialog
        const session::LoadedLine* line =
            window.Loaded().Line(session::AlignmentMethod::IntersectionPoint);
        QVERIFY(line != nullptr && line->Placed);
        QCOMPARE(line->Breaks.BreakCount(), 2);
        QVERIFY(window.findChild<QLabel*>(QStringLiteral("loadedLabel"))
                    ->text()
                    .contains(QStringLiteral("主线")));
        window.DrawLineClicked();
        QVERIFY(prompts.Errors.empty());
        QVERIFY(!window.Document().Entities().empty());
    }

    void TheMenuNeedsALoadedLine() {
        app::ScriptedPrompts prompts;
        app::MainWindow window(&prompts);
        auto* action = window.findChild<QAction*>(QStringLiteral("locateAction"));
        QVERIFY(action);
        action->trigger();
        QCOMPARE(prompts.Refusals.size(), std::size_t{1});
        QVERIFY(window.findChild<app::LocateDialog*>() == nullptr);
        prompts.OpenAnswers = {Sample("main_line.jdx"), Sample("main_line.dl")};
        window.InitializeClicked();
        window.findChild<QAction*>(QStringLiteral("sideStakeAction"))->trigger();
        QVERIFY(window.findChild<app::SideStakeDialog*>() != nullptr);
    }
};

QTEST_MAIN(SurveyDialogsTest)
#include "survey_dialogs_test.moc"
