#include "imagemap/imagemap.h"

#include "apperrortest.h"
#include "platform/screenmetrics.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Two overlapping squares and a triangle, the way the editor writes them.
const QString sampleMap =
    u"<map name=map>"
    "<AREA SHAPE=POLY COORDS=\"10,10,110,10,110,110,10,110\" ID=\"First\" color=\"#00ff00\">"
    "<AREA SHAPE=POLY COORDS=\"60,60,160,60,160,160,60,160\" ID=\"Second\" color=\"#ff0000\">"
    "<AREA SHAPE=POLY COORDS=\"300,10,400,10,300,110\" ID=\"Say &quot;hi&quot;\" color=\"#0000ff\">"
    "</map>"_s;

// Every signal of the control, in the order raised, as text.
class EventLog : public QObject
{
public:
    explicit EventLog(ImageMap *map)
    {
        const auto plain = [this](const char *kind) {
            return [this, kind](int button, int shift, float x, float y) {
                entries.append(u"%1 %2 %3 %4 %5"_s.arg(QLatin1StringView(kind))
                                   .arg(button)
                                   .arg(shift)
                                   .arg(x)
                                   .arg(y));
            };
        };
        const auto spot = [this](const char *kind) {
            return [this, kind](const QString &name, int button, int shift, float x, float y) {
                entries.append(u"%1 %2 %3 %4 %5 %6"_s.arg(QLatin1StringView(kind), name)
                                   .arg(button)
                                   .arg(shift)
                                   .arg(x)
                                   .arg(y));
            };
        };
        connect(map, &ImageMap::MouseDown, this, plain("Down"));
        connect(map, &ImageMap::MouseUp, this, plain("Up"));
        connect(map, &ImageMap::HotSpotMouseDown, this, spot("SpotDown"));
        connect(map, &ImageMap::HotSpotMouseUp, this, spot("SpotUp"));
    }
    QStringList entries;
};

// Twips as the control reports them, written as the log writes them.
QString tw(int x, int y)
{
    return u"%1 %2"_s.arg(float(x * twipsPerPixelX())).arg(float(y * twipsPerPixelY()));
}

// Opens a real modal box from inside a mouse handler. While it is up the user lets the button
// go (the release goes to the blocked window); a zero timer then closes the box.
void openModalBox(QWindow *window, QPoint releaseAt, Qt::MouseButton button)
{
    QTimer::singleShot(0, [=] {
        QTest::mouseRelease(window, button, {}, releaseAt);
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->done(QMessageBox::Ok);
    });
    QMessageBox box(QMessageBox::NoIcon, u"Test"_s, u"modal"_s, QMessageBox::Ok);
    box.exec();
}

} // namespace

class tst_ImageMap : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void clickSignals_data();
    void clickSignals();
    void buttonsAndKeys_data();
    void buttonsAndKeys();
    void releaseElsewhereReportsReleasePoint_data();
    void releaseElsewhereReportsReleasePoint();
    void modalBoxInHandlerStillGivesOneMouseUp_data();
    void modalBoxInHandlerStillGivesOneMouseUp();
    void modalBoxInMouseUpHandler();
    void mouseMoveFollows();
    void coordsStringReplaces();
    void coordsFile_data();
    void coordsFile();
    void coordsFileKeepsOutlinesOnError();
    void sizeAndPosition();
    void drawing();
    void namesAsWrittenAndSpotsWithoutArea();
    void initProperties();
    void actualSizePaintsAsBefore();
    void zoomedDrawingAndEvents();
    void middleDragPansAndRaisesNothing();

private:
    ImageMap *m_map = nullptr;
};

void tst_ImageMap::init()
{
    m_map = new ImageMap;
    m_map->setCoordsString(sampleMap);
    m_map->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_map));
}

void tst_ImageMap::cleanup()
{
    delete std::exchange(m_map, nullptr);
}

