#include "app/progress_window.h"

#include "app/qt_text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace tesk::app {

void CenterWindow(QWidget& window) {
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect area = screen->availableGeometry();
    const QSize size = window.frameGeometry().size();
    window.move(area.left() + (area.width() - size.width()) / 2,
                area.top() + (area.height() - size.height()) / 3);
}

ProgressWindow::ProgressWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form3"));
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint);
    setWindowTitle(QStringLiteral("Tesk"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setAlignment(Qt::AlignCenter);
    // A double-click on the label is one on the window.
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    QFont font = m_label->font();
    font.setPointSizeF(font.pointSizeF() * 1.25);
    m_label->setFont(font);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2); // the enlarged stage text fits the 43 px height
    layout->addWidget(m_label);
    setFixedSize(kWidth, kHeight);
    setToolTip(QStringLiteral("双击返回主窗口"));
}

void ProgressWindow::SetStage(std::string_view text) {
    m_label->setText(ToQString(text));
    repaint();
    // Let the window (and the drawing view) paint; input waits until the drawing is done.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QString ProgressWindow::Stage() const {
    return m_label->text();
}

void ProgressWindow::Start() {
    m_label->clear();
    show();
    CenterWindow(*this);
    raise();
}

void ProgressWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    hide();
    emit ReturnRequested();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit ReturnRequested();
}

} // namespace tesk::app
