#include "reader/readingtext.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

QString tidyReading(const QString &reading)
{
    static const QRegularExpression ends(u"^[\\s./-]+|[\\s./-]+$"_s);
    static const QRegularExpression gap(u"(\\d)\\s*([./])\\s*(?=\\d)"_s);
    static const QRegularExpression blockLetter(u"(?:^|\\s)([a-z])(?=-\\d|\\s|$)"_s);
    QString text = reading;
    text.remove(ends);
    text.replace(gap, u"\\1\\2"_s);
    for (auto it = blockLetter.globalMatch(text); it.hasNext();) {
        const qsizetype at = it.next().capturedStart(1);
        text[at] = text.at(at).toUpper();
    }
    return text;
}
