#pragma once

#include "platform/prompts.h"

#include <QList>
#include <QStringList>

#include <optional>
#include <variant>

/// Prompts for tests: records every prompt and answers from a queue. A prompt with no queued
/// answer of its kind fails the test.
class ScriptedPrompts final : public Prompts
{
public:
    enum class Kind { Message, Input, OpenFile, SaveFile };

    struct Record
    {
        Kind kind;
        QString text; ///< message text or input prompt
        QString caption; ///< caption as shown (application title when none was given)
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        QString defaultText; ///< input default
        FileDialog dialog; ///< file dialogs
        std::optional<Button> defaultButton; ///< message boxes that name one
    };

    void expectMessage(Button answer) { m_answers.append(Answer { Kind::Message, answer, {} }); }
    void expectInput(const QString &answer)
    {
        m_answers.append(Answer { Kind::Input, Button::Ok, answer });
    }
    void expectOpenFile(const QString &path)
    {
        m_answers.append(Answer { Kind::OpenFile, Button::Ok, path });
    }
    void expectSaveFile(const QString &path)
    {
        m_answers.append(Answer { Kind::SaveFile, Button::Ok, path });
    }

    Button message(
        const QString &text, Buttons buttons, Icon icon, const QString &caption) override;
    Button question(const QString &text, Buttons buttons, const QString &caption,
        Button defaultButton) override;
    QString input(const QString &prompt, const QString &title, const QString &defaultText) override;
    QString openFile(const FileDialog &dialog) override;
    QString saveFile(const FileDialog &dialog) override;

    /// Texts of everything shown, in order.
    QStringList texts() const;
    /// Answers queued but never asked for.
    QStringList unusedAnswers() const;

    QList<Record> shown;

private:
    struct Answer
    {
        Kind kind;
        Button button;
        QString text;
    };
    const Answer *take(Kind kind, const QString &what);

    QList<Answer> m_answers;
    qsizetype m_next = 0;
};
