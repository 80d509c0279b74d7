#include "editing/cornercapture.h"
#include "platform/twips.h"

#include "nullcontrol.h"
#include "recordingcontrol.h"
#include "recordingview.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {
constexpr double Twips = 15;
} // namespace

class tst_CornerCapture : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void formatSingle_data();
    void formatSingle();
    void pixelPosition_data();
    void pixelPosition();
    void wholePixelsComeBackWhole();

    void cornerButtons_data();
    void cornerButtons();
    void closeButtons_data();
    void closeButtons();
    void closeWithoutCornersDoesNothing();
    void oneCornerAndClose();
    void thirteenCorners();
    void fractionalPositions();
    void resetReturnsToIdle();
    void mousePositionFollowsWhileCapturing();
    void cornerCountStopsAtItsLimit();
    void backspaceAndEscape();

private:
    void shiftCorner(double px, double py)
    {
        m_capture->CaptureCorner(1, 1, px * Twips, py * Twips);
    }
    void closeAt(double px, double py)
    {
        m_capture->CaptureLastCorner(1, 0, px * Twips, py * Twips);
    }
    void verifyIdle();

    RecordingView m_view;
    RecordingControl m_control;
    std::unique_ptr<CornerCapture> m_capture;
};

void tst_CornerCapture::init()
{
    m_view = RecordingView();
    m_control = RecordingControl();
    m_capture = std::make_unique<CornerCapture>(m_view, m_control, Twips, Twips);
}

void tst_CornerCapture::verifyIdle()
{
    QCOMPARE(m_capture->NewCoords, QString());
    QCOMPARE(m_capture->CornerCount, 0);
    QCOMPARE(m_capture->Drawing, false);
    QCOMPARE(m_capture->ReadoutIndex, 0);
    for (const QString &pos : m_view.pos)
        QCOMPARE(pos, QString());
    QVERIFY(m_control.corners.isEmpty());
}

void tst_CornerCapture::formatSingle_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("whole number has no point") << 1800.0f / 15 << u"120"_s;
    QTest::newRow("zero") << 0.0f << u"0"_s;
    QTest::newRow("negative zero") << -0.0f << u"0"_s;
    QTest::newRow("seven significant digits") << 10.0f / 15 << u"0.6666667"_s;
    QTest::newRow("half") << 7.5f << u"7.5"_s;
    QTest::newRow("no leading zero lost") << 0.5f << u"0.5"_s;
    QTest::newRow("largest seven-digit whole") << 9999999.0f << u"9999999"_s;
    QTest::newRow("seven-digit whole stays plain") << 1234567.0f << u"1234567"_s;
    QTest::newRow("small fraction stays plain") << 0.001f << u"0.001"_s;
    QTest::newRow("one twip") << 1.0f / 15 << u"0.06666667"_s;
    QTest::newRow("ten thousandth stays plain") << 0.0001f << u"0.0001"_s;
    QTest::newRow("float noise rounded away") << 3824.2f << u"3824.2"_s;
    QTest::newRow("negative") << -2.25f << u"-2.25"_s;
}

void tst_CornerCapture::formatSingle()
{
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(CornerCapture::formatSingle(value), text);
}

void tst_CornerCapture::pixelPosition_data()
{
    QTest::addColumn<double>("twips");
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<QString>("readout");

    QTest::newRow("96 dpi") << 15.0 << 1800.0f << 675.0f << u"X:120 Y:45"_s;
    QTest::newRow("120 dpi") << 12.0 << 1800.0f << 675.0f << u"X:150 Y:56.25"_s;
    QTest::newRow("not rounded to pixels") << 15.0 << 10.0f << 5.0f << u"X:0.6666667 Y:0.3333333"_s;
    QTest::newRow("origin") << 15.0 << 0.0f << 0.0f << u"X:0 Y:0"_s;
}

void tst_CornerCapture::pixelPosition()
{
    QFETCH(double, twips);
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(QString, readout);

    CornerCapture capture(m_view, m_control, twips, twips);
    capture.showMousePosition(x, y);
    QCOMPARE(m_view.mousePos, readout);
    capture.CaptureCorner(1, 1, x, y);
    QCOMPARE(m_view.pos.at(0), readout);
}

