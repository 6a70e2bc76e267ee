#pragma once

// The commands' prompts as real dialogs: file dialogs, message boxes, focus moves.

#include "app/desktop_prompts.h"

#include <QString>

class QWidget;

namespace tesk::app {

class MainWindow;

class QtPrompts final : public DesktopPrompts {
public:
    /// `window` receives the focus moves and ActivateMainWindow and owns the dialogs while it is shown.
    explicit QtPrompts(MainWindow& window) : m_window(window) {}

    std::string OpenFile(std::string_view title, std::string_view filter) override;
    using DesktopPrompts::Refuse;
    void Refuse(const session::Refusal& refusal) override;
    void Error(std::string_view message, std::string_view detail,
               std::string_view technical) override;
    void ActivateMainWindow() override;

    std::string SaveFile(std::string_view title, std::string_view filter,
                         std::string_view suggestedPath) override;
    bool Confirm(std::string_view question) override;
    bool OpenWithDesktop(std::string_view path) override;
    void Inform(std::string_view message) override;

private:
    /// The window a dialog belongs to: the main window when it is shown, otherwise the window
    /// the user is working in (the progress or drawing window while the main window is hidden).
    QWidget* DialogParent() const;

    MainWindow& m_window;
    QString m_lastFolder; ///< where the previous open dialog ended, to start the next one there
};

} // namespace tesk::app