void tst_ImageMap::clickSignals_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<QStringList>("expected");

    const QPoint a(20, 20), both(80, 80), quoted(310, 20), none(200, 200);
    QTest::newRow("on a hot spot")
        << a
        << QStringList { u"Down 1 0 "_s + tw(20, 20), u"SpotDown First 1 0 "_s + tw(20, 20),
               u"Up 1 0 "_s + tw(20, 20), u"SpotUp First 1 0 "_s + tw(20, 20) };
    QTest::newRow("overlap: the first area wins")
        << both
        << QStringList { u"Down 1 0 "_s + tw(80, 80), u"SpotDown First 1 0 "_s + tw(80, 80),
               u"Up 1 0 "_s + tw(80, 80), u"SpotUp First 1 0 "_s + tw(80, 80) };
    QTest::newRow("the name as the map text has it")
        << quoted
        << QStringList { u"Down 1 0 "_s + tw(310, 20),
               u"SpotDown Say &quot;hi&quot; 1 0 "_s + tw(310, 20), u"Up 1 0 "_s + tw(310, 20),
               u"SpotUp Say &quot;hi&quot; 1 0 "_s + tw(310, 20) };
    QTest::newRow("beside every hot spot")
        << none << QStringList { u"Down 1 0 "_s + tw(200, 200), u"Up 1 0 "_s + tw(200, 200) };
}

void tst_ImageMap::clickSignals()
{
    QFETCH(QPoint, pos);
    QFETCH(QStringList, expected);
    {
        EventLog log(m_map);
        QTest::mouseClick(m_map->windowHandle(), Qt::LeftButton, {}, pos);
        QCOMPARE(log.entries, expected);
    }
    // Events sent straight to the widget, as widget tests elsewhere do, give the same.
    EventLog log(m_map);
    QTest::mouseClick(m_map, Qt::LeftButton, {}, pos);
    QCOMPARE(log.entries, expected);
}

void tst_ImageMap::buttonsAndKeys_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<Qt::KeyboardModifiers>("keys");
    QTest::addColumn<int>("buttonCode");
    QTest::addColumn<int>("shiftCode");

    QTest::newRow("left, Shift") << Qt::LeftButton << Qt::KeyboardModifiers(Qt::ShiftModifier) << 1
                                 << 1;
    QTest::newRow("left, Ctrl") << Qt::LeftButton << Qt::KeyboardModifiers(Qt::ControlModifier) << 1
                                << 2;
    QTest::newRow("left, Alt") << Qt::LeftButton << Qt::KeyboardModifiers(Qt::AltModifier) << 1
                               << 4;
    QTest::newRow("left, Shift+Ctrl")
        << Qt::LeftButton << (Qt::ShiftModifier | Qt::ControlModifier) << 1 << 3;
    QTest::newRow("right") << Qt::RightButton << Qt::KeyboardModifiers() << 2 << 0;
    QTest::newRow("right, Ctrl+Alt")
        << Qt::RightButton << (Qt::ControlModifier | Qt::AltModifier) << 2 << 6;
}

void tst_ImageMap::buttonsAndKeys()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(Qt::KeyboardModifiers, keys);
    QFETCH(int, buttonCode);
    QFETCH(int, shiftCode);

    EventLog log(m_map);
    QTest::mouseClick(m_map->windowHandle(), button, keys, QPoint(20, 30));
    const QString args = u"%1 %2 "_s.arg(buttonCode).arg(shiftCode) + tw(20, 30);
    QCOMPARE(log.entries,
        QStringList({ u"Down "_s + args, u"SpotDown First "_s + args, u"Up "_s + args,
            u"SpotUp First "_s + args }));
}

void tst_ImageMap::releaseElsewhereReportsReleasePoint_data()
{
    QTest::addColumn<bool>("throughWindow");
    QTest::newRow("window system events") << true;
    QTest::newRow("events sent to the widget") << false;
}

void tst_ImageMap::releaseElsewhereReportsReleasePoint()
{
    QFETCH(bool, throughWindow);
    EventLog log(m_map);
    if (throughWindow) {
        QWindow *window = m_map->windowHandle();
        QTest::mousePress(window, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 20));
        QTest::mouseMove(window, QPoint(200, 210));
        QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(200, 210));
    } else {
        QTest::mousePress(m_map, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 20));
        QTest::mouseMove(m_map, QPoint(200, 210));
        QTest::mouseRelease(m_map, Qt::LeftButton, {}, QPoint(200, 210));
    }
    QCOMPARE(log.entries,
        QStringList({ u"Down 1 1 "_s + tw(20, 20), u"SpotDown First 1 1 "_s + tw(20, 20),
            u"Up 1 0 "_s + tw(200, 210), u"SpotUp First 1 0 "_s + tw(200, 210) }));
}

