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

QString MapFormat::areaLine(const QString &coords, const QString &name)
{
    return u"<AREA SHAPE=POLY COORDS=\""_s + coords + u"\" ID=\""_s + name
        + u"\" color=\"#00ff00\">"_s;
}
