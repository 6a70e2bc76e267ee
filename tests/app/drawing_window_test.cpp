// The drawing window: what the view shows, how it is panned, zoomed and picked in, the layer
// list, the status bar, clearing and saving.

#include "app/drawing_view.h"
#include "app/drawing_window.h"
#include "app/scripted_prompts.h"
#include "geometry/error.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <numbers>

using namespace tesk;

namespace {

/// Whether a pixel shows `colour` (one of the pure drawing colours), also where antialiasing
/// blends a thin line with the dark background.
bool Shows(QColor pixel, QColor colour) {
    const auto channel = [](int pixelValue, int colourValue) {
        return colourValue > 0 ? pixelValue > 110 : pixelValue < 90;
    };
    return channel(pixel.red(), colour.red()) && channel(pixel.green(), colour.green()) &&
           channel(pixel.blue(), colour.blue());
}

/// Pixels of `image` that show `colour`.
int CountPixels(const QImage& image, QColor colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += Shows(image.pixelColor(x, y), colour);
        }
    }
    return count;
}

/// Bounding box of the pixels of `image` that show `colour`.
QRect InkBox(const QImage& image, QColor colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (Shows(image.pixelColor(x, y), colour)) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

} // namespace

class DrawingWindowTest : public QObject {
    Q_OBJECT

    cad::DrawingDocument* m_document = nullptr;
    app::ScriptedPrompts* m_prompts = nullptr;
    app::DrawingWindow* m_window = nullptr;
    QTemporaryDir m_settings; ///< where the windows keep their settings in these tests

    app::DrawingView& View() { return m_window->View(); }

private slots:
    void initTestCase() {
        QVERIFY(m_settings.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
    }
    void init() {
        m_document = new cad::DrawingDocument;
        m_prompts = new app::ScriptedPrompts;
        m_window = new app::DrawingWindow(*m_document, *m_prompts);
        m_window->resize(800, 600);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }
    void cleanup() {
        delete m_window;
        delete m_prompts;
        delete m_document;
    }

    void ZoomExtentsShowsTheWholeDrawing() {
        m_document->AddLine({502000.0, 3452000.0, 0.0}, {503500.0, 3452800.0, 0.0});
        m_document->AddCircle({502500.0, 3452300.0, 0.0}, 30.0);
        m_document->ZoomExtents(); // the document asks; the window's view answers
        const QRectF inside = QRectF(View().rect());
        for (const auto& [x, y] : {std::pair{502000.0, 3452000.0}, std::pair{503500.0, 3452800.0},
                                   std::pair{502470.0, 3452330.0}}) {
            QVERIFY2(inside.contains(View().WorldToScreen(x, y)), "point outside the view");
        }
        // The longer side fills most of the view.
        const double spanPixels =
            View().WorldToScreen(503500.0, 0).x() - View().WorldToScreen(502000.0, 0).x();
        QVERIFY(spanPixels > 0.8 * View().width());
        // World and screen convert back and forth exactly (up is north).
        const cad::Point back = View().ScreenToWorld(View().WorldToScreen(502123.25, 3452456.5));
        QVERIFY(std::abs(back.X - 502123.25) < 1e-6 && std::abs(back.Y - 3452456.5) < 1e-6);
        QVERIFY(View().WorldToScreen(0, 3452800.0).y() < View().WorldToScreen(0, 3452000.0).y());
    }

    void WheelZoomKeepsThePointUnderTheCursor() {
        m_document->AddLine({0, 0, 0}, {100, 100, 0});
        View().ZoomExtents();
        const QPointF at(200.0, 150.0);
        const cad::Point before = View().ScreenToWorld(at);
        const double scale = View().Scale();
        QWheelEvent wheel(at, View().mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&View(), &wheel);
        QVERIFY(std::abs(View().Scale() / scale - 1.25) < 1e-12);
        const cad::Point after = View().ScreenToWorld(at);
        QVERIFY(std::abs(after.X - before.X) < 1e-9 && std::abs(after.Y - before.Y) < 1e-9);
    }

    void DragPansByTheMouseDistance() {
        m_document->AddLine({0, 0, 0}, {100, 100, 0});
        View().ZoomExtents();
        const cad::Point centre = View().ScreenToWorld(QPointF(400, 300));
        QTest::mousePress(&View(), Qt::LeftButton, {}, QPoint(400, 300));
        QTest::mouseMove(&View(), QPoint(450, 280));
        QTest::mouseRelease(&View(), Qt::LeftButton, {}, QPoint(450, 280));
        // The world point that was under the press is now under the release.
        const cad::Point moved = View().ScreenToWorld(QPointF(450, 280));
        QVERIFY(std::abs(moved.X - centre.X) < 1e-9 && std::abs(moved.Y - centre.Y) < 1e-9);
    }

    void PickAnswersTheClickedPoint() {
        m_document->AddLine({0, 0, 0}, {100, 50, 0});
        View().ZoomExtents();
        const QPoint click(321, 234);
        const cad::Point expected = View().ScreenToWorld(click);
        QString promptDuringPick;
        QTimer::singleShot(50, this, [&] {
            promptDuringPick = m_window->PickPrompt();
            QTest::mouseClick(&View(), Qt::LeftButton, {}, click);
        });
        const cad::Point picked = m_document->GetPoint("输入插入点:");
        QVERIFY(std::abs(picked.X - expected.X) < 1e-9);
        QVERIFY(std::abs(picked.Y - expected.Y) < 1e-9);
        QVERIFY(promptDuringPick.startsWith(QStringLiteral("输入插入点:")));
        QVERIFY(m_window->PickPrompt().isEmpty()); // the prompt goes when the pick ends
    }

    void EscCancelsAPickAndANestedPickIsRefused() {
        std::optional<cad::Point> nested = cad::Point{1, 2, 3};
        QTimer::singleShot(50, this, [&] {
            nested = View().Pick(QStringLiteral("second"));
            QTest::keyClick(&View(), Qt::Key_Escape);
        });
        QVERIFY(!View().Pick(QStringLiteral("输入插入点:")).has_value());
        QVERIFY(!nested.has_value());
        // Through the document a cancelled pick is the Cancelled failure.
        QTimer::singleShot(50, this, [&] { QTest::keyClick(&View(), Qt::Key_Escape); });
        try {
            m_document->GetPoint("输入插入点:");
            QFAIL("a cancelled pick returned a point");
        } catch (const geometry::RuntimeError& e) {
            QCOMPARE(e.Code(), geometry::ErrorCode::Cancelled);
        }
        // Esc cancels wherever the focus is in the window, e.g. after a click in the layer list.
        auto* list = m_window->findChild<QListWidget*>(QStringLiteral("LayerList"));
        QTimer::singleShot(50, this, [&] {
            QApplication::setActiveWindow(m_window);
            list->setFocus();
            QTest::keyClick(list, Qt::Key_Escape);
        });
        QTimer::singleShot(3000, this, [&] { View().CancelPick(); }); // in case Esc was lost
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!View().Pick(QStringLiteral("输入插入点:")).has_value());
        QVERIFY2(clock.elapsed() < 2500, "Esc outside the view did not cancel the pick");
        // Closing the window ends a pick too.
        QTimer::singleShot(50, this, [&] { m_window->close(); });
        QVERIFY(!View().Pick(QStringLiteral("p")).has_value());
    }