void tst_ImageMap::modalBoxInHandlerStillGivesOneMouseUp_data()
{
    QTest::addColumn<bool>("fromHotSpotEvent");
    QTest::addColumn<Qt::MouseButton>("button");

    QTest::newRow("box opened by MouseDown") << false << Qt::LeftButton;
    QTest::newRow("box opened by HotSpotMouseDown") << true << Qt::LeftButton;
    QTest::newRow("right button") << true << Qt::RightButton;
}

void tst_ImageMap::modalBoxInHandlerStillGivesOneMouseUp()
{
    QFETCH(bool, fromHotSpotEvent);
    QFETCH(Qt::MouseButton, button);

    QWindow *window = m_map->windowHandle();
    const QPoint pos(20, 20);
    if (fromHotSpotEvent)
        connect(
            m_map, &ImageMap::HotSpotMouseDown, this, [&] { openModalBox(window, pos, button); });
    else
        connect(m_map, &ImageMap::MouseDown, this, [&] { openModalBox(window, pos, button); });
    EventLog log(m_map);

    QTest::mousePress(window, button, {}, pos);
    // The user's release went to the box; a late one must not count twice.
    QTest::mouseRelease(window, button, {}, pos);
    QTest::mouseClick(window, button, {}, QPoint(200, 200));
    disconnect(m_map, nullptr, this, nullptr);

    const QString args = u"%1 0 "_s.arg(button == Qt::LeftButton ? 1 : 2) + tw(20, 20);
    const QString beside = u"%1 0 "_s.arg(button == Qt::LeftButton ? 1 : 2) + tw(200, 200);
    QCOMPARE(log.entries,
        QStringList({ u"Down "_s + args, u"SpotDown First "_s + args, u"Up "_s + args,
            u"SpotUp First "_s + args, u"Down "_s + beside, u"Up "_s + beside }));
}

void tst_ImageMap::modalBoxInMouseUpHandler()
{
    QWindow *window = m_map->windowHandle();
    int boxes = 0;
    connect(m_map, &ImageMap::MouseUp, this, [&] {
        ++boxes;
        QTimer::singleShot(0, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->done(QMessageBox::Ok);
        });
        QMessageBox(QMessageBox::NoIcon, u"Test"_s, u"name?"_s, QMessageBox::Ok).exec();
    });
    EventLog log(m_map);
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(20, 20));
    disconnect(m_map, nullptr, this, nullptr);
    QCOMPARE(boxes, 1);
    QCOMPARE(log.entries.size(), 4);
}

void tst_ImageMap::mouseMoveFollows()
{
    QSignalSpy spy(m_map, &ImageMap::MouseMove);
    QWindow *window = m_map->windowHandle();
    QTest::mouseMove(window, QPoint(30, 40));
    QTest::mouseMove(window, QPoint(500, 600));
    QVERIFY(spy.size() >= 2);
    const QList<QVariant> last = spy.last();
    QCOMPARE(last.at(0).toInt(), 0);
    QCOMPARE(last.at(2).toFloat(), float(500 * twipsPerPixelX()));
    QCOMPARE(last.at(3).toFloat(), float(600 * twipsPerPixelY()));
}

void tst_ImageMap::coordsStringReplaces()
{
    QCOMPARE(m_map->hotSpotCount(), 3);
    m_map->setCoordsString(
        u"<map name=map><AREA SHAPE=POLY COORDS=\"0,0,5,0,5,5\" ID=\"Only\" color=\"#00ff00\">"_s);
    QCOMPARE(m_map->hotSpotCount(), 1);
    QCOMPARE(m_map->hotSpotAt(QPointF(4, 1)), u"Only"_s);
    QVERIFY(m_map->hotSpotAt(QPointF(20, 20)).isNull());
    m_map->setCoordsString(QString());
    QCOMPARE(m_map->hotSpotCount(), 0);
}

void tst_ImageMap::coordsFile_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("count");

    QTest::newRow("empty path clears") << QString() << 0 << 0;
    QTest::newRow("existing map") << u"plan.map"_s << 0 << 2;
    QTest::newRow("missing file") << u"missing.map"_s << 53 << 3;
    QTest::newRow("missing folder") << u"nowhere/plan.map"_s << 53 << 3;
    QTest::newRow("folder where a file is expected") << u"folder"_s << 75 << 3;
}

