#include "apperrortest.h"
#include "platform/textfile.h"
#include "testfiles.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Acts as the unprivileged user "nobody" while it lives, so that folder permissions bind a test
// run as root. Does nothing for anyone else, whom the permissions bind already.
class ActingAsNobody
{
public:
    ActingAsNobody()
    {
        if (geteuid() != 0)
            return;
        const passwd *nobody = getpwnam("nobody");
        m_active = seteuid(nobody ? nobody->pw_uid : 65534) == 0;
    }
    ~ActingAsNobody()
    {
        if (m_active)
            (void)seteuid(0);
    }
    ActingAsNobody(const ActingAsNobody &) = delete;
    ActingAsNobody &operator=(const ActingAsNobody &) = delete;

private:
    bool m_active = false;
};

ino_t inodeOf(const QString &path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

class tst_TextFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void readLines_data();
    void readLines();
    void decodeText_data();
    void decodeText();
    void openErrors_data();
    void openErrors();
    void writesCrLfUtf8();
    void uncommittedWriterLeavesTargetAlone();
    void savesInPlaceWhereTheFolderRefusesNewFiles_data();
    void savesInPlaceWhereTheFolderRefusesNewFiles();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_TextFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_TextFile::readLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("empty file") << QByteArray() << QStringList {};
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList { u"a"_s, u"b"_s };
    QTest::newRow("LF") << QByteArray("a\nb\n") << QStringList { u"a"_s, u"b"_s };
    QTest::newRow("lone CR") << QByteArray("a\rb\r") << QStringList { u"a"_s, u"b"_s };
    QTest::newRow("no last line end") << QByteArray("a\r\nb") << QStringList { u"a"_s, u"b"_s };
    QTest::newRow("blank lines") << QByteArray("\r\n\r\nx") << QStringList { {}, {}, u"x"_s };
    QTest::newRow("LF CR is two line ends")
        << QByteArray("a\n\rb") << QStringList { u"a"_s, {}, u"b"_s };
    QTest::newRow("NUL stays in the line")
        << QByteArray("a\0b\r\n", 5) << QStringList { u"a\0b"_s };
}

void tst_TextFile::readLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);

    writeBytes(path(u"f.txt"_s), bytes);
    TextFileReader in(path(u"f.txt"_s));
    QStringList read;
    while (!in.atEnd() && read.size() <= lines.size())
        read.append(in.readLine());
    QCOMPARE(read, lines);
}

void tst_TextFile::decodeText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("ASCII") << QByteArray("Lot 7") << u"Lot 7"_s;
    QTest::newRow("UTF-8") << QByteArray("Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8f\xa0")
                           << u"Café € 🏠"_s;
    QTest::newRow("Windows-1252") << QByteArray("Caf\xe9 \x80 \x8a\x9f \x93q\x94")
                                  << u"Café € ŠŸ “q”"_s;
    QTest::newRow("unassigned bytes map to themselves")
        << QByteArray("\x81\x8d\x8f\x90\x9d") << u"\u0081\u008d\u008f\u0090\u009d"_s;
    QTest::newRow("mixed in one line") << QByteArray("\xc3\xa9\xe9") << u"éé"_s;
    QTest::newRow("overlong form") << QByteArray("\xc0\xaf") << u"À¯"_s;
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80") << u"í\u00a0€"_s;
    QTest::newRow("past U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << u"ô\u0090€€"_s;
    QTest::newRow("cut short at the end") << QByteArray("a\xe2\x82") << u"aâ‚"_s;
    QTest::newRow("continuation byte alone") << QByteArray("\xa9z") << u"©z"_s;
}

void tst_TextFile::decodeText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(::decodeText(bytes), text);
}

void tst_TextFile::openErrors_data()
{
    QTest::addColumn<QString>("target"); // relative to the temporary folder; "" is the empty path
    QTest::addColumn<int>("readNumber");
    QTest::addColumn<int>("writeNumber");

    QTest::newRow("empty path") << QString() << 53 << 53;
    QTest::newRow("missing file") << u"missing.map"_s << 53 << 0;
    QTest::newRow("folder") << u"folder"_s << 75 << 75;
    QTest::newRow("missing folder") << u"nowhere/x.map"_s << 76 << 76;
    QTest::newRow("file used as a folder") << u"file.txt/x.map"_s << 76 << 76;
    QTest::newRow("named pipe") << u"pipe"_s << 75 << 75;
}

