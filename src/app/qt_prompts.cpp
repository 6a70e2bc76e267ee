#include "app/qt_prompts.h"

#include "app/file_filter.h"
#include "app/main_window.h"
#include "app/qt_text.h"
#include "session/prompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace tesk::app {
namespace {

/// The suffix a saved file gets when the user types a name without one: the first pattern's.
QString DefaultSuffix(std::string_view filter) {
    const QStringList parts = ToQString(filter).split(u'|');
    if (parts.size() < 2) {
        return {};
    }
    const QString first = parts[1].split(u';').value(0).trimmed();
    const qsizetype dot = first.lastIndexOf(u'.');
    if (dot < 0 || first.mid(dot + 1).contains(u'*')) {
        return {};
    }
    return first.mid(dot + 1);
}

/// The suffix of a filter as Qt shows it ("CSV点文件 (*.csv)" -> "csv"): the first pattern in
/// its last parentheses; empty for a pattern without a plain suffix ("*", "*.*").
QString SuffixOfQtFilter(const QString& filter) {
    const qsizetype open = filter.lastIndexOf(u'(');
    const qsizetype close = filter.lastIndexOf(u')');
    if (open < 0 || close < open) {
        return {};
    }
    const QString first =
        filter.mid(open + 1, close - open - 1).split(u' ', Qt::SkipEmptyParts).value(0);
    const qsizetype dot = first.lastIndexOf(u'.');
    if (dot < 0 || first.mid(dot + 1).contains(u'*')) {
        return {};
    }
    return first.mid(dot + 1);
}

} // namespace

QWidget* QtPrompts::DialogParent() const {
    if (m_window.isVisible()) {
        return &m_window;
    }
    return QApplication::activeWindow();
}

std::string QtPrompts::OpenFile(std::string_view title, std::string_view filter) {
    const QString path = QFileDialog::getOpenFileName(DialogParent(), ToQString(title),
                                                      m_lastFolder, QtFileFilter(filter));
    if (!path.isEmpty()) {
        m_lastFolder = QFileInfo(path).absolutePath();
    }
    return path.toStdString();
}

void QtPrompts::Refuse(const session::Refusal& refusal) {
    if (refusal.ActivateFirst) {
        ActivateMainWindow();
    }
    QMessageBox box(QMessageBox::Warning, ToQString(session::kRefusalTitle),
                    ToQString(refusal.Message), QMessageBox::Ok, DialogParent());
    box.exec();
    if (refusal.Focus != session::Field::None) {
        m_window.FocusField(FieldControlName(refusal.Focus));
    }
}

void QtPrompts::Error(std::string_view message, std::string_view detail, std::string_view) {
    QMessageBox box(QMessageBox::Critical, ToQString(session::kErrorTitle), ToQString(message),
                    QMessageBox::Ok, DialogParent());
    if (!detail.empty()) {
        box.setDetailedText(ToQString(detail));
    }
    box.exec();
}

void QtPrompts::ActivateMainWindow() {
    m_window.ActivateMainWindow();
}

std::string QtPrompts::SaveFile(std::string_view title, std::string_view filter,
                                std::string_view suggestedPath) {
    QFileDialog dialog(DialogParent(), ToQString(title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QtFileFilter(filter));
    dialog.setDefaultSuffix(DefaultSuffix(filter));
    // A name typed without a suffix takes that of the type the user chose, not the first one's
    // (a point file's format goes by its suffix).
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        const QString suffix = SuffixOfQtFilter(f);
        if (!suffix.isEmpty()) {
            dialog.setDefaultSuffix(suffix);
        }
    });
    // The dialog asks before it returns the name of a file that exists.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    const QFileInfo suggested(ToQString(suggestedPath));
    if (!suggestedPath.empty()) {
        dialog.setDirectory(suggested.absolutePath());
        dialog.selectFile(suggested.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst().toStdString();
}

bool QtPrompts::Confirm(std::string_view question) {
    return QMessageBox::question(DialogParent(), QStringLiteral("Tesk"), ToQString(question),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

bool QtPrompts::OpenWithDesktop(std::string_view path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQString(path)));
}

void QtPrompts::Inform(std::string_view message) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Tesk"), ToQString(message),
                    QMessageBox::Ok, DialogParent());
    box.exec();
}

} // namespace tesk::app
