#include "drawnlabel.h"
#include "reader/namereader.h"
#include "reader/readingtext.h"
#include "reader/registermatch.h"
#include "testfiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

class tst_Reader : public QObject
{
    Q_OBJECT

private slots:
    void readsDrawnLabels_data();
    void readsDrawnLabels();
    void tidiesReadings_data();
    void tidiesReadings();
    void takesTheRegistersSpelling_data();
    void takesTheRegistersSpelling();
    void failingReaderIsReportedAndStartedAgain_data();
    void failingReaderIsReportedAndStartedAgain();

private:
    NameReader m_reader; // one process for every reading, as in the editor
    QTemporaryDir m_dir;
};

void tst_Reader::readsDrawnLabels_data()
{
    QTest::addColumn<QString>("printed");
    QTest::addColumn<LabelStyle>("style");
    QTest::addColumn<QString>("expected");

    LabelStyle plain;
    QTest::newRow("number") << u"12"_s << plain << u"12"_s;
    LabelStyle turned { u"DejaVu Serif"_s, 20, false, false, 12, 0.8, 75 };
    QTest::newRow("word and number, turned 12 degrees, JPEG") << u"Lot 7"_s << turned << u"Lot 7"_s;
    LabelStyle mono { u"DejaVu Sans Mono"_s, 14, true, false, -9, -0.5, 70 };
    QTest::newRow("letter and hyphen, small bold") << u"A-14"_s << mono << u"A-14"_s;
    LabelStyle condensed { u"DejaVu Sans Condensed"_s, 24, false, false, 0, 0, 85 };
    QTest::newRow("slash") << u"3/4"_s << condensed << u"3/4"_s;
    LabelStyle italic { u"DejaVu Serif"_s, 16, false, true, 4, 0, 65 };
    QTest::newRow("point, italic") << u"101.5"_s << italic << u"101.5"_s;
    QTest::newRow("two lines read as one") << u"Lot\n23"_s << plain << u"Lot 23"_s;
    LabelStyle tree { u"DejaVu Sans"_s, 20, false, false, 0, 0, 70, true };
    QTest::newRow("tree beside the label") << u"Lot 9"_s << tree << u"Lot 9"_s;
    QTest::newRow("tree alone") << QString() << tree << QString();
    LabelStyle askew { u"DejaVu Sans"_s, 16, false, false, 0, 12, 80 };
    QTest::newRow("crop left askew") << u"Lot 108"_s << askew << u"Lot 108"_s;
    LabelStyle tinted { u"DejaVu Sans"_s, 30, false, false, 0, 0, 75, false, true };
    QTest::newRow("tinted paper, white around it") << u"19"_s << tinted << u"19"_s;
    QTest::newRow("no ink") << QString() << plain << QString();
}

void tst_Reader::readsDrawnLabels()
{
    QFETCH(QString, printed);
    QFETCH(LabelStyle, style);
    QFETCH(QString, expected);
    const QImage crop = drawnLabel(printed, style);

    const ReadResult result = m_reader.read(crop);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.text, expected);
    QCOMPARE(m_reader.readAll({ crop, crop }).last().text, expected);

    // Queued readings come back in order, each with its own ticket.
    QSignalSpy done(&m_reader, &NameReader::readingDone);
    const quint64 first = m_reader.enqueue(crop);
    const quint64 second = m_reader.enqueue(crop.mirrored(true, false));
    QVERIFY(done.wait(5000) || done.size() > 0);
    QTRY_COMPARE(done.size(), 2);
    QCOMPARE(done.at(0).at(0).value<quint64>(), first);
    QCOMPARE(done.at(1).at(0).value<quint64>(), second);
    QCOMPARE(done.at(0).at(1).value<ReadResult>().text, expected);
    QCOMPARE(m_reader.pendingCount(), 0);

    // Too uncertain a reading offers no name.
    NameReader::Options strict;
    strict.minConfidence = 101;
    const ReadResult unsure = NameReader(strict).read(crop);
    QVERIFY(unsure.ok);
    QCOMPARE(unsure.text, QString());
}

void tst_Reader::tidiesReadings_data()
{
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("expected");

    QTest::newRow("as read") << u"Lot 7"_s << u"Lot 7"_s;
    QTest::newRow("block letter before a hyphen") << u"j-62"_s << u"J-62"_s;
    QTest::newRow("block letter alone") << u"Block j Lot 9"_s << u"Block J Lot 9"_s;
    QTest::newRow("letter after digits kept") << u"12a"_s << u"12a"_s;
    QTest::newRow("punctuation at the ends") << u"-Lot 64."_s << u"Lot 64"_s;
    QTest::newRow("gap beside a point or slash") << u"354. 9 and 3 / 4"_s << u"354.9 and 3/4"_s;
    QTest::newRow("gap beside a hyphen kept") << u"A - 14"_s << u"A - 14"_s;
    QTest::newRow("ones read as letters") << u"Lot 4i7 lll l2."_s << u"Lot 417 111 12"_s;
    QTest::newRow("letters kept") << u"Il A-1 lot l1a"_s << u"11 A-1 lot l1a"_s;
}

