#pragma once

#include <QString>

/// A helper executable of the editor's: the path in the environment variable \a variable when
/// set, else \a name beside the running program, else in ../libexec/quorvel from it.
QString helperProgramPath(const char *variable, const QString &name);
