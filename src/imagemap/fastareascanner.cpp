#include "imagemap/fastareascanner.h"

#include "imagemap/htmlchars.h"

using HtmlChars::isAlpha;
using HtmlChars::isDigit;
using HtmlChars::isSpace;
using HtmlChars::toLowerAscii;

bool FastAreaScanner::run(QList<MapArea> &areas)
{
    if (m_text.contains(QChar(u'\0')))
        return false;
    m_areas = &areas;
    const qsizetype n = m_text.size();
    for (;;) {
        m_pos = m_text.indexOf(u'<', m_pos);
        if (m_pos < 0)
            return true;
        if (++m_pos >= n)
            return true;
        const char16_t c = m_text[m_pos].unicode();
        Step step = Step::Emit;
        if (c == u'!' && m_text.sliced(m_pos).startsWith(u"!--")) {
            m_pos = commentEnd(m_pos + 3);
        } else if (c == u'!' || c == u'?') {
            m_pos = bogusCommentEnd(m_pos);
        } else if (c == u'/') {
            if (++m_pos >= n)
                return true;
            const char16_t d = m_text[m_pos].unicode();
            if (isAlpha(d)) {
                step = readTag(true);
            } else if (d == u'>') {
                ++m_pos;
            } else {
                m_pos = bogusCommentEnd(m_pos);
            }
        } else if (isAlpha(c)) {
            step = readTag(false);
        }
        if (step == Step::GiveUp)
            return false;
        if (step == Step::Eof || m_pos >= n)
            return true;
    }
}

// Doctypes, processing instructions and other "<!" or "</" oddities run to the next ">".
qsizetype FastAreaScanner::bogusCommentEnd(qsizetype from) const
{
    const qsizetype end = m_text.indexOf(u'>', from);
    return end < 0 ? m_text.size() : end + 1;
}

// A comment from just after "<!--": it ends at "-->" or "--!>", and "<!-->" and "<!--->"
// are empty comments.
qsizetype FastAreaScanner::commentEnd(qsizetype from) const
{
    const QStringView rest = m_text.sliced(from);
    if (rest.startsWith(u'>'))
        return from + 1;
    if (rest.startsWith(u"->"))
        return from + 2;
    const qsizetype dashes = rest.indexOf(u"-->");
    const qsizetype bang = rest.indexOf(u"--!>");
    if (dashes < 0 && bang < 0)
        return m_text.size();
    if (bang < 0 || (dashes >= 0 && dashes < bang))
        return from + dashes + 3;
    return from + bang + 4;
}

FastAreaScanner::TagKind FastAreaScanner::classify(QStringView name)
{
    static const char16_t *const giveUp[] = { u"script", u"style", u"textarea", u"title", u"xmp",
        u"iframe", u"noembed", u"noframes", u"noscript", u"plaintext", u"select", u"frameset",
        u"template", u"svg", u"math", u"table" };
    if (name == u"area")
        return TagKind::Area;
    for (const char16_t *g : giveUp) {
        if (name == QStringView(g))
            return TagKind::GiveUp;
    }
    return TagKind::Other;
}

FastAreaScanner::Attr FastAreaScanner::attrOf(QStringView n)
{
    if (n == u"shape")
        return Attr::Shape;
    if (n == u"coords")
        return Attr::Coords;
    if (n == u"id")
        return Attr::Id;
    if (n == u"color")
        return Attr::Color;
    return Attr::None;
}