void tst_Reader::tidiesReadings()
{
    QFETCH(QString, reading);
    QFETCH(QString, expected);
    QCOMPARE(tidyReading(reading), expected);
}

void tst_Reader::takesTheRegistersSpelling_data()
{
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("expected");

    const QStringList lots { u"Lot 7"_s, u"Lot 8"_s, u"A-14"_s, u"B-14"_s, u"3/4"_s, u"34"_s };
    QTest::newRow("number alone") << u"7"_s << lots << u"Lot 7"_s;
    QTest::newRow("leading zero") << u"08"_s << lots << u"Lot 8"_s;
    QTest::newRow("same text, other case") << u"lot 7"_s << lots << u"Lot 7"_s;
    QTest::newRow("exact among numbers alike") << u"B-14"_s << lots << u"B-14"_s;
    QTest::newRow("two entries with its number") << u"14"_s << lots << u"14"_s;
    QTest::newRow("numbers kept apart") << u"3/4"_s << lots << u"3/4"_s;
    QTest::newRow("in no entry") << u"99"_s << lots << u"99"_s;
    QTest::newRow("no number") << u"Park"_s << lots << u"Park"_s;
    QTest::newRow("no reading") << QString() << lots << QString();
    QTest::newRow("no register") << u"7"_s << QStringList() << u"7"_s;
}

void tst_Reader::takesTheRegistersSpelling()
{
    QFETCH(QString, reading);
    QFETCH(QStringList, names);
    QFETCH(QString, expected);
    QCOMPARE(matchRegister(reading, names), expected);
}

void tst_Reader::failingReaderIsReportedAndStartedAgain_data()
{
    QTest::addColumn<QByteArray>("script"); // empty: no program at all
    QTest::addColumn<QString>("error");

    QTest::newRow("missing") << QByteArray() << u"cannot be started"_s;
    QTest::newRow("no language data")
        << QByteArray("echo 'no data' >&2; exit 2") << u"exited with code 2 before it was ready"_s;
    QTest::newRow("not a reader") << QByteArray("echo nonsense; sleep 5")
                                  << u"is not a name reader"_s;
    QTest::newRow("never ready") << QByteArray("sleep 5") << u"was not ready within"_s;
    QTest::newRow("crashes on a label")
        << QByteArray("printf QRDY; head -c 16 >/dev/null; kill -SEGV $$") << u"crashed"_s;
    QTest::newRow("stuck on a label")
        << QByteArray("printf QRDY; sleep 5") << u"took longer than"_s;
}

void tst_Reader::failingReaderIsReportedAndStartedAgain()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, error);
    const QString starts = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + u".log"_s);
    NameReader::Options options;
    options.program = m_dir.filePath(u"missing-reader"_s);
    options.startTimeout = 300ms;
    options.queuedTimeout = 300ms;
    if (!script.isEmpty()) {
        options.program = m_dir.filePath(QString::number(qHash(script)) + u".sh"_s);
        writeBytes(options.program,
            "#!/bin/sh\necho started >>'" + starts.toUtf8() + "'\n" + script + '\n');
        QFile::setPermissions(options.program, QFile::ReadOwner | QFile::ExeOwner);
    }
    NameReader reader(options);
    const QImage crop = drawnLabel(u"12"_s, {});

    QElapsedTimer timer;
    timer.start();
    const ReadResult result = reader.read(crop, 300ms);
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(error), qPrintable(result.error));
    QVERIFY(!reader.isRunning());
    QVERIFY2(timer.elapsed() < 3000, "a failing reader must not hold the editor up");

    // Queued readings fail the same way, with a signal each, and the next use starts it again.
    QSignalSpy done(&reader, &NameReader::readingDone);
    reader.enqueue(crop);
    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 3000);
    const auto queued = done.first().at(1).value<ReadResult>();
    QVERIFY(!queued.ok);
    QVERIFY2(queued.error.contains(error), qPrintable(queued.error));
    if (!script.isEmpty())
        QCOMPARE(readBytes(starts).count("started"), 2);
}

QTEST_MAIN(tst_Reader)
#include "tst_reader.moc"
