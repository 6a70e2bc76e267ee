#pragma once

// The small window that stands in for the main window while the design line is drawn: one line
// naming the current stage, above every other window; a double-click returns to the main window.

#include <QWidget>

#include <string_view>

class QLabel;

namespace tesk::app {

class ProgressWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr std::string_view kFinishedText = "设计线绘制完毕，双击返回";
    /// Size in pixels at 96 dpi: 3900 x 645 twips (15 twips a pixel).
    static constexpr int kWidth = 3900 / 15;
    static constexpr int kHeight = 645 / 15;

    explicit ProgressWindow(QWidget* parent = nullptr);

    /// Shows `text` (a stage of the drawing) and repaints at once, before the stage's work.
    void SetStage(std::string_view text);
    QString Stage() const;

    /// Shows the window centred, above all others, with an empty text.
    void Start();

signals:
    /// The user double-clicked: the window has closed and the main window should come back.
    void ReturnRequested();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    /// A window manager's close (the window has no close button) returns as a double-click
    /// does, so the hidden main window is never left without a way back.
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_label = nullptr;
};

/// Places `window` with its left edge at (screen width - window width) / 2 and its top edge at
/// (screen height - window height) / 3 on the screen it is on (the primary screen before it
/// is shown), using the available area (without panels).
void CenterWindow(QWidget& window);

} // namespace tesk::app
