#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <gumbo.h>

#include <functional>
#include <optional>

/// A text parsed as an HTML5 browser parses a document. Owns gumbo's tree (and the bytes it
/// points into) for as long as the document lives.
class HtmlDocument
{
public:
    explicit HtmlDocument(QStringView html);
    ~HtmlDocument();
    HtmlDocument(const HtmlDocument &) = delete;
    HtmlDocument &operator=(const HtmlDocument &) = delete;

    /// Called for each HTML element with the nearest <map> around it (nullptr when none).
    using Visitor = std::function<void(const GumboElement &element, const GumboElement *map)>;

    /// Every HTML element of the document, in document order. Template contents are not part
    /// of the document, and nothing below an <area> is visited.
    void forEachElement(const Visitor &visit) const;

    /// An attribute's value with its character references resolved; nothing when missing.
    static std::optional<QString> attribute(const GumboElement &element, const char *name);
    /// An attribute's value as it stands in the source, without its quotes; empty when missing
    /// or given without a value.
    static QString attributeAsWritten(const GumboElement &element, const char *name);

private:
    QByteArray m_utf8;
    GumboOutput *m_output = nullptr;
};
