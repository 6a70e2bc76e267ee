#include "app/drawing_view.h"

#include "app/aci_palette.h"

#include <QEventLoop>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <type_traits>
#include <utility>
#include <vector>

namespace tesk::app {
namespace {

const QColor kBackground(33, 40, 48);
constexpr double kFitMargin = 0.92; ///< share of the view the drawing fills after a fit
constexpr double kClickSlop = 4.0;  ///< pixels a press may move and still be a click
constexpr double kMinScale = 1e-6;  ///< pixels per metre
constexpr double kMaxScale = 1e6;
constexpr int kFontPixels = 64;        ///< texts are laid out at this size, then scaled
constexpr double kMinTextPixels = 1.5; ///< smaller texts are not drawn
constexpr double kMaxTextPixels = 1e5; ///< nor texts zoomed far beyond the screen

/// Beyond this many pixels a circle is drawn piecewise: the painter's fixed-point device
/// coordinates cannot hold a deep zoom's screen positions (millions of pixels off screen).
constexpr double kMaxDirectPixels = 20000.0;

/// Clips the segment a-b to `box` (Liang-Barsky). Returns false when no part of it is inside;
/// otherwise a and b are moved onto the box where they were outside.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& box) {
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    double t0 = 0.0;
    double t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(),
                         box.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) {
                return false; // parallel to this edge and outside it
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) {
            return false;
        }
    }
    const QPointF start = a;
    if (t1 < 1.0) {
        b = QPointF(start.x() + t1 * dx, start.y() + t1 * dy);
    }
    if (t0 > 0.0) {
        a = QPointF(start.x() + t0 * dx, start.y() + t0 * dy);
    }
    return true;
}

/// Draws the open path through `points`, only what lies in `box`, in runs of whole segments so
/// that the joins stay smooth. Vertices closer than a fifth of a pixel to the last one drawn are
/// passed over (a spiral of hundreds of vertices seen from afar is a few pixels long): the path
/// looks the same and costs the painter a fraction of the joins.
void DrawClipped(QPainter& painter, const QPolygonF& points, const QRectF& box) {
    constexpr double kMinStep = 0.2; // pixels
    QPolygonF run;
    const auto flush = [&] {
        if (run.size() >= 2) {
            painter.drawPolyline(run);
        }
        run.clear();
    };
    QPointF from = points.isEmpty() ? QPointF() : points[0];
    for (qsizetype i = 1; i < points.size(); ++i) {
        const bool last = i + 1 == points.size();
        const QPointF delta = points[i] - from;
        if (!last && std::fabs(delta.x()) < kMinStep && std::fabs(delta.y()) < kMinStep) {
            continue;
        }
        QPointF a = from;
        QPointF b = points[i];
        from = points[i];
        if (!ClipSegment(a, b, box)) {
            flush();
            continue;
        }
        if (!run.isEmpty() && run.constLast() != a) {
            flush();
        }
        if (run.isEmpty()) {
            run << a;
        }
        run << b;
    }
    flush();
}

QFont TextFont() {
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kFontPixels);
    return font;
}

// The drawing's texts use the CAD fonts fsdb_e.shx (Western characters) and fsdb.shx (the big
// font, Chinese characters). A CAD program makes the capitals and digits of a text of height h
// exactly h tall, and the big font's characters as tall; the digits of fsdb_e.shx are narrow,
// advancing about 0.58 h (the coordinate table's hand-tuned offsets assume it), the big font's
// characters about h. The view's font is scaled to these measures, each kind on its own, so
// that texts take the room they take in the CAD program.
constexpr double kWesternAdvance = 0.58; ///< advance of a digit, in text heights
constexpr double kBigFontAdvance = 1.0;  ///< advance of a Chinese character, in text heights

/// How the layout font is scaled for one kind of characters.
struct GlyphScale {
    double Height = 1.0; ///< font pixels per text height (the ink height of the kind)
    double Width = 1.0;  ///< horizontal stretch on top of the height scale
};

/// The scales of the Western and the Chinese characters of the layout font.
struct TextScales {
    GlyphScale Western;
    GlyphScale BigFont;
};

TextScales MeasureTextScales(const QFontMetricsF& metrics) {
    TextScales scales;
    const double cap = metrics.capHeight();
    scales.Western.Height = cap > 0.0 ? cap : 0.7 * kFontPixels;
    const double digit = metrics.horizontalAdvance(QStringLiteral("0"));
    if (digit > 0.0) {
        scales.Western.Width = kWesternAdvance * scales.Western.Height / digit;
    }
    const double han = metrics.tightBoundingRect(QStringLiteral("国")).height();
    scales.BigFont.Height = han > 0.0 ? han : 0.9 * kFontPixels;
    const double hanAdvance = metrics.horizontalAdvance(QStringLiteral("国"));
    if (hanAdvance > 0.0) {
        scales.BigFont.Width = kBigFontAdvance * scales.BigFont.Height / hanAdvance;
    }
    return scales;
}

