#include "apperrortest.h"
#include "platform/apperror.h"
#include "platform/picture.h"
#include "platform/picturedecoderprocess.h"
#include "platform/picturepreload.h"
#include "testfiles.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <optional>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

class tst_Picture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void loadsEachFormat_data();
    void loadsEachFormat();
    void readsContentNotSuffix_data();
    void readsContentNotSuffix();
    void refusesWhatIsNotAPicture_data();
    void refusesWhatIsNotAPicture();
    void fileErrors_data();
    void fileErrors();

    void loadsPictureOverQtDefaultLimit();
    void refusesPictureBeyondLimit();
    void ignoresHighResolutionFileNames();
    void damagedMetafilesNeverCrashTheLoader();

    void decoderResultIsPassedBack();
    void hangingDecoderIsKilled();
    void failingDecoderGivesInvalidPicture_data();
    void failingDecoderGivesInvalidPicture();

    void decodedAheadIsHandedOverOnlyForItsPath_data();
    void decodedAheadIsHandedOverOnlyForItsPath();

private:
    QString data(const QString &name) const;
    QString write(const QString &name, const QByteArray &bytes) const;
    QString script(const QString &name, const QByteArray &body) const;

    QTemporaryDir m_dir;
};

static QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image))
        qFatal("cannot encode %s", format);
    return bytes;
}

static QImage sample(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::darkGreen);
    painter.drawRect(2, 2, width - 5, height - 5);
    painter.drawLine(0, 0, width, height);
    return image;
}

void tst_Picture::initTestCase()
{
    QVERIFY(m_dir.isValid());
    write(u"plan.png"_s, encoded(sample(40, 30), "png"));
    write(u"plan.bmp"_s, encoded(sample(41, 29), "bmp"));
    write(u"plan.jpg"_s, encoded(sample(45, 35), "jpeg"));
}

QString tst_Picture::data(const QString &name) const
{
    const QString path = QFINDTESTDATA(u"../data/pictures/"_s + name);
    if (path.isEmpty())
        qFatal("missing test data %s", qPrintable(name));
    return path;
}

QString tst_Picture::write(const QString &name, const QByteArray &bytes) const
{
    const QString path = m_dir.filePath(name);
    writeBytes(path, bytes);
    return path;
}

QString tst_Picture::script(const QString &name, const QByteArray &body) const
{
    const QString path = write(name, "#!/bin/sh\n" + body + '\n');
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void tst_Picture::loadsEachFormat_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size");

    QTest::newRow("8-bit RLE bitmap")
        << u"Pillow__Tests_images__bmp_g_pal8rle.bmp"_s << QSize(127, 64);
    QTest::newRow("OS/2 bitmap") << u"Pillow__Tests_images__bmp_g_pal8os2.bmp"_s << QSize(127, 64);
    QTest::newRow("16-bit bitfields bitmap")
        << u"Pillow__Tests_images__bmp_g_rgb16-565.bmp"_s << QSize(127, 64);
    QTest::newRow("header-less clipboard dib")
        << u"Pillow__Tests_images__clipboard.dib"_s << QSize(296, 176);
    QTest::newRow("greyscale JPEG")
        << u"Pillow__Tests_images__hopper_gray.jpg"_s << QSize(128, 128);
    QTest::newRow("CMYK JPEG") << u"Pillow__Tests_images__pil_sample_cmyk.jpg"_s << QSize(100, 100);
    QTest::newRow("interlaced GIF") << u"libgdiplus__tests__test.gif"_s << QSize(100, 68);
    QTest::newRow("metafile with a bezier path")
        << u"Pillow__Tests_images__drawing.emf"_s << QSize(110, 110);
    QTest::newRow("metafile with a 24-bit bitmap")
        << u"libgdiplus__tests__test.emf"_s << QSize(73, 71);
    QTest::newRow("metafile with an RLE8 shadow") << u"libreoffice-lot.emf"_s << QSize(151, 113);
}

void tst_Picture::loadsEachFormat()
{
    QFETCH(QString, file);
    QFETCH(QSize, size);
    const QImage image = loadPicture(data(file));
    QCOMPARE(image.size(), size);
}

void tst_Picture::readsContentNotSuffix_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("copyAs");
    QTest::addColumn<QSize>("size");

    const QString dir = m_dir.path() + u'/';
    QTest::newRow("bitmap named .dib") << dir + u"plan.bmp"_s << u"bm.dib"_s << QSize(41, 29);
    QTest::newRow("JPEG named .bmp") << dir + u"plan.jpg"_s << u"jpeg.bmp"_s << QSize(45, 35);
    QTest::newRow("PNG named .gif") << dir + u"plan.png"_s << u"png.gif"_s << QSize(40, 30);
    QTest::newRow("PNG with no suffix") << dir + u"plan.png"_s << u"plan"_s << QSize(40, 30);
    QTest::newRow("header-less dib named .bmp")
        << data(u"Pillow__Tests_images__clipboard.dib"_s) << u"clip.bmp"_s << QSize(296, 176);
    QTest::newRow("metafile named .jpg")
        << data(u"Pillow__Tests_images__drawing.emf"_s) << u"drawing.jpg"_s << QSize(110, 110);
}

