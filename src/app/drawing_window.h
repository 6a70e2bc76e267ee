#pragma once

// The window that shows the session's drawing: the view, the layer list, the cursor's survey
// coordinates, the pick prompt, and the commands to clear the drawing and save it as DXF.

#include "cad/drawing_document.h"

#include <QMainWindow>

#include <cstdint>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QShortcut;

namespace tesk::app {

class DesktopPrompts;
class DrawingView;

class DrawingWindow final : public QMainWindow {
    Q_OBJECT

public:
    /// Where the window's size and place are kept between runs (QSettings "Tesk"/"Tesk").
    static constexpr const char* kGeometryKey = "DrawingWindow/geometry";

    /// Shows `document` (which must outlive the window) and becomes its pick and zoom handler:
    /// a pick shows this window and waits for a click here.
    DrawingWindow(cad::DrawingDocument& document, DesktopPrompts& prompts,
                  QWidget* parent = nullptr);
    ~DrawingWindow() override;

    DrawingView& View() { return *m_view; }
    /// The pick prompt shown while a pick runs, empty otherwise.
    QString PickPrompt() const;
    /// The cursor coordinates as the status bar shows them.
    QString CursorText() const;
    /// True when the drawing has entities that were not saved as DXF since their last change.
    bool HasUnsavedChanges() const;

    /// "新建": empties the drawing after the user agreed (when it holds anything).
    void NewDrawing();
    /// "保存DXF…": asks for a file and writes the drawing. Returns true when it was written.
    bool SaveDxf();

signals:
    /// Ctrl+M: the user wants the main window in front of this one.
    void MainWindowRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    /// Keeps the window's size and place for the next time it is shown (also in a later run).
    void hideEvent(QHideEvent* event) override;

private:
    void OnDocumentChanged();
    void OnCursorMoved(double x, double y);
    void OnPickStateChanged(const QString& prompt);
    void OnLayerItemChanged(QListWidgetItem* item);
    void SaveGeometry() const;

    cad::DrawingDocument& m_document;
    DesktopPrompts& m_prompts;
    DrawingView* m_view = nullptr;
    QListWidget* m_layers = nullptr;
    QLabel* m_prompt = nullptr;
    QLabel* m_cursor = nullptr;
    QShortcut* m_cancelPick = nullptr; ///< Esc anywhere in the window while a pick runs
    std::uint64_t m_savedRevision = 0;
    QString m_lastSavedPath; ///< where the drawing was last saved, suggested next time
};

} // namespace tesk::app
