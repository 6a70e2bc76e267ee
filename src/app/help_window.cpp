#include "app/help_window.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace tesk::app {

QString FindHelpFile(const QString& programFolder) {
    const QDir folder(programFolder);
    for (const QString& relative :
         {QStringLiteral("help/index.html"), QStringLiteral("../share/tesk/help/index.html")}) {
        const QFileInfo candidate(folder.filePath(relative));
        if (candidate.isFile()) {
            return QDir::cleanPath(candidate.absoluteFilePath());
        }
    }
    return {};
}

HelpWindow::HelpWindow(const QString& indexFile, QWidget* parent) : QTextBrowser(parent) {
    setWindowFlag(Qt::Window, true);
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Tesk 帮助"));
    setOpenExternalLinks(true);
    resize(860, 720);
    setSource(QUrl::fromLocalFile(indexFile));
}

} // namespace tesk::app