void tst_Picture::readsContentNotSuffix()
{
    QFETCH(QString, source);
    QFETCH(QString, copyAs);
    QFETCH(QSize, size);
    const QString path = write(copyAs, readBytes(source));
    QCOMPARE(loadPicture(path).size(), size);
}

void tst_Picture::refusesWhatIsNotAPicture_data()
{
    QTest::addColumn<QString>("path");

    const QByteArray jpeg = readBytes(m_dir.filePath(u"plan.jpg"_s));
    const QByteArray png = readBytes(m_dir.filePath(u"plan.png"_s));
    const QByteArray bmp = readBytes(m_dir.filePath(u"plan.bmp"_s));
    const QByteArray emf = readBytes(data(u"libreoffice-lot.emf"_s));
    QTest::newRow("text file") << write(u"notes.txt"_s, "Lot 1 is the corner lot.\r\n");
    QTest::newRow("zero bytes") << write(u"empty.jpg"_s, {});
    QTest::newRow("baseline JPEG cut in half") << write(u"half.jpg"_s, jpeg.left(jpeg.size() / 2));
    QTest::newRow("progressive JPEG cut mid-scan")
        << data(u"Pillow__Tests_images__truncated_jpeg.jpg"_s);
    QTest::newRow("JPEG signature only") << write(u"soi.jpg"_s, "\xFF\xD8\xFF\xE0");
    QTest::newRow("PNG cut in half") << write(u"half.png"_s, png.left(png.size() / 2));
    QTest::newRow("1-bit bitmap cut short") << data(u"Pillow__Tests_images__bmp_b_shortfile.bmp"_s);
    QTest::newRow("24-bit bitmap missing part of its last row")
        << write(u"short.bmp"_s, bmp.chopped(4));
    QTest::newRow("header-less dib cut short") << write(
        u"short.dib"_s, readBytes(data(u"Pillow__Tests_images__clipboard.dib"_s)).left(5000));
    QTest::newRow("GIF of zero width") << data(u"Pillow__Tests_images__zero_width.gif"_s);
    QTest::newRow("metafile header only") << write(u"header.emf"_s, emf.left(88));
    QTest::newRow("metafile shorter than its header") << write(u"short.emf"_s, emf.left(60));
    QTest::newRow("metafile cut in half") << write(u"half.emf"_s, emf.left(emf.size() / 2));
}

void tst_Picture::refusesWhatIsNotAPicture()
{
    QFETCH(QString, path);
    QCOMPARE(errorNumberOf([&] { loadPicture(path); }), ErrorNumber::InvalidPicture);
}

void tst_Picture::fileErrors_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("number");

    QTest::newRow("missing file") << m_dir.filePath(u"P1100.jpg"_s) << ErrorNumber::FileNotFound;
    QTest::newRow("empty path") << QString() << ErrorNumber::FileNotFound;
    QTest::newRow("missing folder")
        << m_dir.filePath(u"koval11/P1100.jpg"_s) << ErrorNumber::PathNotFound;
    QTest::newRow("folder given as the picture") << m_dir.path() << ErrorNumber::PathFileAccess;
    // Refused at once: opening a pipe waits for a writer, and a device never ends.
    const QString pipe = m_dir.filePath(u"pipe.jpg"_s);
    if (!QFileInfo::exists(pipe))
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QTest::newRow("named pipe") << pipe << ErrorNumber::PathFileAccess;
    QTest::newRow("device") << u"/dev/zero"_s << ErrorNumber::PathFileAccess;
}

void tst_Picture::fileErrors()
{
    QFETCH(QString, path);
    QFETCH(int, number);
    QCOMPARE(errorNumberOf([&] { loadPicture(path); }), number);
}

// A 24-bit bitmap written a row at a time, so the test never holds the picture twice.
static QString writeStripedBitmap(const QString &path, int width, int height)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    const qint64 stride = (qint64(width) * 3 + 3) / 4 * 4;
    char header[54] = { 'B', 'M' };
    qToLittleEndian<quint32>(quint32(54 + stride * height), header + 2);
    qToLittleEndian<quint32>(54, header + 10);
    qToLittleEndian<quint32>(40, header + 14);
    qToLittleEndian<qint32>(width, header + 18);
    qToLittleEndian<qint32>(height, header + 22);
    qToLittleEndian<quint16>(1, header + 26);
    qToLittleEndian<quint16>(24, header + 28);
    file.write(header, sizeof header);
    QByteArray row(stride, '\0');
    for (int y = 0; y < height; ++y) {
        row.fill(char(y % 256));
        file.write(row);
    }
    return path;
}

