#pragma once

#include "model/editorview.h"
#include "platform/prompts.h"
#include "platform/settingsstore.h"

/// Prompts that answer everything at once and count the messages: for benchmarks and fuzzing,
/// where nobody reads them.
class SilentPrompts final : public Prompts
{
public:
    Button message(const QString &, Buttons, Icon, const QString &) override
    {
        ++messages;
        return Button::Ok;
    }
    QString input(const QString &, const QString &, const QString &) override { return {}; }
    QString openFile(const FileDialog &) override { return {}; }
    QString saveFile(const FileDialog &) override { return {}; }

    int messages = 0;
};

/// A settings store that keeps nothing.
class NullSettings final : public SettingsStore
{
public:
    QString ReadSetting(const QString &, const QString &) override { return {}; }
    void WriteSetting(const QString &, const QString &, const QString &) override { }
};

/// A window with no text boxes.
class NullView final : public EditorView
{
public:
    void setHotSpotFileText(const QString &) override { }
    QString hotSpotFileText() const override { return {}; }
    void setPosText(int, const QString &) override { }
    QString posText(int) const override { return {}; }
    void setMousePosText(const QString &) override { }
    void setCoordFText(const QString &) override { }
};