/// A stretch of a text drawn at one scale.
struct TextRun {
    QString Text;
    double ScaleX = 1.0;  ///< screen pixels per font pixel along the text
    double ScaleY = 1.0;  ///< screen pixels per font pixel across it
    double Advance = 0.0; ///< screen pixels
};

/// Splits `text` into runs of Western and of Chinese (big-font) characters, scaled for a text
/// `pixels` high on screen.
std::vector<TextRun> SplitRuns(const QString& text, const QFontMetricsF& metrics,
                               const TextScales& scales, double pixels) {
    std::vector<TextRun> runs;
    bool bigFont = false;
    for (const QChar ch : text) {
        const bool isBig = ch.unicode() >= 0x2E80; // CJK, full-width forms and beyond
        if (runs.empty() || isBig != bigFont) {
            const GlyphScale& kind = isBig ? scales.BigFont : scales.Western;
            const double k = pixels / kind.Height;
            runs.push_back({QString(), k * kind.Width, k, 0.0});
            bigFont = isBig;
        }
        runs.back().Text += ch;
    }
    for (TextRun& run : runs) {
        run.Advance = metrics.horizontalAdvance(run.Text) * run.ScaleX;
    }
    return runs;
}

/// Draws `text` with its anchor at the screen point `at`, `pixels` (screen) high, laid out in the
/// font of `metrics` scaled by `scales`.
void DrawTextAt(QPainter& painter, const cad::DrawnText& text, QPointF at, double pixels,
                const QFontMetricsF& metrics, const TextScales& scales) {
    const QString utf16 = QString::fromStdString(text.Text);
    // Every length below is in screen pixels along the text, before the width factor.
    const std::vector<TextRun> runs = SplitRuns(utf16, metrics, scales, pixels);
    double advance = 0.0;
    for (const TextRun& run : runs) {
        advance += run.Advance;
    }
    double dx = 0.0;
    if (text.Horizontal == cad::HorizontalAlignment::Center) {
        dx = -advance / 2.0;
    } else if (text.Horizontal == cad::HorizontalAlignment::Right) {
        dx = -advance;
    }
    double dy = 0.0; // baseline below the anchor
    switch (text.Vertical) {
    case cad::VerticalAlignment::Baseline:
        break;
    case cad::VerticalAlignment::Bottom: // the descenders' line
        dy = -metrics.descent() * pixels / scales.Western.Height;
        break;
    case cad::VerticalAlignment::Middle:
        dy = pixels / 2.0;
        break;
    case cad::VerticalAlignment::Top:
        dy = pixels;
        break;
    }
    painter.save();
    painter.translate(at);
    painter.rotate(-text.Rotation * 180.0 / std::numbers::pi);
    painter.scale(text.WidthFactor, 1.0);
    for (const TextRun& run : runs) {
        painter.save();
        painter.translate(dx, dy);
        painter.scale(run.ScaleX, run.ScaleY);
        painter.drawText(QPointF(0.0, 0.0), run.Text);
        painter.restore();
        dx += run.Advance;
    }
    painter.restore();
}

} // namespace

DrawingView::DrawingView(const cad::DrawingDocument& document, QWidget* parent)
    : QWidget(parent), m_document(document) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(false);
    setMinimumSize(200, 150);
    // The commands add entities without telling the view; a light poll keeps it current.
    m_poll = new QTimer(this);
    m_poll->setInterval(150);
    connect(m_poll, &QTimer::timeout, this, &DrawingView::Refresh);
    m_poll->start();
}

DrawingView::~DrawingView() {
    CancelPick();
}

void DrawingView::Refresh() {
    if (m_document.Revision() != m_shownRevision) {
        m_shownRevision = m_document.Revision();
        emit DocumentChanged();
        update();
    }
}

QPointF DrawingView::WorldToScreen(double x, double y) const {
    return {(x - m_centreX) * m_scale + width() / 2.0, height() / 2.0 - (y - m_centreY) * m_scale};
}

cad::Point DrawingView::ScreenToWorld(QPointF screen) const {
    return {m_centreX + (screen.x() - width() / 2.0) / m_scale,
            m_centreY - (screen.y() - height() / 2.0) / m_scale, 0.0};
}

