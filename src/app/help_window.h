#pragma once

// The Chinese user manual, an HTML file installed beside the program.

#include <QString>
#include <QTextBrowser>

namespace tesk::app {

/// The manual's start page for a program in `programFolder`: "help/index.html" beside the
/// program (the build tree), else "../share/tesk/help/index.html" (an installed program).
/// Returns the first that exists, or an empty string.
QString FindHelpFile(const QString& programFolder);

/// A window that shows the manual and follows its links.
class HelpWindow final : public QTextBrowser {
    Q_OBJECT

public:
    explicit HelpWindow(const QString& indexFile, QWidget* parent = nullptr);
};

} // namespace tesk::app