    void StatusBarShowsSurveyCoordinatesNorthFirst() {
        m_document->AddLine({500000, 3450000, 0}, {500100, 3450100, 0});
        View().ZoomExtents();
        const QPoint at(300, 200);
        const cad::Point world = View().ScreenToWorld(at);
        QTest::mouseMove(&View(), at);
        const QString text = m_window->CursorText();
        const QRegularExpression pattern(QStringLiteral("X=([0-9.]+)\\s+Y=([0-9.]+)"));
        const QRegularExpressionMatch match = pattern.match(text);
        QVERIFY2(match.hasMatch(), qPrintable(text));
        QVERIFY(std::abs(match.captured(1).toDouble() - world.Y) < 0.0006); // X = north
        QVERIFY(std::abs(match.captured(2).toDouble() - world.X) < 0.0006); // Y = east
    }

    void EntitiesShowInTheirColoursAndLayersHide() {
        m_document->SetActiveLayer(m_document->AddLayer("中心线"));
        m_document->AddLine({0, 0, 0}, {100, 0, 0}).SetColor(cad::kRed);
        m_document->SetActiveLayer(m_document->AddLayer("标注"));
        m_document->AddCircle({50, 20, 0}, 5).SetColor(cad::kGreen);
        View().ZoomExtents();
        View().Refresh();
        QImage image = View().grab().toImage();
        QVERIFY(CountPixels(image, Qt::red) > 100);
        QVERIFY(CountPixels(image, Qt::green) > 50);

        // The layer list has every layer; unticking one hides its entities only.
        auto* list = m_window->findChild<QListWidget*>(QStringLiteral("LayerList"));
        QVERIFY(list);
        QCOMPARE(list->count(), 3); // "0", "中心线", "标注"
        const QList<QListWidgetItem*> items =
            list->findItems(QStringLiteral("中心线"), Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        items[0]->setCheckState(Qt::Unchecked);
        QVERIFY(!View().IsLayerVisible("中心线"));
        image = View().grab().toImage();
        QCOMPARE(CountPixels(image, Qt::red), 0);
        QVERIFY(CountPixels(image, Qt::green) > 50);
    }

    void DeepZoomStillDrawsLongLinesAndLargeArcs() {
        // An 8 km line and an arc of radius 1000 m seen at the deepest zoom, a few micrometres
        // per pixel: the screen positions of their ends lie billions of pixels away, and the
        // arc must still look straight and lie where it is, not on a chord of its samples.
        m_document->AddLine({0, 0, 0}, {8000, 0, 0}).SetColor(cad::kRed);
        m_document->AddArc({5000.0, -1000.0 + 0.0001, 0}, 1000.0, 0.1234, 3.0)
            .SetColor(cad::kGreen);
        View().ShowArea(5000 - 0.0002, -0.00015, 5000 + 0.0002, 0.00015);
        QVERIFY(View().Scale() > 1e6 * 0.99);
        View().Refresh();
        const QImage image = View().grab().toImage();
        const QRect red = InkBox(image, Qt::red);
        const QRect green = InkBox(image, Qt::green);
        QVERIFY(!red.isEmpty() && !green.isEmpty());
        QVERIFY(red.width() > 0.9 * View().width()); // across the whole view
        QVERIFY(red.height() < 6);                   // and straight
        QVERIFY(std::abs(red.center().y() - View().WorldToScreen(5000, 0).y()) < 3);
        // The arc's top, 0.1 mm above the line.
        QVERIFY(green.width() > 0.9 * View().width());
        QVERIFY(green.height() < 6);
        QVERIFY2(std::abs(green.center().y() - View().WorldToScreen(5000, 0.0001).y()) < 3,
                 qPrintable(QString::number(green.center().y())));
    }

    void TextsFollowTheirRotationAndAlignment() {
        // A text turned a quarter counter-clockwise runs up the screen from its insertion point.
        m_document->AddPoint({-50, -50, 0});
        m_document->AddPoint({50, 50, 0});
        const cad::TextHandle text = m_document->AddText("ABCDEFGH", {0, 0, 0}, 4.0);
        text.SetColor(cad::kYellow);
        text.SetRotation(std::numbers::pi / 2);
        View().ZoomExtents();
        View().Refresh();
        const QPointF anchor = View().WorldToScreen(0, 0);
        QRect ink = InkBox(View().grab().toImage(), Qt::yellow);
        QVERIFY(!ink.isEmpty());
        QVERIFY(ink.height() > 3 * ink.width());
        QVERIFY(ink.bottom() <= anchor.y() + 2);
        QVERIFY(ink.right() <= anchor.x() + 2); // the glyphs stand left of a text running up

        // Right-aligned on the alignment point and level: the ink ends at the point.
        text.SetRotation(0.0);
        text.SetHorizontalAlignment(cad::HorizontalAlignment::Right);
        text.SetVerticalAlignment(cad::VerticalAlignment::Middle);
        text.SetTextAlignmentPoint({10, 10, 0});
        View().update();
        const QPointF right = View().WorldToScreen(10, 10);
        ink = InkBox(View().grab().toImage(), Qt::yellow);
        QVERIFY(ink.width() > 3 * ink.height());
        QVERIFY(std::abs(ink.right() - right.x()) < 0.1 * ink.width());
        QVERIFY(ink.top() < right.y() && ink.bottom() > right.y()); // centred on the point
    }

    void TextsAreAsTallAsTheirHeight() {
        // CAD programs measure a text's height as the height of its capitals and digits; the
        // Chinese characters of the big font are as tall. A 4 m text seen at 20 px/m is 80 px.
        m_document->AddPoint({-20, -15, 0});
        m_document->AddPoint({20, 15, 0});
        View().ShowArea(-20, -15, 20, 15);
        const double scale = View().Scale();
        const double expected = 4.0 * scale;
        QVERIFY(expected > 40.0);
        struct Case {
            const char* Text;
            cad::VerticalAlignment Vertical;
        };
        for (const Case& c : {Case{"K12+400", cad::VerticalAlignment::Baseline},
                              Case{"4400", cad::VerticalAlignment::Middle},
                              Case{"桩位坐标", cad::VerticalAlignment::Middle}}) {
            m_document->Clear();
            const cad::TextHandle text = m_document->AddText(c.Text, {0, 0, 0}, 4.0);
            text.SetColor(cad::kYellow);
            if (c.Vertical != cad::VerticalAlignment::Baseline) {
                text.SetVerticalAlignment(c.Vertical);
                text.SetHorizontalAlignment(cad::HorizontalAlignment::Center);
                text.SetTextAlignmentPoint({0, 0, 0});
            }
            View().Refresh();
            const QRect ink = InkBox(View().grab().toImage(), Qt::yellow);
            QVERIFY2(!ink.isEmpty(), c.Text);
            QVERIFY2(std::abs(ink.height() - expected) < 0.12 * expected,
                     qPrintable(QStringLiteral("%1: %2 px, expected %3 px")
                                    .arg(QString::fromUtf8(c.Text))
                                    .arg(ink.height())
                                    .arg(expected)));
            const QPointF anchor = View().WorldToScreen(0, 0);
            if (c.Vertical == cad::VerticalAlignment::Baseline) {
                QVERIFY(std::abs(ink.bottom() - anchor.y()) < 3); // digits stand on the line
                // The first glyph's side bearing, a fraction of the height, before the ink.
                QVERIFY2(ink.left() >= anchor.x() - 1 && ink.left() - anchor.x() < 0.2 * expected,
                         qPrintable(QStringLiteral("%1 %2").arg(ink.left()).arg(anchor.x())));
            } else {
                QVERIFY(std::abs(ink.center().y() - anchor.y()) < 0.12 * expected);
                QVERIFY(std::abs(ink.center().x() - anchor.x()) < 0.12 * expected);
            }
        }
    }

    void NewDrawingAsksBeforeClearing() {
        m_document->AddLine({0, 0, 0}, {1, 1, 0});
        m_prompts->ConfirmAnswers = {false};
        m_window->NewDrawing();
        QCOMPARE(m_document->Entities().size(), std::size_t{1});
        QCOMPARE(m_prompts->Notices.size(), std::size_t{1});
        m_prompts->ConfirmAnswers = {true};
        m_window->NewDrawing();
        QVERIFY(m_document->Entities().empty());
        // An empty drawing is cleared without a question.
        m_window->NewDrawing();
        QCOMPARE(m_prompts->Notices.size(), std::size_t{2});
    }

    void SaveDxfWritesTheDrawingAndTracksChanges() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        m_document->AddLine({0, 0, 0}, {10, 10, 0});
        QVERIFY(m_window->HasUnsavedChanges());
        // Cancelled: nothing written, still unsaved.
        QVERIFY(!m_window->SaveDxf());
        QVERIFY(m_window->HasUnsavedChanges());
        const QString path = dir.filePath(QStringLiteral("设计线.dxf"));
        m_prompts->SaveAnswers = {path.toStdString()};
        QVERIFY(m_window->SaveDxf());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.contains("SECTION") && bytes.contains("LINE") && bytes.contains("EOF"));
        QVERIFY(!m_window->HasUnsavedChanges());
        m_document->AddPoint({1, 1, 0});
        QVERIFY(m_window->HasUnsavedChanges());
        // A folder that cannot be written: one error box, no crash.
        m_prompts->SaveAnswers = {"/nonexistent-folder/x.dxf"};
        QVERIFY(!m_window->SaveDxf());
        QCOMPARE(m_prompts->Errors,
                 std::vector<std::string>{
                     "文件无法写入：/nonexistent-folder/x.dxf\n文件或文件夹不存在"});
        QVERIFY(m_window->HasUnsavedChanges());
    }

    void SizeAndPlaceAreKeptForTheNextWindow() {
        const QRect placed(140, 90, 700, 520);
        m_window->setGeometry(placed);
        QTRY_COMPARE(m_window->geometry(), placed);
        m_window->close(); // closing hides it: the size and place are kept
        app::DrawingWindow next(*m_document, *m_prompts);
        QCOMPARE(next.geometry(), m_window->geometry());
    }

    void CtrlMAsksForTheMainWindow() {
        QSignalSpy asked(m_window, &app::DrawingWindow::MainWindowRequested);
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        QTest::keyClick(m_window, Qt::Key_M, Qt::ControlModifier);
        QCOMPARE(asked.count(), 1);
    }

    void TitleIsTheDocumentCaption() {
        m_document->SetCaption("某图形");
        View().Refresh();
        m_document->AddPoint({0, 0, 0});
        View().Refresh();
        QCOMPARE(m_window->windowTitle(), QStringLiteral("某图形"));
    }
};

QTEST_MAIN(DrawingWindowTest)
#include "drawing_window_test.moc"