void DrawingView::ZoomExtents() {
    m_fitPending = width() <= 1 || height() <= 1 || !isVisible();
    const std::optional<cad::Extents> extents = m_document.ComputeExtents();
    if (!extents) {
        m_centreX = m_centreY = 0.0;
        m_scale = 1.0;
        update();
        return;
    }
    ShowArea(extents->MinX, extents->MinY, extents->MaxX, extents->MaxY);
}

void DrawingView::ShowArea(double minX, double minY, double maxX, double maxY) {
    m_centreX = (minX + maxX) / 2.0;
    m_centreY = (minY + maxY) / 2.0;
    const double spanX = maxX - minX;
    const double spanY = maxY - minY;
    const double w = std::max(width(), 1);
    const double h = std::max(height(), 1);
    double scale = 1.0;
    if (spanX > 0.0 && spanY > 0.0) {
        scale = std::min(w / spanX, h / spanY);
    } else if (spanX > 0.0 || spanY > 0.0) { // a drawing along one axis
        scale = std::min(w, h) / std::max(spanX, spanY);
    }
    m_scale = std::clamp(scale * kFitMargin, kMinScale, kMaxScale);
    update();
}

void DrawingView::SetLayerVisible(const std::string& layer, bool visible) {
    if (visible) {
        m_hiddenLayers.erase(layer);
    } else {
        m_hiddenLayers.insert(layer);
    }
    update();
}

bool DrawingView::IsLayerVisible(const std::string& layer) const {
    return m_hiddenLayers.count(layer) == 0;
}

void DrawingView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_fitPending && width() > 1 && height() > 1) {
        ZoomExtents();
    }
}

void DrawingView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    painter.setRenderHint(QPainter::Antialiasing, true);

    const QFont font = TextFont();
    const QFontMetricsF metrics(font);
    const TextScales textScales = MeasureTextScales(metrics);
    painter.setFont(font);
    const QRectF visible = QRectF(rect()).adjusted(-50, -50, 50, 50);

    for (const cad::DrawnEntity& entity : m_document.Entities()) {
        if (!IsLayerVisible(entity.Layer)) {
            continue;
        }
        QPen pen(AciColor(m_document.EffectiveColor(entity)));
        pen.setCosmetic(true);
        pen.setWidthF(1.2);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);

        std::visit(
            [&](const auto& shape) {
                using T = std::decay_t<decltype(shape)>;
                if constexpr (std::is_same_v<T, cad::DrawnPoint>) {
                    const QPointF p = WorldToScreen(shape.Position.X, shape.Position.Y);
                    if (visible.contains(p)) {
                        painter.drawLine(p + QPointF(-3, 0), p + QPointF(3, 0));
                        painter.drawLine(p + QPointF(0, -3), p + QPointF(0, 3));
                    }
                } else if constexpr (std::is_same_v<T, cad::DrawnLine>) {
                    QPointF a = WorldToScreen(shape.Start.X, shape.Start.Y);
                    QPointF b = WorldToScreen(shape.End.X, shape.End.Y);
                    if (ClipSegment(a, b, visible)) {
                        painter.drawLine(a, b);
                    }
                } else if constexpr (std::is_same_v<T, cad::DrawnCircle>) {
                    const QPointF c = WorldToScreen(shape.Centre.X, shape.Centre.Y);
                    const double r = shape.Radius * m_scale;
                    if (r < kMaxDirectPixels && visible.adjusted(-r, -r, r, r).contains(c)) {
                        painter.drawEllipse(c, r, r);
                    } else if (r >= kMaxDirectPixels) {
                        DrawArc(painter, shape.Centre, shape.Radius, 0.0, 2.0 * std::numbers::pi,
                                visible);
                    }
                } else if constexpr (std::is_same_v<T, cad::DrawnArc>) {
                    DrawArc(painter, shape.Centre, shape.Radius, shape.StartAngle, shape.Sweep(),
                            visible);
                } else if constexpr (std::is_same_v<T, cad::DrawnPolyline>) {
                    QPolygonF polygon;
                    polygon.reserve(static_cast<qsizetype>(shape.Vertices.size()));
                    for (const cad::Point& v : shape.Vertices) {
                        polygon << WorldToScreen(v.X, v.Y);
                    }
                    DrawClipped(painter, polygon, visible);
                } else if constexpr (std::is_same_v<T, cad::DrawnText>) {
                    const double pixels = shape.Height * m_scale;
                    const cad::Point anchor = shape.Anchor();
                    const QPointF at = WorldToScreen(anchor.X, anchor.Y);
                    const double reach = pixels * (1.0 + 1.0 * shape.Text.size());
                    if (pixels >= kMinTextPixels && pixels <= kMaxTextPixels &&
                        visible.adjusted(-reach, -reach, reach, reach).contains(at)) {
                        DrawTextAt(painter, shape, at, pixels, metrics, textScales);
                    }
                }
            },
            entity.Shape);
    }
}

