#include "imagemap/areaparser.h"

#include <gumbo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

bool isHtmlSpace(QChar qc)
{
    const char16_t c = qc.unicode();
    return c == u' ' || c == u'\n' || c == u'\t' || c == u'\f' || c == u'\r';
}

bool isDigit(QChar qc)
{
    const char16_t c = qc.unicode();
    return c >= u'0' && c <= u'9';
}

bool isAlpha(QChar qc)
{
    const char16_t c = qc.unicode();
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

char16_t toLowerAscii(QChar qc)
{
    const char16_t c = qc.unicode();
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

bool isCoordDelimiter(QChar qc)
{
    const char16_t c = qc.unicode();
    return c == u',' || c == u';' || c == u' ' || c == u'\n' || c == u'\t' || c == u'\f'
        || c == u'\r';
}

// The HTML "rules for parsing floating-point number values": a number prefix of the text,
// trailing garbage ignored; nothing when the text does not start with a number.
std::optional<double> parseFloatValue(QStringView s)
{
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && isHtmlSpace(s[i]))
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

MapArea makeArea(QStringView shape, bool hasShape, QStringView coords, QString id,
    QString idAsWritten, QString color)
{
    MapArea area;
    area.shape = hasShape ? AreaParser::shapeFromKeyword(shape) : MapArea::Shape::Poly;
    area.coords = AreaParser::parseCoords(coords);
    area.id = std::move(id);
    area.idAsWritten = std::move(idAsWritten);
    area.color = std::move(color);
    return area;
}

// An HTML tokenizer for start and end tags, enough for the maps people and programs write.
// It gives up (so that the full parser takes over) wherever the tree builder could drop or
// reorder an <area> or the text stops being markup: tables, select, templates, raw-text
// elements, foreign content, NUL and uncommon character references.
class FastScanner
{
public:
    explicit FastScanner(QStringView text)
        : m_text(text)
    {
    }

    bool run(QList<MapArea> &areas);

private:
    enum class TagKind { Area, Other, GiveUp };
    enum class Attr { None, Shape, Coords, Id, Color };
    enum class Step { Emit, Eof, GiveUp };

    Step readTag(bool endTag);
    qsizetype bogusCommentEnd(qsizetype from) const;
    qsizetype commentEnd(qsizetype from) const;
    static int decodeValue(QStringView raw, QString &out);
    static TagKind classify(QStringView name);
    static Attr attrOf(QStringView lowerName);

    QStringView m_text;
    qsizetype m_pos = 0;
    QList<MapArea> *m_areas = nullptr;
};

bool FastScanner::run(QList<MapArea> &areas)
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
qsizetype FastScanner::bogusCommentEnd(qsizetype from) const
{
    const qsizetype end = m_text.indexOf(u'>', from);
    return end < 0 ? m_text.size() : end + 1;
}

// A comment from just after "<!--": it ends at "-->" or "--!>", and "<!-->" and "<!--->"
// are empty comments.
qsizetype FastScanner::commentEnd(qsizetype from) const
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

FastScanner::TagKind FastScanner::classify(QStringView name)
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

FastScanner::Attr FastScanner::attrOf(QStringView n)
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
FastScanner::Step FastScanner::readTag(bool endTag)
{
    const QStringView t = m_text;
    const qsizetype n = t.size();
    qsizetype i = m_pos;

    char16_t nameBuf[16];
    qsizetype nameLen = 0;
    bool nameTooLong = false;
    while (i < n && !isHtmlSpace(t[i].unicode()) && t[i] != u'/' && t[i] != u'>') {
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
        while (i < n && (isHtmlSpace(t[i].unicode()) || t[i] == u'/')) {
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
        while (
            i < n && !isHtmlSpace(t[i].unicode()) && t[i] != u'/' && t[i] != u'>' && t[i] != u'=')
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
        while (i < n && isHtmlSpace(t[i].unicode()))
            ++i;
        if (i >= n)
            return Step::Eof;
        QStringView raw;
        bool hasValue = false;
        if (t[i] == u'=') {
            ++i;
            while (i < n && isHtmlSpace(t[i].unicode()))
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
                while (i < n && !isHtmlSpace(t[i].unicode()) && t[i] != u'>')
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
        m_areas->append(makeArea(values[int(Attr::Shape)], seen[int(Attr::Shape)],
            values[int(Attr::Coords)], values[int(Attr::Id)].toString(),
            written[int(Attr::Id)].toString(), values[int(Attr::Color)].toString()));
    }
    return Step::Emit;
}

// Attribute value text with its character references resolved and line ends made LF: 0 when
// the raw text is the value, 1 when \a out holds it, -1 when it needs the full parser (only
// the references maps commonly carry are known here).
int FastScanner::decodeValue(QStringView raw, QString &out)
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

void collectAreas(const GumboNode *node, QList<MapArea> &areas)
{
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT)
        return; // text, comments, and template contents that are not part of the document
    if (node->type == GUMBO_NODE_ELEMENT) {
        const GumboElement &element = node->v.element;
        if (element.tag == GUMBO_TAG_AREA && element.tag_namespace == GUMBO_NAMESPACE_HTML) {
            const auto attr = [&](const char *name) -> const GumboAttribute * {
                return gumbo_get_attribute(&element.attributes, name);
            };
            const auto text = [](const GumboAttribute *a) {
                return a ? QString::fromUtf8(a->value) : QString();
            };
            // The value as it stands in the source, without its quotes.
            const auto asWritten = [](const GumboAttribute *a) {
                if (!a || !*a->value) // gumbo points a missing value at the name
                    return QString();
                // Gumbo's own start of an unquoted value skips a leading character reference,
                // so the value is taken from just after the name and its "=" instead.
                const char *start = a->original_name.data + a->original_name.length;
                const char *end = a->original_value.data + a->original_value.length;
                const auto skipSpace = [&] {
                    while (start < end && std::strchr(" \t\n\f\r", *start) && *start)
                        ++start;
                };
                skipSpace();
                if (start < end && *start == '=')
                    ++start;
                skipSpace();
                QByteArrayView v(start, end - start);
                if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'')
                    && v.back() == v.front())
                    v = v.sliced(1, v.size() - 2);
                return QString::fromUtf8(v);
            };
            const GumboAttribute *shape = attr("shape");
            const GumboAttribute *id = attr("id");
            areas.append(makeArea(text(shape), shape != nullptr, text(attr("coords")), text(id),
                asWritten(id), text(attr("color"))));
            return;
        }
    }
    const GumboVector &children =
        node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
    for (unsigned int k = 0; k < children.length; ++k)
        collectAreas(static_cast<const GumboNode *>(children.data[k]), areas);
}

QString attributeText(const GumboElement &element, const char *name)
{
    const GumboAttribute *a = gumbo_get_attribute(&element.attributes, name);
    return a ? QString::fromUtf8(a->value) : QString();
}

// Walks the page; areas belong to the nearest <map> around them, as in a browser.
void collectPage(const GumboNode *node, qsizetype map, PageMaps &page)
{
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT)
        return;
    if (node->type == GUMBO_NODE_ELEMENT) {
        const GumboElement &element = node->v.element;
        if (element.tag_namespace == GUMBO_NAMESPACE_HTML) {
            if (element.tag == GUMBO_TAG_AREA) {
                if (map >= 0) {
                    PageArea area;
                    if (const GumboAttribute *shape =
                            gumbo_get_attribute(&element.attributes, "shape"))
                        area.shape = QString::fromUtf8(shape->value);
                    area.coords = attributeText(element, "coords");
                    area.id = attributeText(element, "id");
                    area.title = attributeText(element, "title");
                    area.alt = attributeText(element, "alt");
                    page.maps[map].areas.append(area);
                }
                return;
            }
            if (element.tag == GUMBO_TAG_IMG
                && gumbo_get_attribute(&element.attributes, "usemap")) {
                page.images.append(
                    PageImage { attributeText(element, "src"), attributeText(element, "usemap") });
            }
            if (element.tag == GUMBO_TAG_MAP) {
                page.maps.append(
                    PageMap { attributeText(element, "name"), attributeText(element, "id"), {} });
                // By index: the list may grow while the children are walked.
                map = page.maps.size() - 1;
            }
        }
    }
    const GumboVector &children =
        node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
    for (unsigned int k = 0; k < children.length; ++k)
        collectPage(static_cast<const GumboNode *>(children.data[k]), map, page);
}

} // namespace

