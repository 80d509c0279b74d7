#include "picturedecoder/emfpicture.h"

#include <QFile>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;

class tst_PictureDecoder : public QObject
{
    Q_OBJECT

private slots:
    void pixelSize_data();
    void pixelSize();
    void expandsRunLengthBitmaps_data();
    void expandsRunLengthBitmaps();
    void leavesOtherFilesAlone_data();
    void leavesOtherFilesAlone();
    void rendersLibreOfficeShadows();
};

namespace {

void put32(QByteArray &data, qsizetype at, quint32 value)
{
    qToLittleEndian(value, data.data() + at);
}

quint32 get32(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}

QByteArray emfHeader(QRect frame)
{
    QByteArray header(88, '\0');
    put32(header, 0, 1);
    put32(header, 4, 88);
    put32(header, 24, quint32(frame.left()));
    put32(header, 28, quint32(frame.top()));
    put32(header, 32, quint32(frame.left() + frame.width()));
    put32(header, 36, quint32(frame.top() + frame.height()));
    put32(header, 40, 0x464D4520);
    put32(header, 44, 0x10000);
    return header;
}

QByteArray eofRecord()
{
    QByteArray record(20, '\0');
    put32(record, 0, 14);
    put32(record, 4, 20);
    return record;
}

// An EMR_STRETCHDIBITS record carrying a bitmap of \a width by \a height with the given bit
// count, compression and (already encoded) bits, and a palette of \a colours entries.
QByteArray stretchDiBits(
    int width, int height, int bitCount, int compression, int colours, const QByteArray &bits)
{
    const int bmiSize = 40 + colours * 4;
    const int offBmi = 80;
    const int offBits = offBmi + bmiSize;
    QByteArray record(offBits + (bits.size() + 3) / 4 * 4, '\0');
    put32(record, 0, 81);
    put32(record, 4, quint32(record.size()));
    put32(record, 48, offBmi);
    put32(record, 52, quint32(bmiSize));
    put32(record, 56, quint32(offBits));
    put32(record, 60, quint32(bits.size()));
    put32(record, offBmi, 40);
    put32(record, offBmi + 4, quint32(width));
    put32(record, offBmi + 8, quint32(height));
    qToLittleEndian<quint16>(1, record.data() + offBmi + 12);
    qToLittleEndian<quint16>(quint16(bitCount), record.data() + offBmi + 14);
    put32(record, offBmi + 16, quint32(compression));
    put32(record, offBmi + 20, quint32(bits.size()));
    put32(record, offBmi + 32, quint32(colours));
    for (int i = 0; i < colours; ++i)
        put32(record, offBmi + 40 + i * 4, quint32(i * 0x010101));
    record.replace(offBits, bits.size(), bits);
    return record;
}

QByteArray emfWith(const QByteArray &records)
{
    QByteArray emf = emfHeader(QRect(0, 0, 1000, 1000)) + records + eofRecord();
    put32(emf, 48, quint32(emf.size()));
    return emf;
}

} // namespace

void tst_PictureDecoder::pixelSize_data()
{
    QTest::addColumn<QByteArray>("emf");
    QTest::addColumn<QSize>("size");

    // Frames are in hundredths of a millimetre: 25.4 mm is 96 pixels.
    QTest::newRow("one inch square") << emfHeader(QRect(0, 0, 2540, 2540)) << QSize(96, 96);
    QTest::newRow("offset A4 frame")
        << emfHeader(QRect(500, 500, 21000, 29700)) << QSize(794, 1123);
    QByteArray noFrame = emfHeader(QRect());
    put32(noFrame, 8, 0);
    put32(noFrame, 12, 0);
    put32(noFrame, 16, 199);
    put32(noFrame, 20, 99);
    QTest::newRow("empty frame falls back to bounds") << noFrame << QSize(200, 100);
    QTest::newRow("frame of 10 metres is refused")
        << emfHeader(QRect(0, 0, 1'000'000, 1'000'000)) << QSize();
    QTest::newRow("inverted frame") << emfHeader(QRect(0, 0, -2540, -1270)) << QSize(96, 48);
    QTest::newRow("empty frame and bounds") << emfHeader(QRect()) << QSize();
    QByteArray wrongSignature = emfHeader(QRect(0, 0, 2540, 2540));
    put32(wrongSignature, 40, 0x20464D45);
    QTest::newRow("wrong signature") << wrongSignature << QSize();
    QTest::newRow("shorter than a header")
        << emfHeader(QRect(0, 0, 2540, 2540)).left(87) << QSize();
    QByteArray oversizedHeader = emfHeader(QRect(0, 0, 2540, 2540));
    put32(oversizedHeader, 4, 4096);
    QTest::newRow("header record longer than the file") << oversizedHeader << QSize();
}

void tst_PictureDecoder::pixelSize()
{
    QFETCH(QByteArray, emf);
    QFETCH(QSize, size);
    QCOMPARE(emfPixelSize(emf).value_or(QSize()), size);
}

