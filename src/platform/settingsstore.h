#pragma once

#include <QString>

/// The per-user settings store: text values by section and key.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    /// The stored value, or the empty text when there is none.
    virtual QString ReadSetting(const QString &section, const QString &key) = 0;
    /// Stores the value; writing the empty text clears the key.
    virtual void WriteSetting(const QString &section, const QString &key, const QString &value) = 0;
};

/// The real store: QSettings in the user scope, organisation and application both the
/// executable's base name.
class QtSettingsStore final : public SettingsStore
{
public:
    QtSettingsStore();
    /// A store named \a name, for reading before the application object exists.
    explicit QtSettingsStore(const QString &name);
    QString ReadSetting(const QString &section, const QString &key) override;
    void WriteSetting(const QString &section, const QString &key, const QString &value) override;

    /// The executable's base name ("quorvel" as built).
    static QString applicationName();
    /// The same name before the application object exists; \a argv0 is the program's first
    /// argument, used where the system cannot tell which executable is running.
    static QString applicationName(const char *argv0);

private:
    QString m_name;
};
