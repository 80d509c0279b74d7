#include "imagemap/htmldocument.h"

#include <cstring>

namespace {

void walk(const GumboNode *node, const GumboElement *map, const HtmlDocument::Visitor &visit)
{
    // Text, comments, and template contents that are not part of the document.
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT)
        return;
    if (node->type == GUMBO_NODE_ELEMENT) {
        const GumboElement &element = node->v.element;
        if (element.tag_namespace == GUMBO_NAMESPACE_HTML) {
            visit(element, map);
            if (element.tag == GUMBO_TAG_AREA)
                return;
            if (element.tag == GUMBO_TAG_MAP)
                map = &element;
        }
    }
    const GumboVector &children =
        node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
    for (unsigned int k = 0; k < children.length; ++k)
        walk(static_cast<const GumboNode *>(children.data[k]), map, visit);
}

} // namespace

HtmlDocument::HtmlDocument(QStringView html)
    : m_utf8(html.toUtf8())
    , m_output(gumbo_parse_with_options(
          &kGumboDefaultOptions, m_utf8.constData(), size_t(m_utf8.size())))
{
}

HtmlDocument::~HtmlDocument()
{
    if (m_output)
        gumbo_destroy_output(&kGumboDefaultOptions, m_output);
}

void HtmlDocument::forEachElement(const Visitor &visit) const
{
    if (m_output)
        walk(m_output->document, nullptr, visit);
}

std::optional<QString> HtmlDocument::attribute(const GumboElement &element, const char *name)
{
    const GumboAttribute *a = gumbo_get_attribute(&element.attributes, name);
    if (!a)
        return std::nullopt;
    return QString::fromUtf8(a->value);
}

QString HtmlDocument::attributeAsWritten(const GumboElement &element, const char *name)
{
    const GumboAttribute *a = gumbo_get_attribute(&element.attributes, name);
    if (!a || !*a->value) // gumbo points a missing value at the name
        return QString();
    // Gumbo's own start of an unquoted value skips a leading character reference, so the
    // value is taken from just after the name and its "=" instead.
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
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.sliced(1, v.size() - 2);
    return QString::fromUtf8(v);
}
