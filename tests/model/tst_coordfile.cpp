#include "apperrortest.h"
#include "memorysettings.h"
#include "model/coordfile.h"
#include "model/hotspottable.h"

#include "hotspottableaccess.h"
#include "platform/settingsstore.h"
#include "recordingview.h"
#include "scriptedprompts.h"
#include "silentstandins.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

const QString header = u"<map name=map>"_s;
const QString footer = u"</map>"_s;
const QString areaA = u"<AREA SHAPE=POLY COORDS=\"1,2,3,4,5,6\" ID=\"A\" color=\"#00ff00\">"_s;
const QString areaB = u"<AREA SHAPE=POLY COORDS=\"7,8,9,10,11,12\" ID=\"B c\" color=\"#00ff00\">"_s;
const QString parseError5 = u"ParseCoordFileLine_ERR: 5 Invalid procedure call or argument"_s;
const QString parseError9 = u"ParseCoordFileLine_ERR: 9 Subscript out of range"_s;

// Messages in the tables name the path as %1.
QString withPath(QString message, const QString &path)
{
    return message.replace(u"%1"_s, path);
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Lowers the file size limit of the process so that a write fails part way (EFBIG), whoever runs
// the test, root included.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_saved = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_active = m_saved && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_saved)
            setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }
    bool isActive() const { return m_active; }

private:
    rlimit m_old {};
    void (*m_handler)(int) = nullptr;
    bool m_saved = false;
    bool m_active = false;
};

} // namespace

class tst_CoordFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void workedExample();
    void writtenFileReadsBack();
    void readCoordFile_data();
    void readCoordFile();
    void creatingTheMissingFileFailsToTheCaller();
    void readError();
    void parseCoordFileLine_data();
    void parseCoordFileLine();
    void linesPastTheLastSlot();
    void unreadableLinesAfterTheFifthAreCounted_data();
    void unreadableLinesAfterTheFifthAreCounted();
    void writeCoordFile_data();
    void writeCoordFile();
    void writeFailures_data();
    void writeFailures();
    void failedSaveKeepsThePreviousFile();
    void windows1252NamesSurvive();
    void mixedEncodingLines();
    void hostileFiles_data();
    void hostileFiles();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<HotSpotTable> m_table;
    ScriptedPrompts m_prompts;
    MemorySettings m_settings;
    RecordingView m_view;
};

void tst_CoordFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_table = std::make_unique<HotSpotTable>();
    m_settings = {};
    m_view = {};
}

void tst_CoordFile::cleanup()
{
    const auto left = std::exchange(m_prompts, {}).unusedAnswers();
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u'|')));
}

void tst_CoordFile::workedExample()
{
    m_table->AddHotSpot(u"40,30,200,30,200,120"_s, u"Lot 7"_s);
    m_table->AddHotSpot(u"1,1,2,2,3,3"_s, u"gone"_s);
    m_table->AddHotSpot(u"250,40,300,40,300,90"_s, u"Shed"_s);
    m_table->ClearHotSpot(1);

    QCOMPARE(m_table->MapText(),
        u"<map name=map><AREA SHAPE=POLY COORDS=\"40,30,200,30,200,120\" ID=\"Lot 7\" "
        "color=\"#00ff00\"><AREA SHAPE=POLY COORDS=\"250,40,300,40,300,90\" ID=\"Shed\" "
        "color=\"#00ff00\"></map>"_s);

    const QString golden = QFINDTESTDATA("../data/model/worked-example.map");
    QVERIFY(!golden.isEmpty());
    QVERIFY(WriteCoordFile(path(u"out.map"_s), *m_table, m_prompts, m_settings));
    QCOMPARE(readBytes(path(u"out.map"_s)), readBytes(golden));
    QCOMPARE(m_settings.writes, QStringList { u"Settings/numLinesInCoordFile=3"_s });
    QCOMPARE(entries(m_dir->path()), QStringList { u"out.map"_s });
}

