#pragma once

#include <QMetaType>
#include <QString>

/// What the name reader made of one crop, tidied as a site name (tidyReading). \c ok is false when the reader could not be asked
/// (not found, crashed, too slow); \c error then says why. A reading too uncertain to offer as a
/// name is ok with an empty \c text.
struct ReadResult
{
    QString text;
    int confidence = 0;
    /// About how many characters the label's shapes hold; 0 when there was nothing to read.
    int characters = 0;
    bool ok = false;
    QString error;
};

Q_DECLARE_METATYPE(ReadResult)
