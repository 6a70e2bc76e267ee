// The desktop program: the main window of a surveyor's session.
//
//   tesk                                   the program
//   tesk --screenshot OUTDIR SAMPLESDIR    writes the screenshots of the manual and exits

#include "app/main_window.h"
#include "app/screenshots.h"
#include "formats/output_file.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv) {
    // Ctrl+C or a kill while a drawing or workbook is saved leaves no temporary beside it.
    tesk::formats::InstallInterruptCleanup();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tesk"));
    QApplication::setApplicationVersion(QStringLiteral("5.6"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tesk/tesk.svg")));

    // Qt's own dialog texts (buttons, file dialogs) in Chinese where the translations are
    // installed; the program's texts are Chinese already.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }

    const QStringList args = QApplication::arguments();
    if (args.size() == 4 && args[1] == QStringLiteral("--screenshot")) {
        return tesk::app::MakeScreenshots(args[3], args[2]);
    }

    tesk::app::MainWindow window;
    window.show();
    return QApplication::exec();
}