void tst_TextFile::openErrors()
{
    QFETCH(QString, target);
    QFETCH(int, readNumber);
    QFETCH(int, writeNumber);

    QVERIFY(QDir(m_dir->path()).mkdir(u"folder"_s));
    writeBytes(path(u"file.txt"_s), "x");
    QCOMPARE(mkfifo(QFile::encodeName(path(u"pipe"_s)).constData(), 0600), 0);
    const QString file = target.isEmpty() ? QString() : path(target);

    QCOMPARE(errorNumberOf([&] { TextFileReader in(file); }), readNumber);
    QCOMPARE(errorNumberOf([&] {
        TextFileWriter out(file);
        out.writeLine(u"x"_s);
        out.commit();
    }),
        writeNumber);
    if (writeNumber != 0)
        QCOMPARE(QDir(m_dir->path())
                     .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                     .size(),
            3);
}

void tst_TextFile::writesCrLfUtf8()
{
    {
        TextFileWriter out(path(u"out.map"_s));
        out.writeLine(u"<map name=map>"_s);
        out.writeLine(QString());
        out.writeLine(u"Müller €"_s);
        out.commit();
    }
    QCOMPARE(readBytes(path(u"out.map"_s)),
        QByteArray("<map name=map>\r\n\r\nM\xc3\xbcller \xe2\x82\xac\r\n"));
}

void tst_TextFile::uncommittedWriterLeavesTargetAlone()
{
    writeBytes(path(u"map.map"_s), "previous\r\n");
    {
        TextFileWriter out(path(u"map.map"_s));
        out.writeLine(u"half"_s);
    }
    QCOMPARE(readBytes(path(u"map.map"_s)), QByteArray("previous\r\n"));
    QCOMPARE(
        QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList { u"map.map"_s });
}

void tst_TextFile::savesInPlaceWhereTheFolderRefusesNewFiles_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<int>("newFileNumber");

    QTest::newRow("ordinary folder: the map is replaced whole") << u"ordinary"_s << false << 0;
    QTest::newRow("folder without write permission") << u"read-only"_s << true << 75;
    QTest::newRow("sticky folder of another user") << u"sticky"_s << true << 0;
    QTest::newRow("immutable folder") << u"immutable"_s << true << 75;
}

void tst_TextFile::savesInPlaceWhereTheFolderRefusesNewFiles()
{
    QFETCH(QString, folder);
    QFETCH(bool, inPlace);
    QFETCH(int, newFileNumber);

    const bool root = geteuid() == 0;
    const QString dir = path(u"maps"_s);
    const QByteArray dirName = QFile::encodeName(dir);
    QVERIFY(QDir().mkdir(dir));
    const QString target = dir + u"/site.map"_s;
    writeBytes(target, "previous\r\n");
    // "nobody" must reach the folder and may write the map itself.
    QCOMPARE(::chmod(QFile::encodeName(m_dir->path()).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0666), 0);
    const ino_t before = inodeOf(target);

    bool immutable = false;
    const auto restore = qScopeGuard([&] {
        if (immutable)
            QProcess::execute(u"chattr"_s, { u"-i"_s, dir });
        ::chmod(dirName.constData(), 0755);
    });
    if (folder == u"read-only") {
        QCOMPARE(::chmod(dirName.constData(), 0555), 0);
    } else if (folder == u"sticky") {
        if (!root)
            QSKIP("only root can leave a map of another user's in a sticky folder");
        QCOMPARE(::chmod(dirName.constData(), 01777), 0);
    } else if (folder == u"immutable") {
        if (!root)
            QSKIP("only root can make a folder immutable");
        if (QProcess::execute(u"chattr"_s, { u"+i"_s, dir }) != 0)
            QSKIP("this file system keeps no immutable attribute");
        immutable = true;
    }

    const auto save = [](const QString &file) {
        TextFileWriter out(file);
        out.writeLine(u"<map name=map>"_s);
        out.writeLine(u"</map>"_s);
        out.commit();
    };
    int number = 0;
    int newNumber = 0;
    {
        std::optional<ActingAsNobody> nobody;
        if (folder == u"read-only" || folder == u"sticky")
            nobody.emplace();
        number = errorNumberOf([&] { save(target); });
        newNumber = errorNumberOf([&] { save(dir + u"/new.map"_s); });
    }

    QCOMPARE(number, 0);
    QCOMPARE(readBytes(target), QByteArray("<map name=map>\r\n</map>\r\n"));
    // Written in place where the folder refused; everywhere else replaced by a new file.
    QCOMPARE(inodeOf(target) == before, inPlace);
    QCOMPARE(newNumber, newFileNumber);
    QStringList expected { u"site.map"_s };
    if (newFileNumber == 0)
        expected.prepend(u"new.map"_s);
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System), expected);
}

QTEST_GUILESS_MAIN(tst_TextFile)
#include "tst_textfile.moc"
