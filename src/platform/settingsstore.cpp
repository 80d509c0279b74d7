#include "platform/settingsstore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

using namespace Qt::StringLiterals;

QtSettingsStore::QtSettingsStore()
    : m_name(applicationName())
{
}

QString QtSettingsStore::applicationName()
{
    if (QCoreApplication::instance())
        return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return u"quorvel"_s;
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
