#include "sites/sitelist.h"
#include "sites/siteregister.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_SiteRegister : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void unusableFiles_data();
    void unusableFiles();
    void naturalOrder();
    void compare();
};

void tst_SiteRegister::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("sites");
    QTest::addColumn<bool>("header");

    QTest::newRow("plain list, LF, blank lines and blanks around")
        << QByteArray("Lot 1\n\n  Lot 2  \nLot 10\n")
        << QStringList { u"Lot 1"_s, u"Lot 2"_s, u"Lot 10"_s } << false;
    QTest::newRow("CSV with header, CR LF")
        << QByteArray("Site,Owner,Status\r\nLot 1,Ames,sold\r\nLot 2,Brook,free\r\n")
        << QStringList { u"Lot 1"_s, u"Lot 2"_s } << true;
    QTest::newRow("quoted cells hold separators, quotes and line ends")
        << QByteArray("\"Lot 1, north\",x\n\"Plot \"\"A\"\" 7\",y\n\"Grave 3\nrow B\",z\n")
        << QStringList { u"Lot 1, north"_s, u"Plot \"A\" 7"_s, u"Grave 3\nrow B"_s } << false;
    QTest::newRow("semicolon separated, the spreadsheet default in many locales") << QByteArray(
        "Nr;Name\n12;Ames\n13;Brook, J.\n") << QStringList { u"12"_s, u"13"_s } << true;
    QTest::newRow("tab separated") << QByteArray("Pitch\tSize\nP 4\t10x12\nP 5\t8x8\n")
                                   << QStringList { u"P 4"_s, u"P 5"_s } << true;
    QTest::newRow("a first row with a digit is data")
        << QByteArray("Lot 1,x\nLot 2,y\n") << QStringList { u"Lot 1"_s, u"Lot 2"_s } << false;
    QTest::newRow("names without digits throughout have no header")
        << QByteArray("Oak\nElm\n") << QStringList { u"Oak"_s, u"Elm"_s } << false;
    QTest::newRow("UTF-8 with byte order mark")
        << QByteArray("\xEF\xBB\xBFSite\nParzelle 1\xC3\xA4\n")
        << QStringList { u"Parzelle 1\u00e4"_s } << true;
    QTest::newRow("Windows-1252") << QByteArray("Site\r\nLot 1 \xE9t\xE9\r\nLot \x80 2\r\n")
                                  << QStringList { u"Lot 1 \u00e9t\u00e9"_s, u"Lot \u20ac 2"_s }
                                  << true;
    QTest::newRow("duplicates are kept, empty first cells skipped")
        << QByteArray("Lot 1,a\n,b\nLot 1,c\nLot 2\n")
        << QStringList { u"Lot 1"_s, u"Lot 1"_s, u"Lot 2"_s } << false;
    QTest::newRow("last line without line end, old Mac CR")
        << QByteArray("Lot 1\rLot 2") << QStringList { u"Lot 1"_s, u"Lot 2"_s } << false;
}

void tst_SiteRegister::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, sites);
    QFETCH(bool, header);
    const SiteRegister result = SiteRegister::parse(bytes);
    QCOMPARE(result.sites, sites);
    QCOMPARE(result.hasHeader, header);
}

void tst_SiteRegister::unusableFiles_data()
{
    QTest::addColumn<QByteArray>("bytes"); // null: no file at all
    QTest::addColumn<int>("reason");
    QTest::addColumn<QString>("message");

    using Reason = SiteRegisterError::Reason;
    QTest::newRow("missing") << QByteArray() << int(Reason::Missing)
                             << u"The site register %1 was not found."_s;
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
                            << int(Reason::Binary)
                            << u"register.csv is not a text or CSV file, so it cannot be a site "
                               u"register."_s;
    QTest::newRow("empty") << QByteArray("") << int(Reason::Empty)
                           << u"The site register register.csv lists no sites."_s;
    QTest::newRow("blank lines only") << QByteArray(" \r\n\r\n;\n") << int(Reason::Empty)
                                      << u"The site register register.csv lists no sites."_s;
}

void tst_SiteRegister::unusableFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, reason);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"register.csv"_s);
    if (!bytes.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    try {
        SiteRegister::read(path);
        QFAIL("read() accepted the file");
    } catch (const SiteRegisterError &e) {
        QCOMPARE(int(e.reason), reason);
        QCOMPARE(e.message(), message.contains(u"%1"_s) ? message.arg(path) : message);
    }
}

void tst_SiteRegister::naturalOrder()
{
    QStringList names { u"Lot 10"_s, u"lot 2"_s, u"Lot 1"_s, u"Common"_s, u"Lot 2"_s, u"Lot 100"_s,
        u"Lot 9b"_s, u"Lot 9a"_s, u"7"_s, u"12"_s };
    SiteList::sortNaturally(names);
    QCOMPARE(names,
        (QStringList { u"7"_s, u"12"_s, u"Common"_s, u"Lot 1"_s, u"Lot 2"_s, u"lot 2"_s,
            u"Lot 9a"_s, u"Lot 9b"_s, u"Lot 10"_s, u"Lot 100"_s }));
}

void tst_SiteRegister::compare()
{
    const QStringList map { u"Lot 10"_s, u"Lot 2"_s, u"Common"_s, u"Lot 2"_s, u"Lot 1"_s };
    const QStringList register_ { u"Lot 1"_s, u"Lot 2"_s, u"Lot 3"_s, u"Lot 10"_s, u"Lot 3"_s,
        u"Lot 11"_s };
    const SiteList::Comparison result = SiteList::compare(map, register_);
    QCOMPARE(result.inBoth, (QStringList { u"Lot 1"_s, u"Lot 2"_s, u"Lot 10"_s }));
    QCOMPARE(result.registerOnly, (QStringList { u"Lot 3"_s, u"Lot 11"_s }));
    QCOMPARE(result.mapOnly, QStringList { u"Common"_s });
    QCOMPARE(result.registerDuplicates, QSet<QString> { u"Lot 3"_s });
    QCOMPARE(result.mapDuplicates, QSet<QString> { u"Lot 2"_s });
}

QTEST_GUILESS_MAIN(tst_SiteRegister)
#include "tst_siteregister.moc"
