#include "app/drawing_window.h"

#include "app/desktop_prompts.h"
#include "app/drawing_view.h"
#include "app/qt_text.h"
#include "cad/dxf_writer.h"
#include "geometry/error.h"
#include "geometry/number_text.h"
#include "session/command_handler.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QHideEvent>
#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>

namespace tesk::app {

DrawingWindow::DrawingWindow(cad::DrawingDocument& document, DesktopPrompts& prompts,
                             QWidget* parent)
    : QMainWindow(parent), m_document(document), m_prompts(prompts) {
    setWindowFlag(Qt::Window, true);
    setObjectName(QStringLiteral("DrawingWindow"));
    resize(1000, 700);
    // The size and place the user left it at last time, when there is one.
    restoreGeometry(QSettings(QStringLiteral("Tesk"), QStringLiteral("Tesk"))
                        .value(kGeometryKey)
                        .toByteArray());

    m_view = new DrawingView(document, this);
    m_view->setObjectName(QStringLiteral("DrawingView"));
    setCentralWidget(m_view);

    QToolBar* tools = addToolBar(QStringLiteral("图形"));
    tools->setObjectName(QStringLiteral("DrawingTools"));
    tools->setMovable(false);
    QAction* clear = tools->addAction(QStringLiteral("新建"));
    clear->setObjectName(QStringLiteral("NewDrawing"));
    clear->setToolTip(QStringLiteral("清除图形中的全部内容"));
    connect(clear, &QAction::triggered, this, &DrawingWindow::NewDrawing);
    QAction* save = tools->addAction(QStringLiteral("保存DXF…"));
    save->setObjectName(QStringLiteral("SaveDxf"));
    save->setShortcut(QKeySequence::Save);
    connect(save, &QAction::triggered, this, &DrawingWindow::SaveDxf);
    QAction* fit = tools->addAction(QStringLiteral("全图"));
    fit->setObjectName(QStringLiteral("ZoomExtents"));
    fit->setToolTip(QStringLiteral("缩放到整个图形（滚轮缩放，拖动平移）"));
    connect(fit, &QAction::triggered, m_view, &DrawingView::ZoomExtents);

    auto* dock = new QDockWidget(QStringLiteral("图层"), this);
    dock->setObjectName(QStringLiteral("LayerDock"));
    dock->setFeatures(QDockWidget::DockWidgetMovable);
    m_layers = new QListWidget(dock);
    m_layers->setObjectName(QStringLiteral("LayerList"));
    dock->setWidget(m_layers);
    addDockWidget(Qt::RightDockWidgetArea, dock);
    resizeDocks({dock}, {150}, Qt::Horizontal);
    connect(m_layers, &QListWidget::itemChanged, this, &DrawingWindow::OnLayerItemChanged);

    m_prompt = new QLabel(this);
    m_prompt->setObjectName(QStringLiteral("PickPrompt"));
    m_cursor = new QLabel(this);
    m_cursor->setObjectName(QStringLiteral("CursorCoordinates"));
    m_cursor->setMinimumWidth(300);
    statusBar()->addWidget(m_prompt, 1);
    statusBar()->addPermanentWidget(m_cursor);

    // Esc cancels a pick also when the focus has left the view (the layer list, the toolbar).
    m_cancelPick = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_cancelPick->setEnabled(false);
    connect(m_cancelPick, &QShortcut::activated, m_view, &DrawingView::CancelPick);
    // The drawing window covers the main window after every drawing command: Ctrl+M brings the
    // main window back to the front.
    auto* toMain = new QShortcut(QKeySequence(QStringLiteral("Ctrl+M")), this);
    toMain->setObjectName(QStringLiteral("MainWindowShortcut"));
    connect(toMain, &QShortcut::activated, this, &DrawingWindow::MainWindowRequested);

    connect(m_view, &DrawingView::DocumentChanged, this, &DrawingWindow::OnDocumentChanged);
    connect(m_view, &DrawingView::CursorMoved, this, &DrawingWindow::OnCursorMoved);
    connect(m_view, &DrawingView::PickStateChanged, this, &DrawingWindow::OnPickStateChanged);

    m_document.SetPickHandler([this](std::string_view prompt) -> std::optional<cad::Point> {
        show();
        raise();
        activateWindow();
        return m_view->Pick(ToQString(prompt));
    });
    m_document.SetZoomHandler([this] { m_view->ZoomExtents(); });
    m_savedRevision = m_document.Revision();
    OnDocumentChanged();
}

DrawingWindow::~DrawingWindow() {
    if (isVisible()) {
        SaveGeometry();
    }
    // The document outlives the window: it must not call back into it.
    m_document.SetPickHandler({});
    m_document.SetZoomHandler({});
}

QString DrawingWindow::PickPrompt() const {
    return m_prompt->text();
}

QString DrawingWindow::CursorText() const {
    return m_cursor->text();
}

bool DrawingWindow::HasUnsavedChanges() const {
    return !m_document.Entities().empty() && m_document.Revision() != m_savedRevision;
}

void DrawingWindow::OnDocumentChanged() {
    setWindowTitle(QString::fromStdString(m_document.Caption()));
    // Rebuild the layer list only when the layer names changed, keeping each one's visibility.
    QStringList names;
    for (const cad::LayerRecord& layer : m_document.Layers()) {
        names << QString::fromStdString(layer.Name);
    }
    QStringList shown;
    for (int i = 0; i < m_layers->count(); ++i) {
        shown << m_layers->item(i)->text();
    }
    if (names == shown) {
        return;
    }
    QSignalBlocker block(m_layers);
    m_layers->clear();
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, m_layers);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(m_view->IsLayerVisible(name.toStdString()) ? Qt::Checked
                                                                       : Qt::Unchecked);
    }
}

