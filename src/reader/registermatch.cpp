#include "reader/registermatch.h"

namespace {

QStringList numbersIn(const QString &text)
{
    QStringList numbers;
    QString run;
    const auto endRun = [&] {
        if (run.isEmpty())
            return;
        qsizetype zeros = 0;
        while (zeros + 1 < run.size() && run.at(zeros) == u'0')
            ++zeros;
        numbers.append(run.mid(zeros));
        run.clear();
    };
    for (const QChar c : text) {
        if (c.isDigit())
            run.append(c);
        else
            endRun();
    }
    endRun();
    return numbers;
}

} // namespace

QString matchRegister(const QString &reading, const QStringList &registerNames)
{
    for (const QString &name : registerNames) {
        if (name.compare(reading, Qt::CaseInsensitive) == 0)
            return name;
    }
    const QStringList numbers = numbersIn(reading);
    if (numbers.isEmpty())
        return reading;
    const QString *match = nullptr;
    for (const QString &name : registerNames) {
        if (numbersIn(name) != numbers)
            continue;
        if (match && match->compare(name, Qt::CaseInsensitive) != 0)
            return reading;
        match = &name;
    }
    return match ? *match : reading;
}