void tst_CornerCapture::wholePixelsComeBackWhole()
{
    // The control turns a pixel into twips with the same converter; at screens whose twips per
    // pixel is not a whole number, a plain division gave back 6.999999 for 7.
    for (const double dpi : { 96.0, 97.0, 101.0, 110.0, 131.0, 144.0 }) {
        const TwipsConverter twips(1440 / dpi, 1440 / dpi);
        CornerCapture capture(m_view, m_control, twips.perPixelX(), twips.perPixelY());
        for (int pixel = 0; pixel <= 3000; ++pixel) {
            capture.showMousePosition(twips.toTwipsX(pixel), twips.toTwipsY(3000 - pixel));
            const QString expected = u"X:%1 Y:%2"_s.arg(pixel).arg(3000 - pixel);
            if (m_view.mousePos != expected)
                QFAIL(qPrintable(u"%1 dpi: %2 read %3"_s.arg(dpi).arg(expected, m_view.mousePos)));
        }
    }
}

void tst_CornerCapture::cornerButtons_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("shift");
    QTest::addColumn<bool>("added");

    QTest::newRow("Shift+left") << 1 << 1 << true;
    QTest::newRow("Shift+right") << 2 << 1 << false;
    QTest::newRow("Shift+Ctrl+left") << 1 << 3 << false;
    QTest::newRow("Shift+Alt+left") << 1 << 5 << false;
    QTest::newRow("plain left") << 1 << 0 << false;
    QTest::newRow("Ctrl+left") << 1 << 2 << false;
}

void tst_CornerCapture::cornerButtons()
{
    QFETCH(int, button);
    QFETCH(int, shift);
    QFETCH(bool, added);

    m_capture->CaptureCorner(button, shift, 150, 300);
    QCOMPARE(m_capture->CornerCount, added ? 1 : 0);
    QCOMPARE(m_capture->NewCoords, added ? u"10,20,"_s : QString());
    QCOMPARE(m_view.pos.at(0), added ? u"X:10 Y:20"_s : QString());
    QCOMPARE(m_capture->ReadoutIndex, added ? 1 : 0);
    QCOMPARE(m_control.corners.size(), added ? 1 : 0);
    QCOMPARE(m_capture->Drawing, false);
}

void tst_CornerCapture::closeButtons_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("shift");
    QTest::addColumn<bool>("closed");

    QTest::newRow("plain left") << 1 << 0 << true;
    QTest::newRow("Ctrl+left") << 1 << 2 << true;
    QTest::newRow("Shift+Ctrl+left") << 1 << 3 << true;
    QTest::newRow("Alt+left") << 1 << 4 << true;
    QTest::newRow("Shift+left") << 1 << 1 << false;
    QTest::newRow("plain right") << 2 << 0 << false;
}

void tst_CornerCapture::closeButtons()
{
    QFETCH(int, button);
    QFETCH(int, shift);
    QFETCH(bool, closed);

    shiftCorner(10, 20);
    m_capture->CaptureLastCorner(button, shift, 30 * Twips, 40 * Twips);
    QCOMPARE(m_capture->Drawing, closed);
    QCOMPARE(m_capture->CornerCount, closed ? 2 : 1);
    QCOMPARE(m_capture->NewCoords, closed ? u"10,20,30,40"_s : u"10,20,"_s);
}

void tst_CornerCapture::closeWithoutCornersDoesNothing()
{
    closeAt(30, 40);
    verifyIdle();
}

void tst_CornerCapture::oneCornerAndClose()
{
    shiftCorner(10, 20);
    closeAt(30, 40);

    QCOMPARE(m_capture->NewCoords, u"10,20,30,40"_s);
    QCOMPARE(m_capture->CornerCount, 2);
    QCOMPARE(m_capture->Drawing, true);
    QCOMPARE(m_view.pos.at(0), u"X:10 Y:20"_s);
    QCOMPARE(m_view.pos.at(1), QString()); // the closing corner gets no read-out
    QCOMPARE(m_control.corners, (QList<QPointF> { { 10, 20 }, { 30, 40 } }));
}

void tst_CornerCapture::thirteenCorners()
{
    QString expected;
    for (int corner = 1; corner <= 13; ++corner) {
        shiftCorner(corner, 100 + corner);
        expected += u"%1,%2,"_s.arg(corner).arg(100 + corner);
    }

    QCOMPARE(m_capture->CornerCount, 13);
    QCOMPARE(m_capture->NewCoords, expected);
    QCOMPARE(m_capture->ReadoutIndex, 11);
    for (int index = 0; index <= 10; ++index)
        QCOMPARE(m_view.pos.at(index), u"X:%1 Y:%2"_s.arg(index + 1).arg(101 + index));
    QCOMPARE(m_view.pos.at(11), u"X:13 Y:113"_s);
    QCOMPARE(m_control.corners.size(), 13);
    QCOMPARE(m_control.corners.last(), QPointF(13, 113));
}

