#pragma once

#include <QChar>

// The character classes of the HTML syntax, ASCII only as the syntax is.
namespace HtmlChars {

inline bool isSpace(QChar qc)
{
    const char16_t c = qc.unicode();
    return c == u' ' || c == u'\n' || c == u'\t' || c == u'\f' || c == u'\r';
}

inline bool isDigit(QChar qc)
{
    const char16_t c = qc.unicode();
    return c >= u'0' && c <= u'9';
}

inline bool isAlpha(QChar qc)
{
    const char16_t c = qc.unicode();
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

inline char16_t toLowerAscii(QChar qc)
{
    const char16_t c = qc.unicode();
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

} // namespace HtmlChars