void tst_ImageMap::coordsFile()
{
    QFETCH(QString, relativePath);
    QFETCH(int, error);
    QFETCH(int, count);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(u"plan.map"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    // A name typed on Windows: 0xE9 is not UTF-8.
    file.write("<map name=map>\r\n<AREA SHAPE=POLY COORDS=\"0,0,5,0,5,5\" ID=\"Caf\xe9\" "
               "color=\"#00ff00\">\r\n"
               "<AREA SHAPE=POLY COORDS=\"20,20,30,20,30,30\" ID=\"Two\" color=\"#00ff00\">\r\n");
    file.close();
    QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));

    const QString path = relativePath.isEmpty() ? QString() : dir.filePath(relativePath);
    QCOMPARE(errorNumberOf([&] { m_map->setCoordsFile(path); }), error);
    QCOMPARE(m_map->hotSpotCount(), count);
    if (relativePath == u"plan.map")
        QCOMPARE(m_map->hotSpotAt(QPointF(4, 1)), u"Caf\u00e9"_s);
}

void tst_ImageMap::coordsFileKeepsOutlinesOnError()
{
    QCOMPARE(errorNumberOf([&] { m_map->setCoordsFile(u"/nonexistent-quorvel/x.map"_s); }), 53);
    QCOMPARE(m_map->hotSpotAt(QPointF(20, 20)), u"First"_s);
}

void tst_ImageMap::sizeAndPosition()
{
    QWidget parent;
    auto *map = new ImageMap(&parent);
    QCOMPARE(map->size(), QSize(3824, 2005));
    map->setPicture(QImage(5000, 1000, QImage::Format_RGB32));
    QCOMPARE(map->size(), QSize(5000, 2005));
    map->setPicture(QImage());
    QCOMPARE(map->size(), QSize(3824, 2005));
    map->setLeft(-120.4f);
    map->setTop(35.6f);
    QCOMPARE(map->pos(), QPoint(-120, 36));
}

void tst_ImageMap::drawing()
{
    QImage picture(200, 150, QImage::Format_RGB32);
    picture.fill(Qt::white);
    picture.setPixel(0, 0, qRgb(1, 2, 3));
    m_map->setPicture(picture);
    m_map->setConstructionCorners({ QPointF(250, 150), QPointF(280, 180) });

    QImage out(420, 220, QImage::Format_RGB32);
    m_map->render(&out, QPoint(), QRegion(0, 0, 420, 220));
    QCOMPARE(out.pixel(0, 0), qRgb(1, 2, 3)); // picture unscaled at the corner
    QCOMPARE(out.pixel(30, 10), qRgb(0, 255, 0)); // outline in its colour
    QCOMPARE(out.pixel(160, 100), qRgb(255, 0, 0));
    QCOMPARE(out.pixel(350, 10), qRgb(0, 0, 255));
    QCOMPARE(out.pixel(30, 30), qRgb(255, 255, 255)); // inside, not filled
    QCOMPARE(out.pixel(205, 100), out.pixel(410, 210)); // neutral beyond the picture
    QVERIFY(out.pixel(205, 100) != qRgb(255, 255, 255));
    QCOMPARE(out.pixel(265, 165), qRgb(255, 32, 32)); // line between corners
    QCOMPARE(out.pixel(251, 151), qRgb(255, 32, 32)); // corner square

    // The hot spot under the mouse stands out.
    QTest::mouseMove(m_map->windowHandle(), QPoint(40, 40));
    m_map->render(&out, QPoint(), QRegion(0, 0, 420, 220));
    QVERIFY(out.pixel(30, 30) != qRgb(255, 255, 255));
    QCOMPARE(out.pixel(130, 130), qRgb(255, 255, 255));

    if (qEnvironmentVariableIsSet("QUORVEL_IMAGEMAP_SCREENSHOT"))
        out.save(qEnvironmentVariable("QUORVEL_IMAGEMAP_SCREENSHOT"));
}

