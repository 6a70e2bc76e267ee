#include "app/screenshots.h"

#include "app/drawing_view.h"
#include "app/drawing_window.h"
#include "app/help_window.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/scripted_prompts.h"
#include "app/survey_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTextStream>

#include <iostream>

namespace tesk::app {
namespace {

using Method = session::AlignmentMethod;

bool Save(QWidget& widget, const QDir& folder, const QString& name) {
    QApplication::processEvents();
    const QString path = folder.filePath(name);
    if (!widget.grab().save(path)) {
        std::cerr << "cannot write " << path.toStdString() << '\n';
        return false;
    }
    std::cout << path.toStdString() << '\n';
    return true;
}

void Click(MainWindow& window, const char* button) {
    window.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    QApplication::processEvents();
}

} // namespace

int MakeScreenshots(const QString& samplesFolder, const QString& outputFolder) {
    const QDir samples(samplesFolder);
    QDir out(outputFolder);
    if (!out.exists() && !QDir().mkpath(outputFolder)) {
        std::cerr << "cannot create " << outputFolder.toStdString() << '\n';
        return 1;
    }
    const auto sample = [&](const char* name) {
        return samples.filePath(QString::fromLatin1(name)).toStdString();
    };

    ScriptedPrompts prompts;
    MainWindow window(&prompts);
    prompts.FocusHandler = [&](std::string_view name) { window.FocusField(name); };
    window.show();
    QApplication::setActiveWindow(&window);

    prompts.OpenAnswers = {sample("main_line.jdx"), sample("main_line.dl")};
    Click(window, "initializeButton");
    if (!prompts.Errors.empty()) {
        std::cerr << "Initialize failed: " << prompts.Errors.front() << ' '
                  << prompts.Details.front() << '\n';
        return 1;
    }
    window.findChild<QLineEdit*>(QStringLiteral("stationField"))->setText(QStringLiteral("B15120"));
    window.findChild<QLineEdit*>(QStringLiteral("angleField"))->setText(QStringLiteral("75"));
    window.findChild<QLineEdit*>(QStringLiteral("skewField"))->setText(QStringLiteral("-6.5"));
    Click(window, "computeButton");
    window.FocusField("xField");
    bool ok = prompts.Refusals.empty() && prompts.Errors.empty();
    ok = ok && Save(window, out, QStringLiteral("main_window.png"));

    DrawingWindow& drawing = window.Drawing();
    drawing.resize(1280, 820);
    Click(window, "drawLineButton");
    ok = ok && prompts.Errors.empty();
    ok = ok && Save(window.Progress(), out, QStringLiteral("progress_window.png"));
    drawing.View().ZoomExtents();
    ok = ok && Save(drawing, out, QStringLiteral("drawing_window.png"));
    // Close enough to read the annotations: around the first curve and its main points.
    constexpr double kJd2East = 502688.615, kJd2North = 3452430.294;
    drawing.View().ShowArea(kJd2East - 260.0, kJd2North - 170.0, kJd2East + 260.0,
                            kJd2North + 170.0);
    ok = ok && Save(drawing, out, QStringLiteral("drawing_detail.png"));

    // The pile drawings on a clean sheet, each placed at the world origin.
    cad::DrawingDocument& document = window.Document();
    document.SetPickHandler([](std::string_view) {
        return std::optional<cad::Point>(cad::Point{0.0, 0.0, 0.0});
    });
    window.Progress().hide();
    window.show();
    document.Clear();
    prompts.OpenAnswers = {sample("bridge.zw")};
    Click(window, "pileTableButton");
    // The first columns of the table, large enough to read.
    if (const auto box = document.ComputeExtents()) {
        const double width = (box->MaxX - box->MinX) * 0.42;
        drawing.View().ShowArea(box->MinX - 2.0, box->MaxY - width * 0.6, box->MinX + width,
                                box->MaxY + 2.0);
    }
    ok = ok && prompts.Errors.empty() && Save(drawing, out, QStringLiteral("coordinate_table.png"));

    document.Clear();
    prompts.OpenAnswers = {sample("bridge.zw")};
    Click(window, "pileSketchButton");
    drawing.View().ZoomExtents();
    ok = ok && prompts.Errors.empty() && Save(drawing, out, QStringLiteral("pile_sketch.png"));

    // The dialogs of the "计算" menu, filled in as the manual's examples.
    if (const session::LoadedLine* line = window.Loaded().Line(Method::IntersectionPoint)) {
        LocateDialog locate(*line, prompts);
        locate.findChild<QLineEdit*>(QStringLiteral("locateX"))
            ->setText(QStringLiteral("3453254.3327"));
        locate.findChild<QLineEdit*>(QStringLiteral("locateY"))
            ->setText(QStringLiteral("504766.3420"));
        locate.LocateTyped();
        locate.show();
        ok = ok && Save(locate, out, QStringLiteral("locate_dialog.png"));
        SideStakeDialog stakes(*line, prompts, {});
        stakes.findChild<QLineEdit*>(QStringLiteral("stakeFrom"))
            ->setText(QStringLiteral("B15100"));
        stakes.findChild<QLineEdit*>(QStringLiteral("stakeTo"))->setText(QStringLiteral("B15200"));
        stakes.findChild<QLineEdit*>(QStringLiteral("stakeLeft"))->setText(QStringLiteral("12.5"));
        stakes.findChild<QLineEdit*>(QStringLiteral("stakeRight"))->setText(QStringLiteral("12.5"));
        stakes.show();
        ok = ok && Save(stakes, out, QStringLiteral("side_stake_dialog.png"));
    }
    // The polar stake-out of the bridge's piles (the pile sketch above read them), as the
    // manual's example sets the instrument up.
    if (!window.FieldPoints().empty()) {
        PolarDialog polar(window.FieldPoints(), window.FieldPointsSource(), prompts, {}, {});
        const auto type = [&polar](const char* field, const char* text) {
            polar.findChild<QLineEdit*>(QString::fromLatin1(field))
                ->setText(QString::fromLatin1(text));
        };
        type("stationXField", "3453200");
        type("stationYField", "504700");
        type("backsightXField", "3453300");
        type("backsightYField", "504800");
        ok = ok && polar.Compute();
        polar.show();
        ok = ok && Save(polar, out, QStringLiteral("polar_dialog.png"));
    } else {
        std::cerr << "the pile sketch left no points to set out\n";
        ok = false;
    }

    // The manual as the help button shows it.
    const QString help = FindHelpFile(QCoreApplication::applicationDirPath());
    if (help.isEmpty()) {
        std::cerr << "the manual is not beside the program\n";
        ok = false;
    } else {
        HelpWindow manual(help);
        manual.resize(900, 760);
        manual.show();
        ok = ok && Save(manual, out, QStringLiteral("help_window.png"));
    }

    if (!prompts.Errors.empty()) {
        std::cerr << "a command failed: " << prompts.Errors.front() << ' '
                  << prompts.Details.front() << '\n';
    }
    return ok ? 0 : 1;
}

} // namespace tesk::app