void tst_CoordFile::writtenFileReadsBack()
{
    QString longList; // about 11,000 corners: past any 16-bit position
    for (int corner = 0; longList.size() < 100000; ++corner)
        longList += QString::number(corner % 5000) + u',' + QString::number(corner / 5000) + u',';
    longList.chop(1);
    const QStringList coords = { u"1,2,3,4,5,6"_s, longList, u"5,5,9,9,5,9"_s, u"0,0,1,1,0,1"_s };
    const QStringList names = { u"Lot 1"_s, u"Zoë & <Sons>"_s, QString(), u"Lot 1 "_s };
    for (qsizetype i = 0; i < coords.size(); ++i)
        m_table->AddHotSpot(coords.at(i), names.at(i));
    m_table->AddHotSpot(u"9,9"_s, u"deleted"_s);
    m_table->ClearHotSpot(4);
    m_table->ClearHotSpot(0);
    const QString built = m_table->MapText();

    QVERIFY(WriteCoordFile(path(u"map.map"_s), *m_table, m_prompts, m_settings));
    auto read = std::make_unique<HotSpotTable>();
    ReadCoordFile(path(u"map.map"_s), *read, m_prompts, m_settings, m_view);

    QCOMPARE(read->HotSpotCount(), 3);
    for (int slot = 0; slot < 3; ++slot) {
        QCOMPARE(read->HotSpotCoords(slot), coords.at(slot + 1));
        QCOMPARE(read->HotSpotNames(slot), names.at(slot + 1));
    }
    QCOMPARE(read->MapText() + footer, built);
}

void tst_CoordFile::readCoordFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("messages"); // %1 is the path
    QTest::addColumn<QStringList>("coords");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("mapText"); // "previous" when untouched
    QTest::addColumn<bool>("settingCleared");
    QTest::addColumn<bool>("boxEmptied");

    const QString previous = u"previous"_s;
    const QStringList none;

    QTest::newRow("map file") << u"file"_s << crlf({ header, areaA, areaB, footer }) << none
                              << QStringList { u"1,2,3,4,5,6"_s, u"7,8,9,10,11,12"_s }
                              << QStringList { u"A"_s, u"B c"_s } << header + areaA + areaB << false
                              << false;
    QTest::newRow("empty file") << u"file"_s << QByteArray() << QStringList { u"%1 missing !"_s }
                                << none << none << previous << false << false;
    QTest::newRow("missing file is created")
        << u"missing"_s << QByteArray() << none << none << none << header << false << false;
    QTest::newRow("empty path") << u"empty path"_s << QByteArray()
                                << QStringList { u"53 File not found File:"_s } << none << none
                                << previous << true << true;
    QTest::newRow("folder") << u"folder"_s << QByteArray()
                            << QStringList { u"75 Path/File access error File:%1"_s } << none
                            << none << previous << false << true;
    QTest::newRow("missing folder") << u"missing folder"_s << QByteArray()
                                    << QStringList { u"76 MAP HOTSPOTS File not Found:%1"_s }
                                    << none << none << previous << false << true;
    QTest::newRow("first line is not parsed")
        << u"file"_s << crlf({ areaA, footer }) << none << none << none << areaA << false << false;
    QTest::newRow("blank line takes an empty slot")
        << u"file"_s << crlf({ header, QString(), areaA, footer }) << QStringList { parseError5 }
        << QStringList { QString(), u"1,2,3,4,5,6"_s } << QStringList { QString(), u"A"_s }
        << header + areaA << false << false;
    QTest::newRow("footer matches exactly; later lines unread")
        << u"file"_s << crlf({ header, u"</MAP>"_s, u"</map> "_s, areaA, footer, areaB })
        << QStringList { parseError5, parseError5 }
        << QStringList { QString(), QString(), u"1,2,3,4,5,6"_s }
        << QStringList { QString(), QString(), u"A"_s } << header + u"</MAP></map> "_s + areaA
        << false << false;
    QTest::newRow("no footer, no last line end")
        << u"file"_s << crlf({ header, areaA }) + areaB.toUtf8() << none
        << QStringList { u"1,2,3,4,5,6"_s, u"7,8,9,10,11,12"_s } << QStringList { u"A"_s, u"B c"_s }
        << header + areaA + areaB << false << false;
    QTest::newRow("LF and lone CR line ends")
        << u"file"_s << (header + u'\n' + areaA + u'\r' + areaB + u"\n</map>\n"_s).toUtf8() << none
        << QStringList { u"1,2,3,4,5,6"_s, u"7,8,9,10,11,12"_s } << QStringList { u"A"_s, u"B c"_s }
        << header + areaA + areaB << false << false;
    QTest::newRow("same name twice")
        << u"file"_s << crlf({ header, areaA, areaA, footer }) << none
        << QStringList { u"1,2,3,4,5,6"_s, u"1,2,3,4,5,6"_s } << QStringList { u"A"_s, u"A"_s }
        << header + areaA + areaA << false << false;
}