void DrawingView::DrawArc(QPainter& painter, const cad::Point& centre, double radius,
                          double startAngle, double sweep, const QRectF& box) const {
    constexpr double kTwoPi = 2.0 * std::numbers::pi;
    const double pixels = radius * m_scale; // radius on screen
    const double reach = std::hypot(box.width(), box.height());
    // The pieces of the arc to sample, as (start, sweep) in radians.
    std::vector<std::pair<double, double>> pieces{{startAngle, sweep}};
    if (pixels > reach) {
        // Deep zoom: only the stretch nearest the view can show. Take a window of angles around
        // the direction from the centre to the view, generous enough to cover the whole view.
        const double toView = std::atan2(m_centreY - centre.Y, m_centreX - centre.X);
        const double half = std::min(std::numbers::pi, 2.0 * reach / pixels);
        double offset = std::fmod(toView - half - startAngle, kTwoPi); // window start on the arc
        if (offset < 0.0) {
            offset += kTwoPi;
        }
        pieces.clear();
        for (const double o : {offset, offset - kTwoPi}) {
            const double from = std::max(o, 0.0);
            const double to = std::min(o + 2.0 * half, sweep);
            if (to > from) {
                pieces.emplace_back(startAngle + from, to - from);
            }
        }
    }
    for (const auto& [from, span] : pieces) {
        // Chords of about 2 px look round at any zoom.
        const int segments = std::clamp(static_cast<int>(span * pixels / 2.0), 8, 4096);
        QPolygonF polygon;
        polygon.reserve(segments + 1);
        for (int i = 0; i <= segments; ++i) {
            const double a = from + span * i / segments;
            polygon << WorldToScreen(centre.X + radius * std::cos(a),
                                     centre.Y + radius * std::sin(a));
        }
        DrawClipped(painter, polygon, box);
    }
}

void DrawingView::ZoomAt(QPointF screen, double factor) {
    const cad::Point before = ScreenToWorld(screen);
    m_scale = std::clamp(m_scale * factor, kMinScale, kMaxScale);
    const cad::Point after = ScreenToWorld(screen);
    m_centreX += before.X - after.X;
    m_centreY += before.Y - after.Y;
    m_fitPending = false;
    update();
}

void DrawingView::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    if (steps != 0.0) {
        ZoomAt(event->position(), std::pow(1.25, steps));
    }
    event->accept();
}

void DrawingView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton) {
        m_dragging = true;
        m_pressPos = m_lastPos = event->position();
        if (!IsPicking()) {
            setCursor(Qt::ClosedHandCursor);
        }
    }
    event->accept();
}

void DrawingView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    if (m_dragging) {
        m_centreX -= (pos.x() - m_lastPos.x()) / m_scale;
        m_centreY += (pos.y() - m_lastPos.y()) / m_scale;
        m_lastPos = pos;
        m_fitPending = false;
        update();
    }
    const cad::Point world = ScreenToWorld(pos);
    emit CursorMoved(world.X, world.Y);
}

void DrawingView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging) {
        return;
    }
    m_dragging = false;
    if (!IsPicking()) {
        unsetCursor();
    }
    const QPointF moved = event->position() - m_pressPos;
    const bool click = std::hypot(moved.x(), moved.y()) <= kClickSlop;
    if (click && event->button() == Qt::LeftButton && IsPicking()) {
        FinishPick(ScreenToWorld(event->position()));
    }
    event->accept();
}

void DrawingView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && IsPicking()) {
        FinishPick(std::nullopt);
        return;
    }
    QWidget::keyPressEvent(event);
}

std::optional<cad::Point> DrawingView::Pick(const QString& prompt) {
    if (IsPicking()) {
        return std::nullopt;
    }
    QEventLoop loop;
    m_pickLoop = &loop;
    m_picked.reset();
    setCursor(Qt::CrossCursor);
    setFocus(Qt::OtherFocusReason);
    emit PickStateChanged(prompt);
    loop.exec();
    m_pickLoop = nullptr;
    unsetCursor();
    emit PickStateChanged(QString());
    return m_picked;
}

void DrawingView::CancelPick() {
    FinishPick(std::nullopt);
}

void DrawingView::FinishPick(std::optional<cad::Point> point) {
    if (m_pickLoop) {
        m_picked = point;
        m_pickLoop->quit();
    }
}

} // namespace tesk::app
