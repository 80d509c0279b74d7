#include "scriptedprompts.h"

#include <QTest>

using namespace Qt::StringLiterals;

static QString kindName(ScriptedPrompts::Kind kind)
{
    switch (kind) {
    case ScriptedPrompts::Kind::Message:
        return u"message"_s;
    case ScriptedPrompts::Kind::Input:
        return u"input"_s;
    case ScriptedPrompts::Kind::OpenFile:
        return u"open file"_s;
    case ScriptedPrompts::Kind::SaveFile:
        return u"save file"_s;
    case ScriptedPrompts::Kind::Choice:
        return u"list"_s;
    }
    return {};
}

const ScriptedPrompts::Answer *ScriptedPrompts::take(Kind kind, const QString &what)
{
    if (m_next >= m_answers.size() || m_answers.at(m_next).kind != kind) {
        const QString expected =
            m_next < m_answers.size() ? kindName(m_answers.at(m_next).kind) : u"nothing"_s;
        QTest::qFail(qPrintable(u"unexpected %1 prompt \"%2\" (expected %3)"_s.arg(
                         kindName(kind), what, expected)),
            __FILE__, __LINE__);
        return nullptr;
    }
    return &m_answers.at(m_next++);
}

Prompts::Button ScriptedPrompts::message(
    const QString &text, Buttons buttons, Icon icon, const QString &caption)
{
    shown.append(
        Record { Kind::Message, text, effectiveCaption(caption), buttons, icon, {}, {}, {} });
    const Answer *answer = take(Kind::Message, text);
    if (!answer)
        return buttons == Buttons::YesNo ? Button::No
                                         : (buttons == Buttons::Ok ? Button::Ok : Button::Cancel);
    return answer->button;
}

Prompts::Button ScriptedPrompts::messageWithDefault(
    const QString &text, Buttons buttons, Icon icon, const QString &caption, Button defaultButton)
{
    const Button answer = message(text, buttons, icon, caption);
    shown.last().defaultButton = defaultButton;
    return answer;
}

int ScriptedPrompts::chooseItem(
    const QString &prompt, const QString &title, const QStringList &items, int current)
{
    Record record { Kind::Choice, prompt, effectiveCaption(title), Buttons::OkCancel, Icon::None,
        {}, {} };
    record.items = items;
    record.current = current;
    shown.append(record);
    const Answer *answer = take(Kind::Choice, prompt);
    return answer ? answer->index : -1;
}

QString ScriptedPrompts::input(
    const QString &prompt, const QString &title, const QString &defaultText)
{
    shown.append(
        Record { Kind::Input, prompt, title, Buttons::OkCancel, Icon::None, defaultText, {}, {} });
    const Answer *answer = take(Kind::Input, prompt);
    return answer ? answer->text : QString();
}

QString ScriptedPrompts::openFile(const FileDialog &dialog)
{
    shown.append(Record {
        Kind::OpenFile, dialog.filter, {}, Buttons::OkCancel, Icon::None, {}, dialog, {} });
    const Answer *answer = take(Kind::OpenFile, dialog.filter);
    return answer ? answer->text : QString();
}

QString ScriptedPrompts::saveFile(const FileDialog &dialog)
{
    shown.append(Record {
        Kind::SaveFile, dialog.filter, {}, Buttons::OkCancel, Icon::None, {}, dialog, {} });
    const Answer *answer = take(Kind::SaveFile, dialog.filter);
    return answer ? answer->text : QString();
}

QStringList ScriptedPrompts::texts() const
{
    QStringList result;
    for (const Record &record : shown)
        result.append(record.text);
    return result;
}

QStringList ScriptedPrompts::unusedAnswers() const
{
    QStringList result;
    for (qsizetype i = m_next; i < m_answers.size(); ++i)
        result.append(kindName(m_answers.at(i).kind) + u": "_s + m_answers.at(i).text);
    return result;
}