void tst_Picture::loadsPictureOverQtDefaultLimit()
{
    // 35 megapixels: 140 MB decoded, over the 128 MB Qt allows by default.
    const QString path = writeStripedBitmap(m_dir.filePath(u"large.bmp"_s), 7000, 5000);
    const QImage image = loadPicture(path);
    QFile::remove(path);
    QCOMPARE(image.size(), QSize(7000, 5000));
    QCOMPARE(qBlue(image.pixel(6999, 4999 - 300)), 300 % 256);
}

void tst_Picture::refusesPictureBeyondLimit()
{
    // A header claiming 20000 by 20000 pixels (1.6 GB decoded) must not be allocated.
    char header[54] = { 'B', 'M' };
    qToLittleEndian<quint32>(54, header + 10);
    qToLittleEndian<quint32>(40, header + 14);
    qToLittleEndian<qint32>(20000, header + 18);
    qToLittleEndian<qint32>(20000, header + 22);
    qToLittleEndian<quint16>(1, header + 26);
    qToLittleEndian<quint16>(32, header + 28);
    const QString path =
        write(u"huge.bmp"_s, QByteArray(header, sizeof header) + QByteArray(64, 'x'));
    QCOMPARE(errorNumberOf([&] { loadPicture(path); }), ErrorNumber::InvalidPicture);
}

void tst_Picture::ignoresHighResolutionFileNames()
{
    const QString path = write(u"plan@2x.png"_s, readBytes(m_dir.filePath(u"plan.png"_s)));
    QCOMPARE(loadPicture(path).devicePixelRatio(), 1.0);
}

void tst_Picture::damagedMetafilesNeverCrashTheLoader()
{
    const QDir corpus(QStringLiteral(QUORVEL_SHARED_TESTDATA) + u"/emf-local"_s);
    const QStringList files = corpus.entryList({ u"*.emf"_s }, QDir::Files);
    if (files.isEmpty())
        QSKIP("the shared metafile corpus is not on this machine");
    for (const QString &name : files) {
        const int number = errorNumberOf([&] { loadPicture(corpus.filePath(name)); });
        QVERIFY2(number == 0 || number == ErrorNumber::InvalidPicture, qPrintable(name));
        // The file known to hang renderers, and one whose header is damaged, are refused.
        if (name.endsWith(u"2016-02-02-225639.emf"_s) || name.endsWith(u"2014-12-02-215338.emf"_s))
            QVERIFY2(number == ErrorNumber::InvalidPicture, qPrintable(name));
    }
}

void tst_Picture::decoderResultIsPassedBack()
{
    // cat echoes its input: hand it a decoder's answer and it plays a decoder.
    QByteArray answer("QPIC\x02\0\0\0\x01\0\0\0", 12);
    answer += QByteArray("\x10\x20\x30\xFF\x40\x50\x60\xFF", 8);
    const QImage image = decodeInChildProcess(answer, u"/bin/cat"_s);
    QCOMPARE(image.size(), QSize(2, 1));
    QCOMPARE(image.pixel(0, 0), qRgb(0x30, 0x20, 0x10));
    QCOMPARE(image.pixel(1, 0), qRgb(0x60, 0x50, 0x40));
}

void tst_Picture::hangingDecoderIsKilled()
{
    const QString decoder = script(u"hang.sh"_s, "exec sleep 60");
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(errorNumberOf([&] { decodeInChildProcess("EMF", decoder, 300ms); }),
        ErrorNumber::InvalidPicture);
    QVERIFY(timer.elapsed() < 30'000);
}

void tst_Picture::failingDecoderGivesInvalidPicture_data()
{
    QTest::addColumn<QString>("decoder");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("warns");

    const QByteArray pixel("QPIC\x01\0\0\0\x01\0\0\0\0\0\0\0", 16);
    QTest::newRow("crash") << script(u"crash.sh"_s, "kill -SEGV $$") << QByteArray("EMF") << false;
    QTest::newRow("non-zero exit") << script(u"fail.sh"_s, "cat; exit 1") << pixel << false;
    QTest::newRow("missing decoder")
        << m_dir.filePath(u"no-such-decoder"_s) << QByteArray("EMF") << true;
    QTest::newRow("answer without signature") << u"/bin/cat"_s << QByteArray("EMF") << false;
    QTest::newRow("answer shorter than its size") << u"/bin/cat"_s << pixel.left(14) << false;
    QTest::newRow("answer of zero width")
        << u"/bin/cat"_s << QByteArray("QPIC\0\0\0\0\x01\0\0\0", 12) << false;
    QTest::newRow("answer beyond 100 megapixels")
        << u"/bin/cat"_s << QByteArray("QPIC\xFF\x7F\0\0\xFF\x7F\0\0", 12) << false;
}

void tst_Picture::failingDecoderGivesInvalidPicture()
{
    QFETCH(QString, decoder);
    QFETCH(QByteArray, input);
    QFETCH(bool, warns);
    if (warns)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"picture decoder"_s));
    QCOMPARE(errorNumberOf([&] { decodeInChildProcess(input, decoder, 10s); }),
        ErrorNumber::InvalidPicture);
}