void tst_CoordFile::readCoordFile()
{
    QFETCH(QString, target);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, coords);
    QFETCH(QStringList, names);
    QFETCH(QString, mapText);
    QFETCH(bool, settingCleared);
    QFETCH(bool, boxEmptied);

    QString file = path(u"map.map"_s);
    if (target == u"file")
        writeBytes(file, content);
    else if (target == u"folder")
        QVERIFY(QDir(m_dir->path()).mkdir(u"map.map"_s));
    else if (target == u"missing folder")
        file = path(u"no such folder/map.map"_s);
    else if (target == u"empty path")
        file.clear();

    HotSpotTableAccess::count(*m_table) = 7;
    HotSpotTableAccess::mapText(*m_table) = u"previous"_s;
    m_view.hotSpotFile = u"box"_s;
    for (qsizetype i = 0; i < messages.size(); ++i)
        m_prompts.expectMessage(Prompts::Button::Ok);

    ReadCoordFile(file, *m_table, m_prompts, m_settings, m_view);

    QStringList expected;
    for (const QString &message : std::as_const(messages))
        expected.append(withPath(message, file));
    QCOMPARE(m_prompts.texts(), expected);
    for (const auto &shown : std::as_const(m_prompts.shown)) {
        QCOMPARE(shown.buttons, Prompts::Buttons::Ok);
        QCOMPARE(shown.icon, Prompts::Icon::None);
        QCOMPARE(shown.caption, u"QuorvelImap"_s);
    }
    QCOMPARE(m_table->HotSpotCount(), coords.size());
    for (qsizetype slot = 0; slot < coords.size(); ++slot) {
        QCOMPARE(m_table->HotSpotCoords(slot), coords.at(slot));
        QCOMPARE(m_table->HotSpotNames(slot), names.at(slot));
    }
    QCOMPARE(m_table->MapText(), mapText);
    QCOMPARE(m_settings.writes,
        settingCleared ? QStringList { u"Settings/CoordFile="_s } : QStringList {});
    QCOMPARE(m_view.hotSpotFile, boxEmptied ? QString() : u"box"_s);

    if (target == u"missing")
        QCOMPARE(readBytes(file), QByteArray("<map name=map>\r\n</map>\r\n"));
    else if (target == u"file")
        QCOMPARE(readBytes(file), content);
    else if (target == u"missing folder")
        QVERIFY(!QFileInfo::exists(QFileInfo(file).path()));
    const QStringList expectedEntries =
        target == u"file" || target == u"missing" || target == u"folder"
        ? QStringList { u"map.map"_s }
        : QStringList {};
    QCOMPARE(entries(m_dir->path()), expectedEntries);
}

void tst_CoordFile::creatingTheMissingFileFailsToTheCaller()
{
    const QString file = path(u"map.map"_s);
    HotSpotTableAccess::mapText(*m_table) = u"previous"_s;
    int number = 0;
    {
        FileSizeLimit limit(0);
        QVERIFY(limit.isActive());
        number =
            errorNumberOf([&] { ReadCoordFile(file, *m_table, m_prompts, m_settings, m_view); });
    }
    QCOMPARE(number, 75);
    QVERIFY(m_prompts.shown.isEmpty());
    QCOMPARE(m_table->MapText(), u"previous"_s);
    QCOMPARE(entries(m_dir->path()), QStringList {});
}

void tst_CoordFile::readError()
{
    // Reading this file fails with EIO right away: the reader's message for any other error.
    const QString file = u"/proc/self/mem"_s;
    if (!QFileInfo(file).isFile())
        QSKIP("no /proc/self/mem here");
    m_prompts.expectMessage(Prompts::Button::Ok);
    m_view.hotSpotFile = u"box"_s;
    ReadCoordFile(file, *m_table, m_prompts, m_settings, m_view);
    QCOMPARE(m_prompts.texts(), QStringList { u"57 Device I/O error"_s });
    QCOMPARE(m_view.hotSpotFile, u"box"_s);
    QVERIFY(m_settings.writes.isEmpty());
}

