#include "sites/detectrules.h"

#include <QHash>
#include <QSet>

using namespace Qt::StringLiterals;

bool DetectRules::mayBeSite(const Proposal &proposal)
{
    return !proposal.touchesEdge && proposal.sizeToMedian <= maxSizeToMedian;
}

QList<DetectRules::Verdict> DetectRules::judge(
    const QList<Proposal> &proposals, const QStringList &mapNames, const QStringList &registerNames)
{
    // For each name, how sure its surest reading is and how many are that sure.
    QHash<QString, std::pair<int, int>> surest;
    for (const Proposal &p : proposals) {
        if (p.name.isEmpty())
            continue;
        auto &[sureness, count] = surest[p.name];
        if (p.sureness > sureness || count == 0)
            sureness = p.sureness, count = 0;
        count += p.sureness == sureness ? 1 : 0;
    }
    const QSet<QString> onMap(mapNames.cbegin(), mapNames.cend());
    const QSet<QString> known(registerNames.cbegin(), registerNames.cend());
    QList<Verdict> verdicts;
    verdicts.reserve(proposals.size());
    for (const Proposal &p : proposals) {
        Verdict v;
        if (!mayBeSite(p))
            v.status = Status::NotASite;
        else if (p.name.isEmpty())
            // Unchecked either way, since a hot spot needs a name; the row says why.
            v.status = Status::NoName;
        else if (onMap.contains(p.name))
            v.status = Status::OnMap;
        else if (const auto [sureness, count] = surest.value(p.name);
                 p.sureness < sureness || count > 1)
            v.status = Status::ReadTwice;
        else if (known.isEmpty())
            v = { Status::Unchecked, true };
        else if (known.contains(p.name))
            v = { Status::InRegister, true };
        else
            v.status = Status::NotInRegister;
        verdicts.append(v);
    }
    return verdicts;
}

QString DetectRules::statusText(Status status)
{
    switch (status) {
    case Status::InRegister:
        return u"in the register"_s;
    case Status::NotInRegister:
        return u"not in it"_s;
    case Status::ReadTwice:
        return u"read twice"_s;
    case Status::OnMap:
        return u"already on the map"_s;
    case Status::NoName:
        return u"no name read"_s;
    case Status::NotASite:
        return u"not a site"_s;
    case Status::Unchecked:
        break;
    }
    return {};
}
