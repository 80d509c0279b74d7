#include "platform/prompts.h"

using namespace Qt::StringLiterals;

QString Prompts::applicationTitle()
{
    return u"QuorvelImap"_s;
}

QString Prompts::productName()
{
    return u"Quorvel"_s;
}