namespace {

// What a load gives: a picture, or an error with its number and description.
struct Outcome
{
    QImage picture;
    AppError error;
};

Outcome outcomeOf(const std::function<QImage()> &load)
{
    try {
        return { load(), {} };
    } catch (const AppError &e) {
        return { {}, e };
    }
}

} // namespace

void tst_Picture::decodedAheadIsHandedOverOnlyForItsPath_data()
{
    QTest::addColumn<QString>("ahead"); // the path decoding ahead started with
    QTest::addColumn<QString>("change"); // "remove" or "create" that file once it has started
    QTest::addColumn<QString>("taken"); // the path start-up asks for
    QTest::addColumn<bool>("handedOver"); // whether it gets the picture decoded ahead

    QTest::newRow("same path: decoded ahead, though the file is gone by then")
        << u"plan.jpg"_s << u"remove"_s << u"plan.jpg"_s << true;
    QTest::newRow("same path, a bitmap") << u"plan.bmp"_s << u"remove"_s << u"plan.bmp"_s << true;
    QTest::newRow("another picture: that one")
        << u"plan.jpg"_s << QString() << u"plan.png"_s << false;
    QTest::newRow("another path, missing: its own error")
        << u"plan.jpg"_s << QString() << u"gone.jpg"_s << false;
    QTest::newRow("failed ahead, there by now: the normal load")
        << u"late.jpg"_s << u"create"_s << u"late.jpg"_s << false;
    QTest::newRow("not a picture: the normal load's error")
        << u"notes.txt"_s << QString() << u"notes.txt"_s << false;
    QTest::newRow("missing folder: the normal load's error")
        << u"nodir/plan.jpg"_s << QString() << u"nodir/plan.jpg"_s << false;
    QTest::newRow("metafile: decoded when taken")
        << data(u"Pillow__Tests_images__drawing.emf"_s) << QString()
        << data(u"Pillow__Tests_images__drawing.emf"_s) << false;
    QTest::newRow("nothing ahead") << QString() << QString() << u"plan.png"_s << false;
}

void tst_Picture::decodedAheadIsHandedOverOnlyForItsPath()
{
    QFETCH(QString, ahead);
    QFETCH(QString, change);
    QFETCH(QString, taken);
    QFETCH(bool, handedOver);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString &name : { u"plan.jpg"_s, u"plan.png"_s, u"plan.bmp"_s })
        QVERIFY(QFile::copy(m_dir.filePath(name), dir.filePath(name)));
    writeBytes(dir.filePath(u"notes.txt"_s), "not a picture\r\n");
    const auto inDir = [&](const QString &name) {
        return name.isEmpty() || QDir::isAbsolutePath(name) ? name : dir.filePath(name);
    };
    const QString aheadPath = inDir(ahead);
    const QString takenPath = inDir(taken);
    const Outcome before = outcomeOf([&] { return loadPicture(aheadPath); });

    std::optional<PicturePreload> preload(std::in_place, aheadPath);
    if (change == u"remove")
        QVERIFY(QFile::remove(aheadPath));
    else if (change == u"create")
        QVERIFY(QFile::copy(m_dir.filePath(u"plan.jpg"_s), aheadPath));
    const Outcome normal = outcomeOf([&] { return loadPicture(takenPath); });
    const Outcome got = outcomeOf([&] { return preload->take(takenPath).waitForFullPicture(); });
    const Outcome again = outcomeOf([&] { return preload->take(takenPath).waitForFullPicture(); });
    // The picture handed over owns its pixels.
    preload.reset();

    const Outcome &expected = handedOver ? before : normal;
    QCOMPARE(got.error.number, expected.error.number);
    QCOMPARE(got.error.description, expected.error.description);
    QCOMPARE(got.picture, expected.picture);
    QCOMPARE(got.picture.devicePixelRatio(), 1.0);
    if (handedOver)
        QVERIFY(!got.picture.isNull());
    // Handed over once; after that the path is loaded as it is now.
    QCOMPARE(again.error.number, normal.error.number);
    QCOMPARE(again.picture, normal.picture);
}

QTEST_MAIN(tst_Picture)
#include "tst_picture.moc"
