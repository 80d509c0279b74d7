#pragma once

#include "platform/loadingpicture.h"

#include <QSize>
#include <QString>

#include <future>

/// Decodes the picture that start-up will show on a thread of its own, so that the decoding
/// overlaps building the application object and the window. Of a large JPEG only the part the
/// window shows first is decoded here; the rest follows once the window shows it.
class PicturePreload
{
public:
    /// What the window shows of a picture at first: its top-left corner, this large.
    static constexpr QSize firstPart { 1657, 927 };

    /// Starts decoding \a path (nothing when it is empty). Returns once the file is open and its
    /// decoder loaded, so the application object may be built while the decoding goes on.
    explicit PicturePreload(const QString &path);
    /// Waits for the decoding to end.
    ~PicturePreload();

    PicturePreload(const PicturePreload &) = delete;
    PicturePreload &operator=(const PicturePreload &) = delete;

    /// The picture at \a path, taken once: the one decoded ahead when \a path is the path it
    /// was started with and the decoding succeeded; otherwise loadPicture(path) on the calling
    /// thread, with its errors.
    LoadingPicture take(const QString &path);

private:
    QString m_path;
    std::future<LoadingPicture> m_picture;
};
