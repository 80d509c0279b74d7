#pragma once

#include "imagemap/areaparser.h"

#include <QList>
#include <QString>
#include <QStringView>

// An HTML tokenizer for start and end tags, enough for the maps people and programs write.
// It gives up (so that the full parser takes over) wherever the tree builder could drop or
// reorder an <area> or the text stops being markup: tables, select, templates, raw-text
// elements, foreign content, NUL and uncommon character references.
class FastAreaScanner
{
public:
    explicit FastAreaScanner(QStringView text)
        : m_text(text)
    {
    }

    /// Appends the areas of the whole text to \a areas; false when the text needs the full
    /// parser (\a areas is then incomplete).
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