void tst_PictureDecoder::expandsRunLengthBitmaps_data()
{
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<int>("compression");
    QTest::addColumn<int>("colours");
    QTest::addColumn<QByteArray>("encoded");
    QTest::addColumn<QByteArray>("rows"); // bottom row first, 8-bit indices, 4-byte stride

    // 5 by 3: rows "runs", "absolute run", "delta then end of bitmap".
    QTest::newRow("RLE8") << 8 << 1 << 0
                          << QByteArray("\x03\x07\x02\x09\x00\x00"
                                        "\x00\x05\x01\x02\x03\x04\x05\x00\x00\x00"
                                        "\x00\x02\x03\x00\x01\x06\x00\x01",
                                 24)
                          << QByteArray("\x07\x07\x07\x09\x09\0\0\0"
                                        "\x01\x02\x03\x04\x05\0\0\0"
                                        "\x00\x00\x00\x06\x00\0\0\0",
                                 24);
    QTest::newRow("RLE4") << 4 << 2 << 16
                          << QByteArray("\x05\x12\x00\x00"
                                        "\x00\x03\x34\x50\x02\x66\x00\x00"
                                        "\x00\x01",
                                 14)
                          << QByteArray("\x01\x02\x01\x02\x01\0\0\0"
                                        "\x03\x04\x05\x06\x06\0\0\0"
                                        "\x00\x00\x00\x00\x00\0\0\0",
                                 24);
    QTest::newRow("runs past the right edge are clipped")
        << 8 << 1 << 0 << QByteArray("\x09\x04\x00\x01", 4)
        << QByteArray("\x04\x04\x04\x04\x04\0\0\0", 8) + QByteArray(16, '\0');
    QTest::newRow("truncated data leaves the rest at index 0")
        << 8 << 1 << 0 << QByteArray("\x02\x08\x00", 3)
        << QByteArray("\x08\x08\0\0\0\0\0\0", 8) + QByteArray(16, '\0');
}

void tst_PictureDecoder::expandsRunLengthBitmaps()
{
    QFETCH(int, bitCount);
    QFETCH(int, compression);
    QFETCH(int, colours);
    QFETCH(QByteArray, encoded);
    QFETCH(QByteArray, rows);

    const QByteArray emf = emfWith(stretchDiBits(5, 3, bitCount, compression, colours, encoded));
    const QByteArray out = expandRleBitmaps(emf);

    QCOMPARE(get32(out, 48), quint32(out.size()));
    const qsizetype record = 88;
    QCOMPARE(get32(out, record), 81u);
    const quint32 size = get32(out, record + 4);
    QCOMPARE(size % 4, 0u);
    QCOMPARE(get32(out, record + size), 14u); // EMR_EOF follows straight after
    const quint32 offBmi = get32(out, record + 48);
    const quint32 offBits = get32(out, record + 56);
    const quint32 cbBits = get32(out, record + 60);
    QCOMPARE(qFromLittleEndian<quint16>(out.constData() + record + offBmi + 14), quint16(8));
    QCOMPARE(get32(out, record + offBmi + 16), 0u); // BI_RGB
    QCOMPARE(get32(out, record + offBmi + 20), cbBits);
    QCOMPARE(get32(out, record + offBmi + 32), quint32(colours));
    QVERIFY(offBits >= offBmi + get32(out, record + 52));
    QCOMPARE(offBits + cbBits, size);
    QCOMPARE(out.mid(record + offBits, cbBits), rows);
}

void tst_PictureDecoder::leavesOtherFilesAlone_data()
{
    QTest::addColumn<QByteArray>("emf");

    QTest::newRow("uncompressed bitmap")
        << emfWith(stretchDiBits(2, 1, 8, 0, 2, QByteArray("\x01\x00\0\0", 4)));
    QTest::newRow("RLE8 flag on a 24-bit bitmap")
        << emfWith(stretchDiBits(2, 1, 24, 1, 0, QByteArray("\x02\x01\x00\x01", 4)));
    QTest::newRow("top-down RLE8 bitmap")
        << emfWith(stretchDiBits(2, -1, 8, 1, 0, QByteArray("\x02\x01\x00\x01", 4)));
    QByteArray pastEnd = emfWith(stretchDiBits(2, 1, 8, 1, 0, QByteArray("\x02\x01\x00\x01", 4)));
    put32(pastEnd, 88 + 60, 0x7FFFFFFF); // cbBits beyond the record
    QTest::newRow("bits beyond the record") << pastEnd;
    QByteArray huge = emfWith(stretchDiBits(2, 1, 8, 1, 0, QByteArray("\x02\x01\x00\x01", 4)));
    put32(huge, 88 + 80 + 4, 100000);
    put32(huge, 88 + 80 + 8, 100000);
    QTest::newRow("bitmap of 10 gigapixels") << huge;
    QByteArray badRecord = emfWith(stretchDiBits(2, 1, 8, 1, 0, QByteArray("\x02\x01\x00\x01", 4)));
    put32(badRecord, 88 + 4, 7);
    QTest::newRow("record size not a multiple of 4") << badRecord;
    QTest::newRow("not a metafile") << QByteArray("plain text");
}

void tst_PictureDecoder::leavesOtherFilesAlone()
{
    QFETCH(QByteArray, emf);
    QCOMPARE(expandRleBitmaps(emf), emf);
}

void tst_PictureDecoder::rendersLibreOfficeShadows()
{
    QFile file(QFINDTESTDATA("../data/pictures/libreoffice-lot.emf"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QImage image = renderEmf(file.readAll());
    QCOMPARE(image.size(), QSize(151, 113));
    // The lot is filled pale green; the shadow to its lower right is grey.
    QCOMPARE(image.pixel(40, 64), qRgb(0xCF, 0xE8, 0xC0));
    const QRgb shadow = image.pixel(120, 64);
    QVERIFY2(
        qGray(shadow) < 0xC0 && qRed(shadow) == qGreen(shadow) && qRed(shadow) == qBlue(shadow),
        qPrintable(QString::number(shadow, 16)));
}

QTEST_MAIN(tst_PictureDecoder)
#include "tst_picturedecoder.moc"
