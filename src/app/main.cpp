// The desktop program: the main window of a surveyor's session.

#include "app/main_window.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tesk"));
    QApplication::setApplicationVersion(QStringLiteral("5.6"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tesk/tesk.svg")));

    tesk::app::MainWindow window;
    window.show();
    return QApplication::exec();
}