void tst_CoordFile::parseCoordFileLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("coords");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");

    QTest::newRow("AREA line") << areaB << u"7,8,9,10,11,12"_s << u"B c"_s << QString();
    QTest::newRow("lower case")
        << u"<area shape=poly coords=\"1,2,3,4,5,6\" id=\"A\" color=\"#00ff00\">"_s
        << u"1,2,3,4,5,6"_s << u"A"_s << QString();
    QTest::newRow("quoted shape")
        << u"<AREA SHAPE=\"POLY\" COORDS=\"1,2,3,4,5,6\" ID=\"A\" color=\"#00ff00\">"_s << u"POLY"_s
        << u"1,2,3,4,5,6"_s << QString();
    QTest::newRow("name ends at a quote")
        << u"<AREA SHAPE=POLY COORDS=\"1,2\" ID=\"say \"hi\"\" color=\"#00ff00\">"_s << u"1,2"_s
        << u"say "_s << QString();
    QTest::newRow("empty values") << u"\"\"\"\""_s << QString() << QString() << QString();
    QTest::newRow("no quote") << u"</MAP>"_s << QString() << QString() << parseError5;
    QTest::newRow("one quote") << u"x\"1,2"_s << QString() << QString() << parseError5;
    QTest::newRow("two quotes") << u"\"1,2\" ID=A"_s << u"1,2"_s << QString() << parseError5;
    QTest::newRow("three quotes") << u"\"1,2\" ID=\"A"_s << u"1,2"_s << QString() << parseError5;

    // Quote positions have no 16-bit limit: the writer saves lists of any length.
    const QString values = u"\"1,2\" \"A\""_s;
    QTest::newRow("first quote past 32767")
        << QString(40000, u'x') + values << u"1,2"_s << u"A"_s << QString();
    QTest::newRow("100,000-character list") << u"\""_s + QString(100000, u'1') + u"\" \"A\""_s
                                            << QString(100000, u'1') << u"A"_s << QString();
    QTest::newRow("name quote far into the rest") << u"\"1,2\" \""_s + QString(40000, u'x') + u'"'
                                                  << u"1,2"_s << QString(40000, u'x') << QString();
}

void tst_CoordFile::parseCoordFileLine()
{
    QFETCH(QString, line);
    QFETCH(QString, coords);
    QFETCH(QString, name);
    QFETCH(QString, message);

    HotSpotTableAccess::count(*m_table) = 2;
    if (!message.isEmpty())
        m_prompts.expectMessage(Prompts::Button::Ok);
    ParseCoordFileLine(line, *m_table, m_prompts);

    QCOMPARE(m_table->HotSpotCount(), 3);
    QCOMPARE(m_table->HotSpotCoords(2), coords);
    QCOMPARE(m_table->HotSpotNames(2), name);
    QCOMPARE(m_prompts.texts(), message.isEmpty() ? QStringList {} : QStringList { message });
}

void tst_CoordFile::linesPastTheLastSlot()
{
    QStringList lines { header };
    for (int i = 0; i < 1003; ++i)
        lines.append(
            u"<AREA SHAPE=POLY COORDS=\"%1,0,1,1,0,1\" ID=\"n%1\" color=\"#00ff00\">"_s.arg(i));
    lines.append(footer);
    writeBytes(path(u"map.map"_s), crlf(lines));
    HotSpotTableAccess::name(*m_table, 1000) = u"stale"_s;

    m_prompts.expectMessage(Prompts::Button::Ok);
    m_prompts.expectMessage(Prompts::Button::Ok);
    ReadCoordFile(path(u"map.map"_s), *m_table, m_prompts, m_settings, m_view);

    QCOMPARE(m_prompts.texts(), QStringList({ parseError9, parseError9 }));
    QCOMPARE(m_table->HotSpotCount(), 1001);
    QCOMPARE(m_table->HotSpotNames(1000), u"n1000"_s);
    lines.removeLast();
    QCOMPARE(m_table->MapText(), lines.join(QString()));

    // What is written back stops at the last slot.
    QVERIFY(WriteCoordFile(path(u"out.map"_s), *m_table, m_prompts, m_settings));
    lines.remove(1002, 2);
    lines.append(footer);
    QCOMPARE(readBytes(path(u"out.map"_s)), crlf(lines));
    QCOMPARE(m_settings.values.value(u"Settings/numLinesInCoordFile"_s), u"1001"_s);
}