// Reads one tag from just after "<" or "</"; m_pos ends after its ">".
FastAreaScanner::Step FastAreaScanner::readTag(bool endTag)
{
    const QStringView t = m_text;
    const qsizetype n = t.size();
    qsizetype i = m_pos;

    char16_t nameBuf[16];
    qsizetype nameLen = 0;
    bool nameTooLong = false;
    while (i < n && !isSpace(t[i].unicode()) && t[i] != u'/' && t[i] != u'>') {
        if (nameLen < 16)
            nameBuf[nameLen++] = toLowerAscii(t[i].unicode());
        else
            nameTooLong = true;
        ++i;
    }
    if (i >= n)
        return Step::Eof;
    TagKind kind = nameTooLong ? TagKind::Other : classify(QStringView(nameBuf, nameLen));
    if (endTag)
        kind = TagKind::Other;
    else if (kind == TagKind::GiveUp)
        return Step::GiveUp;
    const bool area = kind == TagKind::Area;

    bool seen[5] = {};
    QStringView values[5];
    QStringView written[5];
    QString decoded[5];

    for (;;) {
        // Before attribute name (also after a quoted value or a stray "/").
        while (i < n && (isSpace(t[i].unicode()) || t[i] == u'/')) {
            if (t[i] == u'/' && i + 1 < n && t[i + 1] == u'>') {
                ++i;
                break;
            }
            ++i;
        }
        if (i >= n)
            return Step::Eof;
        if (t[i] == u'>')
            break;

        // Attribute name; a leading "=" belongs to the name.
        const qsizetype nameStart = i;
        ++i;
        while (i < n && !isSpace(t[i].unicode()) && t[i] != u'/' && t[i] != u'>' && t[i] != u'=')
            ++i;
        if (i >= n)
            return Step::Eof;
        Attr attr = Attr::None;
        if (area && i - nameStart <= 6) {
            char16_t lower[6];
            for (qsizetype k = nameStart; k < i; ++k)
                lower[k - nameStart] = toLowerAscii(t[k].unicode());
            attr = attrOf(QStringView(lower, i - nameStart));
        }

        // After attribute name.
        while (i < n && isSpace(t[i].unicode()))
            ++i;
        if (i >= n)
            return Step::Eof;
        QStringView raw;
        bool hasValue = false;
        if (t[i] == u'=') {
            ++i;
            while (i < n && isSpace(t[i].unicode()))
                ++i;
            if (i >= n)
                return Step::Eof;
            const char16_t q = t[i].unicode();
            if (q == u'"' || q == u'\'') {
                const qsizetype end = t.indexOf(QChar(q), i + 1);
                if (end < 0)
                    return Step::Eof;
                raw = t.sliced(i + 1, end - i - 1);
                i = end + 1;
                if (i >= n)
                    return Step::Eof;
            } else if (q != u'>') {
                const qsizetype start = i;
                while (i < n && !isSpace(t[i].unicode()) && t[i] != u'>')
                    ++i;
                if (i >= n)
                    return Step::Eof;
                raw = t.sliced(start, i - start);
            }
            hasValue = true;
        }
        if (attr != Attr::None) {
            const int slot = int(attr);
            if (!seen[slot]) {
                seen[slot] = true;
                if (!hasValue)
                    continue;
                const int how = decodeValue(raw, decoded[slot]);
                if (how < 0)
                    return Step::GiveUp;
                written[slot] = raw;
                values[slot] = how == 0 ? raw : QStringView(decoded[slot]);
            }
        }
    }
    m_pos = i + 1;
    if (area) {
        const auto shape = seen[int(Attr::Shape)]
            ? std::optional<QStringView>(values[int(Attr::Shape)])
            : std::nullopt;
        m_areas->append(MapArea::fromAttributes(shape, values[int(Attr::Coords)],
            values[int(Attr::Id)].toString(), written[int(Attr::Id)].toString(),
            values[int(Attr::Color)].toString()));
    }
    return Step::Emit;
}

// Attribute value text with its character references resolved and line ends made LF: 0 when
// the raw text is the value, 1 when \a out holds it, -1 when it needs the full parser (only
// the references maps commonly carry are known here).
int FastAreaScanner::decodeValue(QStringView raw, QString &out)
{
    qsizetype k = 0;
    const qsizetype n = raw.size();
    const auto special = [](char16_t c) {
        return c == u'&' || c < 0x20 || (c >= 0x7F && c <= 0x9F) || c >= 0xD800;
    };
    while (k < n && !special(raw[k].unicode()))
        ++k;
    if (k == n)
        return 0;
    out.reserve(n);
    out.append(raw.first(k));
    while (k < n) {
        const char16_t c = raw[k].unicode();
        if (c == u'\r') {
            out.append(u'\n');
            ++k;
            if (k < n && raw[k] == u'\n')
                ++k;
            continue;
        }
        // The full parser turns controls and noncharacters into U+FFFD.
        if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\f') || (c >= 0x7F && c <= 0x9F)
            || (c >= 0xD800 && c <= 0xDFFF) || (c >= 0xFDD0 && c <= 0xFDEF) || c >= 0xFFFE)
            return -1;
        if (c != u'&') {
            out.append(QChar(c));
            ++k;
            continue;
        }
        if (k + 1 >= n
            || !(isAlpha(raw[k + 1].unicode()) || isDigit(raw[k + 1].unicode())
                || raw[k + 1] == u'#')) {
            out.append(u'&');
            ++k;
            continue;
        }
        const qsizetype semi = raw.indexOf(u';', k + 1);
        if (semi < 0 || semi - k > 9)
            return -1;
        const QStringView ref = raw.sliced(k + 1, semi - k - 1);
        char32_t code = 0;
        if (ref == u"quot")
            code = U'"';
        else if (ref == u"amp")
            code = U'&';
        else if (ref == u"lt")
            code = U'<';
        else if (ref == u"gt")
            code = U'>';
        else if (ref == u"apos")
            code = U'\'';
        else if (ref == u"nbsp")
            code = 0xA0;
        else if (ref.size() >= 2 && ref[0] == u'#') {
            const bool hex = ref[1] == u'x' || ref[1] == u'X';
            const QStringView digits = ref.sliced(hex ? 2 : 1);
            if (digits.isEmpty() || digits.size() > 6)
                return -1;
            for (QChar d : digits) {
                const char16_t u = d.unicode();
                int v;
                if (isDigit(u))
                    v = u - u'0';
                else if (hex && u >= u'a' && u <= u'f')
                    v = u - u'a' + 10;
                else if (hex && u >= u'A' && u <= u'F')
                    v = u - u'A' + 10;
                else
                    return -1;
                code = code * (hex ? 16 : 10) + v;
            }
            const bool plain = code == 9 || code == 10 || (code >= 0x20 && code <= 0x7E)
                || (code >= 0xA0 && code <= 0xD7FF) || (code >= 0xE000 && code <= 0xFDCF)
                || (code >= 0xFDF0 && code <= 0xFFFD);
            if (!plain)
                return -1;
        } else {
            return -1;
        }
        out.append(QChar(char16_t(code)));
        k = semi + 1;
    }
    return 1;
}