void tst_CornerCapture::fractionalPositions()
{
    m_capture->CaptureCorner(1, 1, 10, 22.5f);
    m_capture->CaptureLastCorner(1, 0, 1800, 7);
    QCOMPARE(m_capture->NewCoords, u"0.6666667,1.5,120,0.4666667"_s);
    QCOMPARE(m_view.pos.at(0), u"X:0.6666667 Y:1.5"_s);
}

void tst_CornerCapture::resetReturnsToIdle()
{
    for (int corner = 0; corner < 13; ++corner)
        shiftCorner(corner, corner);
    closeAt(1, 1);
    m_capture->reset();
    verifyIdle();
}

void tst_CornerCapture::mousePositionFollowsWhileCapturing()
{
    m_capture->showMousePosition(1800, 675);
    QCOMPARE(m_view.mousePos, u"X:120 Y:45"_s);
    shiftCorner(10, 20);
    m_capture->showMousePosition(15, 30);
    QCOMPARE(m_view.mousePos, u"X:1 Y:2"_s);
    QCOMPARE(m_capture->CornerCount, 1); // moving adds nothing
}

void tst_CornerCapture::cornerCountStopsAtItsLimit()
{
    NullControl control;
    CornerCapture capture(m_view, control, Twips, Twips);
    for (int corner = 0; corner < CornerCapture::MaxCorners + 5; ++corner)
        capture.CaptureCorner(1, 1, 15, 30);

    QCOMPARE(capture.CornerCount, CornerCapture::MaxCorners);
    QCOMPARE(capture.NewCoords.count(u','), 2 * CornerCapture::MaxCorners);
    QCOMPARE(control.lastSize, CornerCapture::MaxCorners);

    // The closing click still closes; its corner does not fit and the list stays well formed.
    capture.CaptureLastCorner(1, 0, 45, 60);
    QCOMPARE(capture.Drawing, true);
    QCOMPARE(capture.CornerCount, CornerCapture::MaxCorners);
    QVERIFY(capture.NewCoords.endsWith(u"1,2"_s));
    QCOMPARE(capture.NewCoords.count(u','), 2 * CornerCapture::MaxCorners - 1);
}

void tst_CornerCapture::backspaceAndEscape()
{
    QList<QPointF> corners;
    for (int k = 0; k < 14; ++k)
        corners.append(QPointF(10 + 7 * k, k % 2 ? 20.4 : 33));
    for (const QPointF &corner : std::as_const(corners))
        shiftCorner(corner.x(), corner.y());

    // Each Backspace leaves exactly what capturing one corner fewer would have left.
    for (qsizetype left = corners.size() - 1; left >= 0; --left) {
        QVERIFY(m_capture->keyPressed(Qt::Key_Backspace));
        RecordingView freshView;
        RecordingControl freshControl;
        CornerCapture fresh(freshView, freshControl, Twips, Twips);
        for (qsizetype k = 0; k < left; ++k)
            fresh.CaptureCorner(1, 1, float(corners[k].x() * Twips), float(corners[k].y() * Twips));
        QCOMPARE(m_capture->NewCoords, fresh.NewCoords);
        QCOMPARE(m_capture->CornerCount, fresh.CornerCount);
        QCOMPARE(m_capture->ReadoutIndex, fresh.ReadoutIndex);
        QCOMPARE(m_view.pos, freshView.pos);
        QCOMPARE(m_control.corners, freshControl.corners);
    }
    verifyIdle();
    // With nothing captured the keys are left to the window.
    QVERIFY(!m_capture->keyPressed(Qt::Key_Backspace));
    QVERIFY(!m_capture->keyPressed(Qt::Key_Escape));

    shiftCorner(5, 6);
    shiftCorner(7, 8);
    QVERIFY(!m_capture->keyPressed(Qt::Key_Delete));
    QVERIFY(m_capture->keyPressed(Qt::Key_Escape));
    verifyIdle();

    // A closed polygon waiting for its name is not touched.
    shiftCorner(5, 6);
    closeAt(7, 8);
    QVERIFY(!m_capture->keyPressed(Qt::Key_Escape));
    QVERIFY(!m_capture->keyPressed(Qt::Key_Backspace));
    QCOMPARE(m_capture->NewCoords, u"5,6,7,8"_s);
}

QTEST_APPLESS_MAIN(tst_CornerCapture)

#include "tst_cornercapture.moc"
