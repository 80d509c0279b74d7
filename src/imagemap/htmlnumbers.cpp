#include "imagemap/htmlnumbers.h"

#include "imagemap/htmlchars.h"

#include <algorithm>
#include <cmath>

using HtmlChars::isDigit;

namespace {

bool isCoordDelimiter(QChar qc)
{
    const char16_t c = qc.unicode();
    return c == u',' || c == u';' || HtmlChars::isSpace(qc);
}

} // namespace

namespace AreaParser {

// The HTML "rules for parsing floating-point number values": a number prefix of the text,
// trailing garbage ignored; nothing when the text does not start with a number.
std::optional<double> parseFloatValue(QStringView s)
{
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && HtmlChars::isSpace(s[i]))
        ++i;
    if (i >= n)
        return std::nullopt;
    double value = 1;
    double divisor = 1;
    if (s[i] == u'-') {
        value = -1;
        divisor = -1;
        if (++i >= n)
            return std::nullopt;
    } else if (s[i] == u'+') {
        if (++i >= n)
            return std::nullopt;
    }
    bool fraction = false;
    if (s[i] == u'.' && i + 1 < n && isDigit(s[i + 1])) {
        value = 0;
        fraction = true;
    } else {
        if (!isDigit(s[i]))
            return std::nullopt;
        double integer = 0;
        while (i < n && isDigit(s[i]))
            integer = integer * 10 + (s[i++].unicode() - u'0');
        value *= integer;
        if (i < n && s[i] == u'.' && i + 1 < n && isDigit(s[i + 1]))
            fraction = true;
        else if (i < n && s[i] == u'.')
            ++i;
    }
    if (fraction) {
        ++i; // the full stop
        while (i < n && isDigit(s[i])) {
            divisor *= 10;
            value += (s[i++].unicode() - u'0') / divisor;
        }
    }
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        int sign = 1;
        if (i < n && s[i] == u'-') {
            sign = -1;
            ++i;
        } else if (i < n && s[i] == u'+') {
            ++i;
        }
        if (i < n && isDigit(s[i])) {
            long exponent = 0;
            while (i < n && isDigit(s[i])) {
                if (exponent < 100000)
                    exponent = exponent * 10 + (s[i].unicode() - u'0');
                ++i;
            }
            if (value != 0)
                value *= std::pow(10.0, double(sign * exponent));
        }
    }
    if (!std::isfinite(value))
        return std::nullopt;
    return value == 0 ? 0.0 : value;
}

QList<double> parseCoords(QStringView text)
{
    QList<double> numbers;
    const qsizetype n = text.size();
    numbers.reserve(std::min<qsizetype>(n / 2 + 1, 64));
    qsizetype i = 0;
    while (i < n && isCoordDelimiter(text[i].unicode()))
        ++i;
    while (i < n) {
        while (i < n) {
            const char16_t c = text[i].unicode();
            if (isCoordDelimiter(c) || isDigit(c) || c == u'.' || c == u'-')
                break;
            ++i;
        }
        const qsizetype start = i;
        // Whole numbers are the usual case; anything else goes through the full rules.
        double whole = 0;
        while (i < n && isDigit(text[i]) && i - start < 15)
            whole = whole * 10 + (text[i++].unicode() - u'0');
        if (i > start && (i == n || isCoordDelimiter(text[i]))) {
            numbers.append(whole);
        } else {
            while (i < n && !isCoordDelimiter(text[i].unicode()))
                ++i;
            numbers.append(parseFloatValue(text.sliced(start, i - start)).value_or(0.0));
        }
        while (i < n && isCoordDelimiter(text[i].unicode()))
            ++i;
    }
    return numbers;
}

} // namespace AreaParser