void tst_CoordFile::unreadableLinesAfterTheFifthAreCounted_data()
{
    QTest::addColumn<int>("good");
    QTest::addColumn<int>("bad");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("count");

    // Bad lines have no quotes (5); past a full table every line is one too many (9).
    QTest::newRow("300 lines without quotes") << 2 << 300 << parseError5 << 303;
    QTest::newRow("300 lines past a full table") << 1001 << 300 << parseError9 << 1001;
    QTest::newRow("exactly five") << 2 << 5 << parseError5 << 8;
    QTest::newRow("six") << 2 << 6 << parseError5 << 9;
}

void tst_CoordFile::unreadableLinesAfterTheFifthAreCounted()
{
    QFETCH(int, good);
    QFETCH(int, bad);
    QFETCH(QString, error);
    QFETCH(int, count);

    const bool full = good == HotSpotTable::Capacity;
    QStringList lines { header };
    const auto area = [](int i) {
        return u"<AREA SHAPE=POLY COORDS=\"%1,0,1,1,0,1\" ID=\"n%1\" color=\"#00ff00\">"_s.arg(i);
    };
    for (int i = 0; i < good; ++i)
        lines.append(area(i));
    for (int i = 0; i < bad; ++i)
        lines.append(full ? area(good + i) : u"state %1 has no quotes"_s.arg(i));
    // Everything readable still loads, also after the boxes stop.
    if (!full)
        lines.append(area(good + bad));
    lines.append(footer);
    const QString file = path(u"page.html"_s);
    writeBytes(file, crlf(lines));

    for (int i = 0; i < qMin(bad, 5) + (bad > 5 ? 1 : 0); ++i)
        m_prompts.expectMessage(Prompts::Button::Ok);
    ReadCoordFile(file, *m_table, m_prompts, m_settings, m_view);

    QStringList expected(qMin(bad, 5), error);
    if (bad > 5)
        expected.append(
            QString::number(bad - 5) + u" more lines of "_s + file + u" could not be read"_s);
    QCOMPARE(m_prompts.texts(), expected);
    for (qsizetype i = 0; i < m_prompts.shown.size(); ++i) {
        const bool summary = i == 5;
        QCOMPARE(m_prompts.shown[i].caption,
            summary ? Prompts::productName() : Prompts::applicationTitle());
        QCOMPARE(m_prompts.shown[i].buttons, Prompts::Buttons::Ok);
        QCOMPARE(m_prompts.shown[i].icon, Prompts::Icon::None);
    }
    QCOMPARE(m_table->HotSpotCount(), count);
    QCOMPARE(m_table->HotSpotNames(count - 1), u"n%1"_s.arg(full ? 1000 : good + bad));
    lines.removeLast();
    QCOMPARE(m_table->MapText(), lines.join(QString()));
}

void tst_CoordFile::writeCoordFile_data()
{
    QTest::addColumn<QStringList>("names"); // each added with coordinates; "-" is then deleted
    QTest::addColumn<bool>("erase");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QString>("count");

    const QString a = u"<AREA SHAPE=POLY COORDS=\"1,1\" ID=\"a\" color=\"#00ff00\">"_s;
    const QString c = u"<AREA SHAPE=POLY COORDS=\"1,1\" ID=\"c\" color=\"#00ff00\">"_s;
    QTest::newRow("empty table") << QStringList {} << false << crlf({ header, footer }) << u"0"_s;
    QTest::newRow("deleted slot is left out") << QStringList { u"a"_s, u"-"_s, u"c"_s } << false
                                              << crlf({ header, a, c, footer }) << u"3"_s;
    QTest::newRow("erased table keeps its count")
        << QStringList { u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s } << true
        << crlf({ header, footer }) << u"5"_s;
}