namespace AreaParser {

PageMaps parsePage(QStringView html)
{
    const QByteArray utf8 = html.toUtf8();
    GumboOutput *output =
        gumbo_parse_with_options(&kGumboDefaultOptions, utf8.constData(), size_t(utf8.size()));
    PageMaps page;
    if (output) {
        collectPage(output->document, -1, page);
        gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
    return page;
}

QList<MapArea> parseAreas(QStringView mapText)
{
    if (auto fast = parseAreasFast(mapText))
        return std::move(*fast);
    return parseAreasFull(mapText);
}

std::optional<QList<MapArea>> parseAreasFast(QStringView mapText)
{
    QList<MapArea> areas;
    if (!FastScanner(mapText).run(areas))
        return std::nullopt;
    return areas;
}

QList<MapArea> parseAreasFull(QStringView mapText)
{
    const QByteArray utf8 = mapText.toUtf8();
    GumboOutput *output =
        gumbo_parse_with_options(&kGumboDefaultOptions, utf8.constData(), size_t(utf8.size()));
    QList<MapArea> areas;
    if (output) {
        collectAreas(output->document, areas);
        gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
    return areas;
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

MapArea::Shape shapeFromKeyword(QStringView keyword)
{
    const auto is = [&](QStringView k) { return keyword.compare(k, Qt::CaseInsensitive) == 0; };
    if (is(u"rect") || is(u"rectangle"))
        return MapArea::Shape::Rect;
    if (is(u"circle") || is(u"circ"))
        return MapArea::Shape::Circle;
    if (is(u"default"))
        return MapArea::Shape::Default;
    return MapArea::Shape::Poly;
}

} // namespace AreaParser