void tst_ImageMap::namesAsWrittenAndSpotsWithoutArea()
{
    m_map->setCoordsString(
        u"<map name=map>"
        "<AREA SHAPE=POLY COORDS=\"10,10,50,10,50,50\" ID=\"A&amp;B\" color=\"#00ff00\">"
        "<AREA SHAPE=POLY COORDS=\"60,10,100,10,100,50\" ID=\"Lot &#55;\" color=\"#00ff00\">"
        "<AREA SHAPE=POLY COORDS=\"110,10,150,10,150,50\" ID=\"Lot 7\" color=\"#00ff00\">"
        "<AREA SHAPE=POLY COORDS=\"20,100,120,100\" ID=\"Line\" color=\"#ff0000\">"
        "<AREA SHAPE=POLY COORDS=\"200,100,220,120,210,110\" ID=\"Slant\" color=\"#0000ff\">"
        "<AREA SHAPE=POLY COORDS=\"300,100,300,100\" ID=\"Dot\" color=\"#ff00ff\">"_s);
    QCOMPARE(m_map->hotSpotCount(), 6);

    const QList<std::pair<QPoint, QString>> clicks { { { 45, 20 }, u"A&amp;B"_s },
        { { 95, 20 }, u"Lot &#55;"_s }, { { 145, 20 }, u"Lot 7"_s }, { { 70, 100 }, u"Line"_s },
        { { 70, 97 }, u"Line"_s }, { { 18, 102 }, u"Line"_s }, { { 214, 113 }, u"Slant"_s },
        { { 223, 120 }, u"Slant"_s }, { { 302, 98 }, u"Dot"_s }, { { 70, 96 }, QString() },
        { { 225, 120 }, QString() }, { { 304, 100 }, QString() } };
    for (const auto &[pos, name] : clicks) {
        QSignalSpy down(m_map, &ImageMap::HotSpotMouseDown);
        QSignalSpy up(m_map, &ImageMap::HotSpotMouseUp);
        QTest::mouseClick(m_map, Qt::LeftButton, {}, pos);
        const QString at = u"(%1,%2)"_s.arg(pos.x()).arg(pos.y());
        QVERIFY2(down.size() == (name.isNull() ? 0 : 1), qPrintable(at));
        QCOMPARE(up.size(), down.size());
        if (!name.isNull()) {
            QVERIFY2(down.first().first().toString() == name, qPrintable(at));
            QVERIFY2(up.first().first().toString() == name, qPrintable(at));
        }
    }

    // Lines and dots are drawn in their outline colour.
    QTest::mouseMove(m_map->windowHandle(), QPoint(400, 400));
    QImage out(320, 130, QImage::Format_RGB32);
    m_map->render(&out, QPoint(), QRegion(0, 0, 320, 130));
    QCOMPARE(out.pixel(70, 100), qRgb(255, 0, 0));
    QCOMPARE(out.pixel(205, 105), qRgb(0, 0, 255));
    QCOMPARE(out.pixel(300, 100), qRgb(255, 0, 255));
    QCOMPARE(out.pixel(301, 101), qRgb(255, 0, 255));
    QVERIFY(out.pixel(70, 102) != qRgb(255, 0, 0));
}

void tst_ImageMap::initProperties()
{
    m_map->setInitFlag(true);
    m_map->setInitValue(255);
    QVERIFY(m_map->initFlag());
    QCOMPARE(m_map->initValue(), 255);
}

// A scene with every kind of outline, a highlighted hot spot and a polygon under construction,
// at 100 %: its pixels were recorded before the control learnt to zoom, and must not change.
void tst_ImageMap::actualSizePaintsAsBefore()
{
    QImage picture(520, 330, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb((x * 7 + y) & 0xff, (y * 5) & 0xff, (x ^ y) & 0xff));
    }
    m_map->setPicture(picture);
    m_map->setCoordsString(
        u"<map name=map>"
        "<AREA SHAPE=POLY COORDS=\"10,10,110,14,118,110,12,98\" ID=\"Poly\" color=\"#00ff00\">"
        "<area shape=rect coords=\"150,20,260,90\" id=Box color=\"#ffff00\">"
        "<area shape=circle coords=\"200,200,45\" id=Round color=\"#00ffff\">"
        "<AREA SHAPE=POLY COORDS=\"300,40,420,60,330,160,460,200,290,230\" ID=\"Zig\">"
        "</map>"_s);
    m_map->setConstructionCorners({ QPointF(350, 250), QPointF(420, 280), QPointF(380, 310) });
    QTest::mouseMove(m_map->windowHandle(), QPoint(60, 60));

    QImage out(640, 360, QImage::Format_RGB32);
    m_map->render(&out, QPoint(), QRegion(0, 0, 640, 360));
    const QByteArray digest = QCryptographicHash::hash(
        QByteArrayView(out.constBits(), out.sizeInBytes()), QCryptographicHash::Sha1)
                                  .toHex();
    if (qEnvironmentVariableIsSet("QUORVEL_IMAGEMAP_SCREENSHOT"))
        out.save(qEnvironmentVariable("QUORVEL_IMAGEMAP_SCREENSHOT"));
    QCOMPARE(digest, QByteArray("5c92c778844ba5a864b040500255afcaee415bef"));
}

