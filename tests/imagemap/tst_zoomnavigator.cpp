#include "imagemap/imagemap.h"
#include "imagemap/zoomnavigator.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// The main window's client area: bars along the top and left, the picture from 16,49.
const QSize viewSize(1657, 927);
const QPoint origin(16, 49);

// A control with a white picture in a view of the main window's size, and the view's bars.
struct Navigated
{
    explicit Navigated(QSize picture)
    {
        view.resize(viewSize);
        QImage image(picture, QImage::Format_RGB32);
        image.fill(Qt::white);
        map.setPicture(image);
        for (QScrollBar *bar : { &horizontal, &vertical }) {
            bar->setRange(0, 0);
            bar->setSingleStep(20);
        }
        // The view moves the control as the bars say.
        QObject::connect(&horizontal, &QScrollBar::valueChanged, &map,
            [this](int value) { map.setLeft(float(origin.x() - value)); });
        QObject::connect(&vertical, &QScrollBar::valueChanged, &map,
            [this](int value) { map.setTop(float(origin.y() - value)); });
        navigator.updateScrollRanges();
    }

    QPointF pictureAt(QPointF viewPoint) const
    {
        return map.widgetToPicture(map.mapFrom(&view, viewPoint));
    }
    QPoint bars() const { return { horizontal.value(), vertical.value() }; }

    QWidget view;
    ImageMap map { &view };
    QScrollBar horizontal { Qt::Horizontal, &view };
    QScrollBar vertical { Qt::Vertical, &view };
    ZoomNavigator navigator { map, horizontal, vertical, view, origin };
};

} // namespace

class tst_ZoomNavigator : public QObject
{
    Q_OBJECT

private slots:
    void stepsKeepTheCentre();
    void showPictureRect_data();
    void showPictureRect();
    void wheelScrollsAndZoomsAboutTheMouse();
    void rangesReachEveryEdge_data();
    void rangesReachEveryEdge();
};

void tst_ZoomNavigator::stepsKeepTheCentre()
{
    Navigated n(QSize(400, 300));
    QSignalSpy changes(&n.navigator, &ZoomNavigator::zoomChanged);
    const QPointF centre = QRectF(n.navigator.visibleArea()).center();
    QCOMPARE(centre, QRectF(QPointF(origin), QSizeF(viewSize - QSize(16, 49))).center());
    // Far enough in that no step runs into the bars' ends.
    n.horizontal.setValue(580);
    n.vertical.setValue(262);
    const QPointF before = n.pictureAt(centre);
    struct Step
    {
        void (ZoomNavigator::*run)();
        double zoom;
    };
    const Step steps[] = {
        { &ZoomNavigator::zoomIn, 1.5 }, { &ZoomNavigator::zoomIn, 2 },
        { &ZoomNavigator::zoomOut, 1.5 }, { &ZoomNavigator::zoomOut, 1 },
        { &ZoomNavigator::zoomOut, 2.0 / 3 }, { &ZoomNavigator::actualSize, 1 },
        { &ZoomNavigator::actualSize, 1 }, // no change, no signal
    };
    for (const Step &step : steps) {
        (n.navigator.*step.run)();
        QCOMPARE(n.navigator.zoom(), step.zoom);
        QVERIFY(std::abs(n.pictureAt(centre).x() - before.x()) <= 1 / step.zoom);
        QVERIFY(std::abs(n.pictureAt(centre).y() - before.y()) <= 1 / step.zoom);
    }
    QCOMPARE(changes.size(), 6);
    QCOMPARE(changes.last().constFirst().toDouble(), 1.0);

    // Fit shows the whole picture below and right of the bars; its neighbours on the ladder
    // are the next steps.
    n.navigator.fitPicture();
    QCOMPARE(n.map.zoom(), std::min((1657.0 - 16) / 400, (927.0 - 49) / 300));
    QCOMPARE(n.map.pos(), origin);
    n.navigator.zoomOut();
    QCOMPARE(n.map.zoom(), 2.0);
    n.navigator.fitPicture();
    n.navigator.zoomIn();
    QCOMPARE(n.map.zoom(), 3.0);
}

void tst_ZoomNavigator::showPictureRect_data()
{
    QTest::addColumn<QRectF>("rect");
    QTest::addColumn<double>("zoom");

    QTest::newRow("fits: centred at the same zoom") << QRectF(300, 250, 20, 10) << 4.0;
    QTest::newRow("too large: out only as far as needed") << QRectF(0, 0, 1200, 1000) << 2.0 / 3;
}

