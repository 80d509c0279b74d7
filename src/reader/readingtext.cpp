#include "reader/readingtext.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

QString tidyReading(const QString &reading)
{
    static const QRegularExpression ends(u"^[\\s./-]+|[\\s./-]+$"_s);
    static const QRegularExpression gap(u"(\\d)\\s*([./])\\s*(?=\\d)"_s);
    static const QRegularExpression blockLetter(u"(?:^|\\s)([a-z])(?=-\\d|\\s|$)"_s);
    // Monospaced ones read as l or i among digits: a word of nothing else is a number.
    static const QRegularExpression numberLike(
        u"(?<!\\S)(?=[0-9liI]*\\d|[liI]{2})[0-9liI]+(?!\\S)"_s);
    QString text = reading;
    text.remove(ends);
    for (auto it = numberLike.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch word = it.next();
        for (qsizetype at = word.capturedStart(); at < word.capturedEnd(); ++at) {
            if (!text.at(at).isDigit())
                text[at] = u'1';
        }
    }
    text.replace(gap, u"\\1\\2"_s);
    for (auto it = blockLetter.globalMatch(text); it.hasNext();) {
        const qsizetype at = it.next().capturedStart(1);
        text[at] = text.at(at).toUpper();
    }
    return text;
}
