#pragma once

#include <QImage>
#include <QString>

/// Loads a picture file (bitmap, JPEG, GIF, PNG, enhanced metafile) by path. Throws AppError
/// 53 (file not found), 76 (path not found), 75 (a folder, pipe or device) or 481 (not a
/// picture this program can decode).
QImage LoadPicture(const QString &path);
