#include "platform/settingsstore.h"

#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_SettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTrip_data();
    void roundTrip();
    void emptyValueReadsLikeAbsent();

private:
    QTemporaryDir m_config;
};

void tst_SettingsStore::initTestCase()
{
    // Before the first QSettings: the developer's own settings stay untouched.
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QCOMPARE(QtSettingsStore::applicationName(), u"tst_settingsstore"_s);
    // Read before the application object exists, the name is the same, whatever the program
    // was called as.
    QCOMPARE(QtSettingsStore::applicationName("/usr/bin/some-link"), u"tst_settingsstore"_s);
}

void tst_SettingsStore::roundTrip_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("Windows path") << u"CoordFile"_s << u"c:\\koval11\\P1100.map"_s;
    QTest::newRow("spaces, non-ASCII") << u"BGPicture"_s << u"/home/zoë/site plan #2.jpg"_s;
    QTest::newRow("number") << u"numLinesInCoordFile"_s << u"1001"_s;
    QTest::newRow("looks like a list") << u"CoordFile"_s << u"a,b"_s;
}

void tst_SettingsStore::roundTrip()
{
    QFETCH(QString, key);
    QFETCH(QString, value);

    QtSettingsStore().WriteSetting(u"Settings"_s, key, value);
    QCOMPARE(QtSettingsStore().ReadSetting(u"Settings"_s, key), value);

    const QString file = m_config.filePath(u"tst_settingsstore/tst_settingsstore.conf"_s);
    QVERIFY(QFileInfo::exists(file));
    QSettings onDisk(file, QSettings::IniFormat);
    QCOMPARE(onDisk.value(u"Settings/"_s + key).toString(), value);
}

void tst_SettingsStore::emptyValueReadsLikeAbsent()
{
    QtSettingsStore store;
    QCOMPARE(store.ReadSetting(u"Settings"_s, u"NeverWritten"_s), QString());
    store.WriteSetting(u"Settings"_s, u"BGPicture"_s, u"pic.jpg"_s);
    store.WriteSetting(u"Settings"_s, u"BGPicture"_s, QString());
    QCOMPARE(store.ReadSetting(u"Settings"_s, u"BGPicture"_s), QString());
    QCOMPARE(store.ReadSetting(u"Other"_s, u"CoordFile"_s), QString());
}

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_settingsstore.moc"
