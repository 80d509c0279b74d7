#pragma once

#include "platform/settingsstore.h"

#include <QMap>

/// A settings store held in memory, with a log of every write.
class MemorySettings final : public SettingsStore
{
public:
    QString ReadSetting(const QString &section, const QString &key) override
    {
        return values.value(section + u'/' + key);
    }
    void WriteSetting(const QString &section, const QString &key, const QString &value) override
    {
        values.insert(section + u'/' + key, value);
        writes.append(section + u'/' + key + u'=' + value);
    }

    QMap<QString, QString> values;
    QStringList writes;
};
