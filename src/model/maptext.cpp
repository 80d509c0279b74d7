#include "model/maptext.h"

using namespace Qt::StringLiterals;

QString MapFormat::header()
{
    return u"<map name=map>"_s;
}

QString MapFormat::footer()
{
    return u"</map>"_s;
}

void MapFormat::appendAreaLine(QString &text, const QString &coords, const QString &name)
{
    text += u"<AREA SHAPE=POLY COORDS=\"";
    text += coords;
    text += u"\" ID=\"";
    text += name;
    text += u"\" color=\"#00ff00\">";
}

QString MapFormat::areaLine(const QString &coords, const QString &name)
{
    QString text;
    text.reserve(areaLineOverhead + coords.size() + name.size());
    appendAreaLine(text, coords, name);
    return text;
}
