#pragma once

// The view of a drawing document: every entity in its colour on a dark background, panned with
// the mouse, zoomed with the wheel, and the place where the user picks a point.

#include "cad/drawing_document.h"

#include <QPointF>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <set>
#include <string>

class QEventLoop;
class QPainter;
class QTimer;

namespace tesk::app {

class DrawingView final : public QWidget {
    Q_OBJECT

public:
    /// Shows `document`, which must outlive the view.
    explicit DrawingView(const cad::DrawingDocument& document, QWidget* parent = nullptr);
    ~DrawingView() override;

    /// Fits the whole drawing into the view (margins of a few per cent). An empty drawing
    /// shows the world origin at one pixel per metre.
    void ZoomExtents();
    /// Fits the world rectangle (metres, x east, y north; min < max) into the view.
    void ShowArea(double minX, double minY, double maxX, double maxY);

    /// Lets the user click a point. Runs a local event loop until a left click (the world
    /// point under the cursor), Esc, CancelPick or the window closing (nothing). A pick asked
    /// for while one is running is refused at once (nothing).
    std::optional<cad::Point> Pick(const QString& prompt);
    /// Ends a running pick without a point.
    void CancelPick();
    bool IsPicking() const { return m_pickLoop != nullptr; }

    void SetLayerVisible(const std::string& layer, bool visible);
    bool IsLayerVisible(const std::string& layer) const;

    /// Screen position (widget pixels) of a world point, and back.
    QPointF WorldToScreen(double x, double y) const;
    cad::Point ScreenToWorld(QPointF screen) const;
    /// Pixels per metre.
    double Scale() const { return m_scale; }

    /// Repaints when the document changed since the last paint.
    void Refresh();

signals:
    /// The cursor is over world point (x east, y north).
    void CursorMoved(double x, double y);
    /// A pick started (`prompt`) or ended (empty prompt).
    void PickStateChanged(const QString& prompt);
    /// The document changed (entities, layers, caption).
    void DocumentChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FinishPick(std::optional<cad::Point> point);
    /// Draws the arc of `radius` (m) about the world point `centre`, counter-clockwise from
    /// `startAngle` through `sweep` (rad), only where it crosses `box` (widget pixels).
    void DrawArc(QPainter& painter, const cad::Point& centre, double radius, double startAngle,
                 double sweep, const QRectF& box) const;
    void ZoomAt(QPointF screen, double factor);

    const cad::DrawingDocument& m_document;
    double m_scale = 1.0;   ///< pixels per metre
    double m_centreX = 0.0; ///< world point at the centre of the view, m
    double m_centreY = 0.0;
    bool m_fitPending = true; ///< fit once the widget has its size
    std::set<std::string> m_hiddenLayers;
    std::uint64_t m_shownRevision = ~std::uint64_t{0};
    QTimer* m_poll = nullptr;

    QEventLoop* m_pickLoop = nullptr;
    std::optional<cad::Point> m_picked;

    bool m_dragging = false;
    QPointF m_pressPos;
    QPointF m_lastPos;
};

} // namespace tesk::app
