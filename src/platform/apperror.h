#pragma once

#include <QFileDevice>
#include <QString>

/// An error as the program reports it: a number from the fixed table and its description.
struct AppError
{
    int number = 0;
    QString description;

    /// The error with the standard description of its number.
    static AppError fromNumber(int number);
    /// Maps an errno value from opening, reading or writing \a path.
    static AppError fromErrno(int err, const QString &path);
    /// Maps a failed QFile/QSaveFile operation on \a path (uses errno when Qt gives no detail).
    static AppError fromFile(const QFileDevice &file, const QString &path);
    /// The error closest to the exception being handled; call it only inside a catch block.
    /// Failures that are not AppErrors become 7 (out of memory), 9, 6 or 51 (internal error).
    static AppError fromCurrentException();
};

namespace ErrorNumber {
inline constexpr int InvalidCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int Internal = 51;
inline constexpr int FileNotFound = 53;
inline constexpr int DeviceIO = 57;
inline constexpr int DiskFull = 61;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int InvalidPicture = 481;
} // namespace ErrorNumber

/// The standard description of an error number ("Application-defined or object-defined error"
/// for numbers outside the table).
QString errorDescription(int number);
