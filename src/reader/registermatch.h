#pragma once

#include <QString>
#include <QStringList>

/// The register's spelling of \a reading: the entry equal to it, else the one entry whose
/// numbers (runs of digits, leading zeros aside) are the reading's ("7" and "Lot 7"). The
/// reading itself when it has no numbers or no entry, or several, match.
QString matchRegister(const QString &reading, const QStringList &registerNames);