void DrawingWindow::OnLayerItemChanged(QListWidgetItem* item) {
    m_view->SetLayerVisible(item->text().toStdString(), item->checkState() == Qt::Checked);
}

void DrawingWindow::OnCursorMoved(double x, double y) {
    // Survey order: X is north (the drawing's y), Y is east.
    m_cursor->setText(QStringLiteral("X=%1  Y=%2")
                          .arg(QString::fromStdString(geometry::FormatFixed(y, 3)),
                               QString::fromStdString(geometry::FormatFixed(x, 3))));
}

void DrawingWindow::OnPickStateChanged(const QString& prompt) {
    m_cancelPick->setEnabled(!prompt.isEmpty());
    m_prompt->setText(prompt.isEmpty() ? QString()
                                       : prompt + QStringLiteral("  （单击拾取，Esc 取消）"));
}

void DrawingWindow::NewDrawing() {
    if (m_view->IsPicking()) {
        return; // a command is waiting for a point in this drawing
    }
    if (!m_document.Entities().empty() &&
        !m_prompts.Confirm("清除图形中的全部内容？未保存的图形将丢失。")) {
        return;
    }
    m_document.Clear();
    m_savedRevision = m_document.Revision();
    m_view->Refresh();
    m_view->ZoomExtents();
}

bool DrawingWindow::SaveDxf() {
    const QString suggested = m_lastSavedPath.isEmpty()
                                  ? QDir::home().filePath(QStringLiteral("设计线.dxf"))
                                  : m_lastSavedPath;
    const std::string path =
        m_prompts.SaveFile("保存DXF", "DXF 图形(*.dxf)|*.dxf", suggested.toStdString());
    if (path.empty()) {
        return false;
    }
    if (!session::RunOutputUnderHandler(m_prompts, false, path,
                                        [&] { cad::WriteDxf(m_document, path); })) {
        return false;
    }
    m_savedRevision = m_document.Revision();
    m_lastSavedPath = QString::fromStdString(path);
    return true;
}

void DrawingWindow::SaveGeometry() const {
    QSettings(QStringLiteral("Tesk"), QStringLiteral("Tesk"))
        .setValue(kGeometryKey, saveGeometry());
}

void DrawingWindow::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) { // hidden by the program or closed, not minimised
        SaveGeometry();
    }
    QMainWindow::hideEvent(event);
}

void DrawingWindow::closeEvent(QCloseEvent* event) {
    // Closing only hides the window (the drawing lives as long as the session); a running
    // pick ends without a point.
    m_view->CancelPick();
    event->accept();
}

} // namespace tesk::app