void tst_CoordFile::writeCoordFile()
{
    QFETCH(QStringList, names);
    QFETCH(bool, erase);
    QFETCH(QByteArray, expected);
    QFETCH(QString, count);

    for (const QString &name : std::as_const(names))
        m_table->AddHotSpot(u"1,1"_s, name);
    if (const int deleted = m_table->FindHotSpot(u"-"_s); deleted >= 0)
        m_table->ClearHotSpot(deleted);
    if (erase)
        m_table->EraseHotSpots();
    const QString mapText = m_table->MapText();

    // A longer file is replaced completely.
    const QString file = path(u"map.map"_s);
    writeBytes(file, QByteArray(5000, 'z'));
    QVERIFY(WriteCoordFile(file, *m_table, m_prompts, m_settings));

    QCOMPARE(readBytes(file), expected);
    QCOMPARE(m_settings.writes, QStringList { u"Settings/numLinesInCoordFile="_s + count });
    QCOMPARE(m_table->MapText(), mapText);
    QCOMPARE(entries(m_dir->path()), QStringList { u"map.map"_s });
}

void tst_CoordFile::writeFailures_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("message"); // %1 is the path

    QTest::newRow("folder") << u"folder"_s << u"75 Path/File access error FILE:%1"_s;
    QTest::newRow("missing folder") << u"missing folder"_s << u"76 No HOTSPOT File Setup yet:%1"_s;
    QTest::newRow("empty path") << u"empty path"_s << u"WriteCoordFile_ERR: 53 File not found"_s;
}

void tst_CoordFile::writeFailures()
{
    QFETCH(QString, target);
    QFETCH(QString, message);

    QString file = path(u"map.map"_s);
    if (target == u"folder")
        QVERIFY(QDir(m_dir->path()).mkdir(u"map.map"_s));
    else if (target == u"missing folder")
        file = path(u"no such folder/map.map"_s);
    else
        file.clear();
    m_table->AddHotSpot(u"1,1"_s, u"a"_s);

    m_prompts.expectMessage(Prompts::Button::Ok);
    QVERIFY(!WriteCoordFile(file, *m_table, m_prompts, m_settings));

    QCOMPARE(m_prompts.texts(), QStringList { withPath(message, file) });
    QVERIFY(m_settings.writes.isEmpty());
    QCOMPARE(entries(m_dir->path()),
        target == u"folder" ? QStringList { u"map.map"_s } : QStringList {});
    if (target == u"folder")
        QCOMPARE(entries(file), QStringList {});
}

void tst_CoordFile::failedSaveKeepsThePreviousFile()
{
    const QString file = path(u"map.map"_s);
    const QByteArray previous = crlf({ header, areaA, footer });
    writeBytes(file, previous);

    for (int i = 0; i < 50; ++i)
        m_table->AddHotSpot(u"100,100,200,100,200,200,100,200"_s, QString::number(i));
    m_prompts.expectMessage(Prompts::Button::Ok);
    bool written = true;
    {
        FileSizeLimit limit(1000);
        QVERIFY(limit.isActive());
        written = WriteCoordFile(file, *m_table, m_prompts, m_settings);
    }

    QVERIFY(!written);
    QCOMPARE(m_prompts.texts(), QStringList { u"75 Path/File access error FILE:"_s + file });
    QCOMPARE(readBytes(file), previous);
    QCOMPARE(entries(m_dir->path()), QStringList { u"map.map"_s });
    QVERIFY(m_settings.writes.isEmpty());

    // Nothing stays open: the next save to the same path works.
    QVERIFY(WriteCoordFile(file, *m_table, m_prompts, m_settings));
    QCOMPARE(readBytes(file).count("\r\n"), 52);
}