// At 300 % and 25 %: the control's size, where outlines, pixels and corners are drawn, how
// sharp or smooth the picture is, and which picture pixel and hot spot a click reports.
void tst_ImageMap::zoomedDrawingAndEvents()
{
    QImage picture(1400, 800, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int y = 400; y < 800; ++y) {
        for (int x = 0; x < 400; ++x)
            picture.setPixel(x, y, (x + y) % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
    picture.setPixel(5, 5, qRgb(255, 0, 0));
    m_map->setPicture(picture);
    m_map->setConstructionCorners({ QPointF(250, 150), QPointF(280, 180) });
    QImage out(1000, 600, QImage::Format_RGB32);
    const auto render = [&] { m_map->render(&out, QPoint(), QRegion(out.rect())); };

    m_map->setZoom(3);
    QCOMPARE(m_map->size(), QSize(4200, 2400));
    QCOMPARE(m_map->widgetToPicture(QPointF(31.5, 60)), QPointF(10.5, 20));
    QCOMPARE(m_map->pictureToWidget(QPointF(10.5, 20)), QPointF(31.5, 60));
    render();
    // A picture pixel is a sharp 3 x 3 block.
    for (int k = 0; k < 9; ++k)
        QCOMPARE(out.pixel(15 + k % 3, 15 + k / 3), qRgb(255, 0, 0));
    QCOMPARE(out.pixel(18, 15), qRgb(255, 255, 255));
    // Outlines are one screen pixel wide, on the first screen pixel of their picture pixel.
    QCOMPARE(out.pixel(100, 30), qRgb(0, 255, 0));
    QCOMPARE(out.pixel(100, 29), qRgb(255, 255, 255));
    QCOMPARE(out.pixel(100, 31), qRgb(255, 255, 255));
    QCOMPARE(out.pixel(330, 100), qRgb(0, 255, 0));
    QCOMPARE(out.pixel(331, 100), qRgb(255, 255, 255));
    // The polygon under construction follows the zoom; its corner marks stay 5 pixels.
    QCOMPARE(out.pixel(752, 452), qRgb(255, 32, 32));
    QCOMPARE(out.pixel(753, 449), qRgb(255, 255, 255));
    QCOMPARE(out.pixel(795, 495), qRgb(255, 32, 32));

    {
        EventLog log(m_map);
        QTest::mouseClick(m_map->windowHandle(), Qt::LeftButton, {}, QPoint(32, 32));
        QTest::mouseClick(m_map->windowHandle(), Qt::LeftButton, {}, QPoint(29, 29));
        QCOMPARE(log.entries,
            QStringList({ u"Down 1 0 "_s + tw(10, 10), u"SpotDown First 1 0 "_s + tw(10, 10),
                u"Up 1 0 "_s + tw(10, 10), u"SpotUp First 1 0 "_s + tw(10, 10),
                u"Down 1 0 "_s + tw(9, 9), u"Up 1 0 "_s + tw(9, 9) }));
    }
    // The highlight follows the zoom too.
    QTest::mouseMove(m_map->windowHandle(), QPoint(200, 200));
    render();
    QVERIFY(out.pixel(100, 100) != qRgb(255, 255, 255));
    QCOMPARE(out.pixel(400, 100), qRgb(255, 255, 255));

    // Zoomed out the picture is drawn smoothly from its copies, made on a worker thread.
    ScaledPicture &copies = m_map->scaledPicture();
    QCOMPARE(copies.levelFor(0.25).image->size(), picture.size());
    m_map->setZoom(0.25);
    QCOMPARE(m_map->size(), ImageMap::designSize());
    copies.waitForCopies();
    QVERIFY(copies.isComplete());
    QCOMPARE(copies.levelFor(0.25).image->size(), QSize(350, 200));
    QCOMPARE(copies.levelFor(0.3).image->size(), QSize(700, 400));
    QCOMPARE(copies.levelFor(1.0 / 16).image->size(), QSize(88, 50));
    render();
    const QColor grey = out.pixelColor(50, 150);
    QVERIFY2(std::abs(grey.red() - 128) < 20 && grey.red() == grey.blue(), qPrintable(grey.name()));
    QCOMPARE(out.pixel(2, 2), qRgb(0, 255, 0)); // First's corner at 10,10
    {
        EventLog log(m_map);
        QTest::mouseClick(m_map->windowHandle(), Qt::LeftButton, {}, QPoint(5, 6));
        QCOMPARE(log.entries.value(1), u"SpotDown First 1 0 "_s + tw(20, 24));
    }

    // A new picture keeps the zoom and starts its own copies.
    picture.fill(Qt::black);
    m_map->setPicture(picture);
    QCOMPARE(m_map->zoom(), 0.25);
    QCOMPARE(copies.levelFor(0.25).image->pixel(0, 0), qRgb(0, 0, 0));
    copies.waitForCopies();
    QCOMPARE(copies.levelFor(0.25).image->size(), QSize(350, 200));
    QCOMPARE(copies.levelFor(0.25).image->pixel(100, 100), qRgb(0, 0, 0));

    // Lines and dots are reached within 3 screen pixels, and dots drawn 3 pixels wide, at any
    // zoom.
    m_map->setZoom(3);
    m_map->setCoordsString(
        u"<map name=map>"
        "<AREA SHAPE=POLY COORDS=\"20,100,120,100\" ID=\"Line\" color=\"#ff0000\">"
        "<AREA SHAPE=POLY COORDS=\"300,100,300,100\" ID=\"Dot\" color=\"#ff00ff\">"_s);
    const QList<std::pair<QPoint, QString>> clicks { { { 210, 297 }, u"Line"_s },
        { { 210, 296 }, QString() }, { { 902, 298 }, u"Dot"_s }, { { 904, 300 }, QString() } };
    for (const auto &[pos, name] : clicks) {
        QSignalSpy down(m_map, &ImageMap::HotSpotMouseDown);
        QTest::mouseClick(m_map, Qt::LeftButton, {}, pos);
        QCOMPARE(down.isEmpty() ? QString() : down.first().first().toString(), name);
    }
    render();
    QCOMPARE(out.pixel(899, 299), qRgb(255, 0, 255));
    QCOMPARE(out.pixel(901, 301), qRgb(255, 0, 255));
    QCOMPARE(out.pixel(902, 300), qRgb(0, 0, 0));

    if (qEnvironmentVariableIsSet("QUORVEL_IMAGEMAP_SCREENSHOT"))
        out.save(qEnvironmentVariable("QUORVEL_IMAGEMAP_SCREENSHOT"));
}

// The middle button drags the picture: the control asks to scroll, shows a grab cursor, and
// raises none of its mouse events.
void tst_ImageMap::middleDragPansAndRaisesNothing()
{
    EventLog log(m_map);
    QSignalSpy moves(m_map, &ImageMap::MouseMove);
    QSignalSpy scrolls(m_map, &ImageMap::scrollRequested);
    QWindow *window = m_map->windowHandle();
    QTest::mousePress(window, Qt::MiddleButton, {}, QPoint(80, 80));
    QCOMPARE(m_map->cursor().shape(), Qt::ClosedHandCursor);
    moves.clear();
    QTest::mouseMove(window, QPoint(110, 70));
    QTest::mouseMove(window, QPoint(115, 70));
    QTest::mouseRelease(window, Qt::MiddleButton, {}, QPoint(115, 70));
    QCOMPARE(m_map->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(scrolls.size(), 2);
    QCOMPARE(scrolls[0].at(0).toPoint(), QPoint(-30, 10));
    QCOMPARE(scrolls[1].at(0).toPoint(), QPoint(-5, 0));
    QVERIFY(log.entries.isEmpty());
    QCOMPARE(moves.size(), 0);

    // Clicks go on as before.
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(log.entries.size(), 4);
}

QTEST_MAIN(tst_ImageMap)
#include "tst_imagemap.moc"
