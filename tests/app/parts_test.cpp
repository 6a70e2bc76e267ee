// The window's small pieces that need no window: dialog filters, the help file's place, the
// workbook's suggested path, the colour palette and the sheet rows of a pile table.

#include "app/aci_palette.h"
#include "app/file_filter.h"
#include "app/help_window.h"
#include "app/sheet_export.h"
#include "piles/pile_table.h"
#include "sheet/pile_sheet.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <numbers>

using namespace tesk;

class PartsTest : public QObject {
    Q_OBJECT

private slots:
    void FiltersBecomeQtFilters() {
        // Patterns the description already shows (in ASCII or full-width parentheses) are
        // shown once, in the parentheses Qt reads them from.
        QCOMPARE(app::QtFileFilter("文本文件(*.txt;*.jdx)|*.txt;*.jdx|所有文件（*.*)|*.*"),
                 QStringLiteral("文本文件 (*.txt *.jdx);;所有文件 (*.*)"));
        QCOMPARE(app::QtFileFilter("文本文件(*.txt;*.zw)|*.txt;*.zw|所有文件（*.*)|*.*"),
                 QStringLiteral("文本文件 (*.txt *.zw);;所有文件 (*.*)"));
        QCOMPARE(app::QtFileFilter("Excel 工作簿(*.xlsx)|*.xlsx"),
                 QStringLiteral("Excel 工作簿 (*.xlsx)"));
        QCOMPARE(app::QtFileFilter("点文件（*.txt；*.dat）|*.txt;*.dat"),
                 QStringLiteral("点文件 (*.txt *.dat)"));
        // Parentheses that hold words, not patterns, stay.
        QCOMPARE(app::QtFileFilter("图形(AutoCAD 2000)|*.dxf"),
                 QStringLiteral("图形(AutoCAD 2000) (*.dxf)"));
        // Blanks around patterns, a missing pattern part, a stray bar at the end.
        QCOMPARE(app::QtFileFilter("DXF 图形| *.dxf ; *.DXF "),
                 QStringLiteral("DXF 图形 (*.dxf *.DXF)"));
        QCOMPARE(app::QtFileFilter("全部"), QStringLiteral("全部 (*)"));
        QCOMPARE(app::QtFileFilter("A|*.a|"), QStringLiteral("A (*.a)"));
    }

    void HelpFileFoundBesideOrInstalled() {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QDir dir(root.path());
        QVERIFY(dir.mkpath(QStringLiteral("bin")));
        const QString bin = dir.filePath(QStringLiteral("bin"));
        QVERIFY(app::FindHelpFile(bin).isEmpty());

        // Installed layout: <prefix>/bin and <prefix>/share/tesk/help.
        QVERIFY(dir.mkpath(QStringLiteral("share/tesk/help")));
        QFile installed(dir.filePath(QStringLiteral("share/tesk/help/index.html")));
        QVERIFY(installed.open(QIODevice::WriteOnly));
        installed.close();
        QCOMPARE(app::FindHelpFile(bin), QDir::cleanPath(installed.fileName()));

        // Build layout: help/ beside the program wins.
        QVERIFY(dir.mkpath(QStringLiteral("bin/help")));
        QFile beside(dir.filePath(QStringLiteral("bin/help/index.html")));
        QVERIFY(beside.open(QIODevice::WriteOnly));
        beside.close();
        QCOMPARE(app::FindHelpFile(bin), QDir::cleanPath(beside.fileName()));
    }

    void WorkbookSuggestedBesideThePileFile() {
        QCOMPARE(app::SuggestedWorkbookPath("/data/桥梁/bridge.zw", "/home/u"),
                 std::string("/data/桥梁/bridge.xlsx"));
        QCOMPARE(app::SuggestedWorkbookPath("/data/piles", "/home/u"),
                 std::string("/data/piles.xlsx"));
        QCOMPARE(app::SuggestedWorkbookPath("/data/a.b/piles.txt", "/home/u"),
                 std::string("/data/a.b/piles.xlsx"));
        QCOMPARE(app::SuggestedWorkbookPath("", "/home/u"), std::string("/home/u/坐标表.xlsx"));
    }

    void PaletteOfTheDrawingColours() {
        QCOMPARE(app::AciColor(1), QColor(255, 0, 0));
        QCOMPARE(app::AciColor(2), QColor(255, 255, 0));
        QCOMPARE(app::AciColor(3), QColor(0, 255, 0));
        QCOMPARE(app::AciColor(4), QColor(0, 255, 255));
        QCOMPARE(app::AciColor(5), QColor(0, 0, 255));
        QCOMPARE(app::AciColor(6), QColor(255, 0, 255));
        QCOMPARE(app::AciColor(7), QColor(255, 255, 255)); // white on the dark background
        // The hue rows: 10 red, 50 yellow (60 degrees), 90 green; odd indexes are pastel,
        // higher last digits darker.
        QCOMPARE(app::AciColor(10), QColor(255, 0, 0));
        QCOMPARE(app::AciColor(50).hue(), 60);
        QCOMPARE(app::AciColor(90).hue(), 120);
        QVERIFY(app::AciColor(11).saturation() < 200);
        QVERIFY(app::AciColor(18).value() < app::AciColor(10).value());
        QCOMPARE(app::AciColor(250), QColor(51, 51, 51));
        QCOMPARE(app::AciColor(255), QColor(255, 255, 255));
        QVERIFY(app::AciColor(0).isValid());
        QVERIFY(app::AciColor(256).isValid());
    }

    void SheetRowsCarryThePilePoints() {
        // A pier on a line heading north through (100, 200): theta = 90 puts the pier axis
        // square to the line, L1 = 5 (left) lands 5 m west; a pair with alpha = 90 moves its
        // L2 = 2 along the forward tangent (north).
        piles::PileTable table;
        table.SourcePath = "/x/bridge.zw";
        piles::Pier pier;
        pier.StationText = "B1234.5";
        pier.Mileage = 1234.5;
        pier.Deflection = 90.0;
        pier.EntryKind = 2;
        pier.SecondAngle = 90.0;
        pier.Reference = {100.0, 200.0};
        pier.Azimuth = 0.0;
        pier.Entries = {{5.0, 0.0}, {-3.0, 2.0}};
        table.Piers.push_back(pier);

        const sheet::PileSheetTable sheet = sheet::ToSheetTable(table);
        QCOMPARE(sheet.Piers.size(), std::size_t{1});
        const sheet::SheetPier& row = sheet.Piers[0];
        QCOMPARE(row.StationText, std::string("B1234.5"));
        QCOMPARE(row.Station, 1234.5);
        QCOMPARE(row.Entries.size(), std::size_t{2});
        constexpr double kTol = 1e-9; // m
        QVERIFY(std::abs(row.Entries[0].X - 100.0) < kTol);
        QVERIFY(std::abs(row.Entries[0].Y - 195.0) < kTol);
        QCOMPARE(row.Entries[0].L1, 5.0);
        QVERIFY(std::abs(row.Entries[1].X - 102.0) < kTol);
        QVERIFY(std::abs(row.Entries[1].Y - 203.0) < kTol);
        QCOMPARE(row.Entries[1].L2, 2.0);
    }
};

QTEST_MAIN(PartsTest)
#include "parts_test.moc"