void tst_CoordFile::windows1252NamesSurvive()
{
    const QString file = QFINDTESTDATA("../data/model/windows-1252.map");
    QVERIFY(!file.isEmpty());
    ReadCoordFile(file, *m_table, m_prompts, m_settings, m_view);

    QCOMPARE(m_table->HotSpotCount(), 3);
    QCOMPARE(m_table->HotSpotNames(0), u"Café"_s);
    QCOMPARE(m_table->HotSpotNames(1), u"Müller"_s);
    QCOMPARE(m_table->HotSpotNames(2), u"€ 5 “A”"_s);

    // Saved again, the names are UTF-8 and read back the same.
    m_table->BuildMapText();
    QVERIFY(WriteCoordFile(path(u"utf8.map"_s), *m_table, m_prompts, m_settings));
    QVERIFY(readBytes(path(u"utf8.map"_s)).contains("ID=\"M\xc3\xbcller\""));
    auto read = std::make_unique<HotSpotTable>();
    ReadCoordFile(path(u"utf8.map"_s), *read, m_prompts, m_settings, m_view);
    for (int slot = 0; slot < HotSpotTable::Capacity; ++slot)
        QCOMPARE(read->HotSpotNames(slot), m_table->HotSpotNames(slot));
}

void tst_CoordFile::mixedEncodingLines()
{
    const QByteArray bytes =
        "<map name=map>\r\n"
        "<AREA SHAPE=POLY COORDS=\"1,1\" ID=\"Caf\xc3\xa9\" color=\"#00ff00\">\r\n"
        "<AREA SHAPE=POLY COORDS=\"2,2\" ID=\"Caf\xe9\" color=\"#00ff00\">\r\n"
        "<AREA SHAPE=POLY COORDS=\"3,3\" ID=\"\xe2\x82\xac \x80\" color=\"#00ff00\">\r\n"
        "</map>\r\n";
    writeBytes(path(u"map.map"_s), bytes);
    ReadCoordFile(path(u"map.map"_s), *m_table, m_prompts, m_settings, m_view);

    QCOMPARE(m_table->HotSpotCount(), 3);
    QCOMPARE(m_table->HotSpotNames(0), u"Café"_s);
    QCOMPARE(m_table->HotSpotNames(1), u"Café"_s);
    QCOMPARE(m_table->HotSpotNames(2), u"€ €"_s);
}

void tst_CoordFile::hostileFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("count");

    QByteArray binary(256 * 1024, '\0');
    quint32 state = 12345;
    for (char &byte : binary) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 24);
    }
    const int binaryLines = binary.count('\n') + binary.count('\r'); // an upper bound
    QTest::newRow("binary") << binary << -binaryLines;

    static const char withNul[] = "<map name=map>\r\n\"1\0,2\" \"a\0b\"\r\n\0\0\0\r\n</map>\r\n";
    QTest::newRow("NUL bytes") << QByteArray(withNul, sizeof withNul - 1) << 2;

    QByteArray longLine = "<map name=map>\r\n";
    longLine += QByteArray(10 * 1024 * 1024, 'x');
    longLine += "\"1,2\" \"far\"\r\n</map>\r\n";
    QTest::newRow("10 MB line") << longLine << 1;

    QByteArray manyLines = "<map name=map>\r\n";
    for (int i = 0; i < 100000; ++i)
        manyLines += "<AREA SHAPE=POLY COORDS=\"1,2,3,4,5,6\" ID=\"x\" color=\"#00ff00\">\r\n";
    manyLines += "</map>\r\n";
    QTest::newRow("100,000 lines") << manyLines << 1001;
}

void tst_CoordFile::hostileFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(int, count);

    const QString file = path(u"map.map"_s);
    writeBytes(file, content);
    // Answers every message at once: these inputs raise thousands.
    SilentPrompts prompts;
    ReadCoordFile(file, *m_table, prompts, m_settings, m_view);

    if (count >= 0)
        QCOMPARE(m_table->HotSpotCount(), count);
    else
        QVERIFY(m_table->HotSpotCount() >= 0 && m_table->HotSpotCount() <= qMin(-count, 1001));
    QVERIFY(m_table->MapText().size() <= content.size());
    QVERIFY(WriteCoordFile(path(u"out.map"_s), *m_table, prompts, m_settings));
    auto read = std::make_unique<HotSpotTable>();
    ReadCoordFile(path(u"out.map"_s), *read, prompts, m_settings, m_view);
    QVERIFY(read->HotSpotCount() <= m_table->HotSpotCount());
}

QTEST_APPLESS_MAIN(tst_CoordFile)
#include "tst_coordfile.moc"