void tst_ZoomNavigator::showPictureRect()
{
    QFETCH(QRectF, rect);
    QFETCH(double, zoom);

    Navigated n(QSize(400, 300));
    n.map.setZoom(4);
    QSignalSpy changes(&n.navigator, &ZoomNavigator::zoomChanged);
    n.navigator.showPictureRect(rect);
    QCOMPARE(n.map.zoom(), zoom);
    QCOMPARE(changes.size(), zoom == 4 ? 0 : 1);
    if (zoom == 4) {
        const QPointF shown = n.pictureAt(QRectF(n.navigator.visibleArea()).center());
        QVERIFY((shown - rect.center()).manhattanLength() <= 0.5);
    }
}

void tst_ZoomNavigator::wheelScrollsAndZoomsAboutTheMouse()
{
    Navigated n(QSize(400, 300));
    n.horizontal.setValue(100);
    n.vertical.setValue(100);

    const QPointF mouse(700, 400);
    const auto wheel = [&](QPoint angle, Qt::KeyboardModifiers modifiers) {
        QWheelEvent event(n.map.mapFrom(&n.view, mouse), n.view.mapToGlobal(mouse), {}, angle,
            Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&n.map, &event);
    };
    const int line = 20 * QApplication::wheelScrollLines();
    wheel({ 0, -120 }, {}); // towards the user: down
    QCOMPARE(n.bars(), QPoint(100, 100 + line));
    wheel({ 0, 120 }, {});
    wheel({ 0, 120 }, Qt::ShiftModifier); // sideways
    QCOMPARE(n.bars(), QPoint(100 - line, 100));
    wheel({ -120, 0 }, {});
    QCOMPARE(n.bars(), QPoint(100, 100));
    QCOMPARE(n.map.zoom(), 1.0);

    // Ctrl+wheel zooms one step per notch, the picture pixel under the mouse staying put.
    const QPointF under = n.pictureAt(mouse);
    wheel({ 0, 120 }, Qt::ControlModifier);
    QCOMPARE(n.map.zoom(), 1.5);
    wheel({ 0, 60 }, Qt::ControlModifier); // half a notch waits for the other half
    QCOMPARE(n.map.zoom(), 1.5);
    wheel({ 0, 60 }, Qt::ControlModifier);
    QCOMPARE(n.map.zoom(), 2.0);
    QVERIFY((n.pictureAt(mouse) - under).manhattanLength() <= 1);
    wheel({ 0, -240 }, Qt::ControlModifier);
    QCOMPARE(n.map.zoom(), 1.0);
    QVERIFY((n.pictureAt(mouse) - under).manhattanLength() <= 1);
    // Further out the bars stop at the picture's start.
    wheel({ 0, -120 }, Qt::ControlModifier);
    QCOMPARE(n.map.zoom(), 2.0 / 3);
    QCOMPARE(n.horizontal.value(), 0);
}

void tst_ZoomNavigator::rangesReachEveryEdge_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QSize>("control");

    QTest::newRow("smaller than the control's designed size")
        << QSize(400, 300) << 1.0 << ImageMap::designSize();
    QTest::newRow("larger") << QSize(4500, 2600) << 1.0 << QSize(4500, 2600);
    QTest::newRow("zoomed past the designed size") << QSize(400, 300) << 8.0 << QSize(3824, 2400);
}

// At their maxima the bars show the control's far edges at the view's, and a view that grows or
// shrinks keeps the bars' values and the control where it is.
void tst_ZoomNavigator::rangesReachEveryEdge()
{
    QFETCH(QSize, picture);
    QFETCH(double, zoom);
    QFETCH(QSize, control);

    Navigated n(picture);
    if (zoom != 1)
        n.navigator.zoomAbout(zoom, QPointF(origin));
    QCOMPARE(n.map.size(), control);
    n.horizontal.setValue(n.horizontal.maximum());
    n.vertical.setValue(n.vertical.maximum());
    QCOMPARE(
        n.map.geometry().bottomRight() + QPoint(1, 1), QPoint(viewSize.width(), viewSize.height()));

    const QPoint scrolled = n.map.pos();
    for (const QSize &size : { viewSize + QSize(200, 120), viewSize - QSize(300, 200) }) {
        n.view.resize(size);
        n.navigator.updateScrollRanges();
        QCOMPARE(n.map.pos(), scrolled);
        QCOMPARE(n.bars(), origin - scrolled);
    }
}

QTEST_MAIN(tst_ZoomNavigator)
#include "tst_zoomnavigator.moc"
