#pragma once

#include <QList>
#include <QString>
#include <QStringList>

/// Which detected regions are offered checked: a pure rule, so that it is tested without a
/// window.
namespace DetectRules {

/// What the window knows of one detected region.
struct Proposal
{
    QString name; ///< as read (register spelling) or typed; empty when none
    bool touchesEdge = false;
    double sizeToMedian = 1;
    /// How many readings of its label agree on the name (typed: as many as the surest).
    int sureness = 0;
};

enum class Status { InRegister, NotInRegister, ReadTwice, OnMap, NoName, NotASite, Unchecked };

struct Verdict
{
    Status status = Status::Unchecked;
    bool checked = false;
};

/// Regions far larger than the median lot are roads and margins.
constexpr double maxSizeToMedian = 4;

/// Whether the region can be a site at all (its name is worth reading).
bool mayBeSite(const Proposal &proposal);

/// The verdict on every proposal: checked when its name is its own (no hot spot in \a mapNames
/// has it, and no other proposal, or only ones whose readings agree on it less) and, with a
/// register, the register knows it; never for regions at the picture's edge, far larger than
/// the median, or without a name. \a registerNames empty: no register compared.
QList<Verdict> judge(const QList<Proposal> &proposals, const QStringList &mapNames,
    const QStringList &registerNames);

/// The status as the list shows it.
QString statusText(Status status);

} // namespace DetectRules
