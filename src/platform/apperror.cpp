#include "platform/apperror.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <new>
#include <stdexcept>

using namespace Qt::StringLiterals;

QString errorDescription(int number)
{
    switch (number) {
    case ErrorNumber::InvalidCall:
        return u"Invalid procedure call or argument"_s;
    case ErrorNumber::Overflow:
        return u"Overflow"_s;
    case ErrorNumber::OutOfMemory:
        return u"Out of memory"_s;
    case ErrorNumber::SubscriptOutOfRange:
        return u"Subscript out of range"_s;
    case ErrorNumber::Internal:
        return u"Internal error"_s;
    case ErrorNumber::FileNotFound:
        return u"File not found"_s;
    case ErrorNumber::DeviceIO:
        return u"Device I/O error"_s;
    case ErrorNumber::DiskFull:
        return u"Disk full"_s;
    case ErrorNumber::PathFileAccess:
        return u"Path/File access error"_s;
    case ErrorNumber::PathNotFound:
        return u"Path not found"_s;
    case ErrorNumber::InvalidPicture:
        return u"Invalid picture"_s;
    default:
        return u"Application-defined or object-defined error"_s;
    }
}

AppError AppError::fromNumber(int number)
{
    return AppError { number, errorDescription(number) };
}

static bool parentFolderExists(const QString &path)
{
    const QFileInfo info(path);
    return QFileInfo(info.absolutePath()).isDir();
}

AppError AppError::fromErrno(int err, const QString &path)
{
    switch (err) {
    case ENOENT:
        // A missing file in an existing folder is "file not found"; a missing folder on the
        // way to it is "path not found".
        if (path.isEmpty() || parentFolderExists(path))
            return fromNumber(ErrorNumber::FileNotFound);
        return fromNumber(ErrorNumber::PathNotFound);
    case ENOTDIR:
        return fromNumber(ErrorNumber::PathNotFound);
    case EIO:
        return fromNumber(ErrorNumber::DeviceIO);
    case ENOSPC:
    case EDQUOT:
        return fromNumber(ErrorNumber::DiskFull);
    default:
        return fromNumber(ErrorNumber::PathFileAccess);
    }
}

AppError AppError::fromFile(const QFileDevice &file, const QString &path)
{
    const int err = errno; // read first: the checks below make system calls of their own
    if (path.isEmpty())
        return fromNumber(ErrorNumber::FileNotFound);
    const QFileInfo info(path);
    if (info.isDir())
        return fromNumber(ErrorNumber::PathFileAccess);
    const QFileInfo parent(info.absolutePath());
    if (!parent.exists() || !parent.isDir())
        return fromNumber(ErrorNumber::PathNotFound);
    switch (file.error()) {
    case QFileDevice::OpenError:
        // errno tells a refused open (a read-only folder for a save) from a missing file.
        if (err != 0 && err != ENOENT)
            return fromErrno(err, path);
        if (!info.exists() && !info.isSymLink())
            return fromNumber(ErrorNumber::FileNotFound);
        return fromNumber(ErrorNumber::PathFileAccess);
    case QFileDevice::ResourceError:
        return fromNumber(ErrorNumber::DiskFull);
    case QFileDevice::ReadError:
    case QFileDevice::WriteError:
    case QFileDevice::RenameError:
        if (err == ENOSPC || err == EDQUOT || err == EIO)
            return fromErrno(err, path);
        return fromNumber(ErrorNumber::PathFileAccess);
    default:
        return fromNumber(ErrorNumber::PathFileAccess);
    }
}

AppError AppError::fromCurrentException()
{
    try {
        throw;
    } catch (const AppError &e) {
        return e;
    } catch (const std::bad_alloc &) {
        return fromNumber(ErrorNumber::OutOfMemory);
    } catch (const std::length_error &) {
        // A container asked to grow past what it can hold.
        return fromNumber(ErrorNumber::OutOfMemory);
    } catch (const std::out_of_range &) {
        return fromNumber(ErrorNumber::SubscriptOutOfRange);
    } catch (const std::overflow_error &) {
        return fromNumber(ErrorNumber::Overflow);
    } catch (...) {
        return fromNumber(ErrorNumber::Internal);
    }
}
