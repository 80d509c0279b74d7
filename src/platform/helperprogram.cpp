#include "platform/helperprogram.h"

#include <QCoreApplication>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString helperProgramPath(const char *variable, const QString &name)
{
    const QString fromEnvironment = qEnvironmentVariable(variable);
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString dir = QCoreApplication::applicationDirPath();
    const QString beside = dir + u'/' + name;
    if (QFileInfo(beside).isExecutable())
        return beside;
    return dir + u"/../libexec/quorvel/"_s + name;
}
