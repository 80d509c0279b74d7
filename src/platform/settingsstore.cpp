#include "platform/settingsstore.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

using namespace Qt::StringLiterals;

QtSettingsStore::QtSettingsStore()
    : m_name(applicationName())
{
}

QtSettingsStore::QtSettingsStore(const QString &name)
    : m_name(name)
{
}

QString QtSettingsStore::applicationName()
{
    if (QCoreApplication::instance())
        return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return u"quorvel"_s;
}

QString QtSettingsStore::applicationName(const char *argv0)
{
    // The executable as QCoreApplication finds it: through /proc where there is one, so that a
    // program started through a link is named after the file it runs.
    const QFileInfo running(u"/proc/self/exe"_s);
    if (running.isSymLink())
        return QFileInfo(running.canonicalFilePath()).completeBaseName();
    return QFileInfo(QFile::decodeName(argv0)).completeBaseName();
}

QString QtSettingsStore::ReadSetting(const QString &section, const QString &key)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, m_name, m_name);
    return settings.value(section + u'/' + key).toString();
}

void QtSettingsStore::WriteSetting(const QString &section, const QString &key, const QString &value)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, m_name, m_name);
    settings.setValue(section + u'/' + key, value);
    settings.sync();
}
