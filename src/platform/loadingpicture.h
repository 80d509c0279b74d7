#pragma once

#include "platform/progressivejpegloader.h"

#include <QImage>

#include <memory>

/// A picture as it is handed to the display: decoded whole, or a large JPEG with the part a
/// window shows first decoded and the rest on its way (ProgressiveJpegLoader).
class LoadingPicture
{
public:
    LoadingPicture() = default;
    LoadingPicture(const QImage &image)
        : m_image(image)
    {
    }
    explicit LoadingPicture(std::shared_ptr<ProgressiveJpegLoader> jpeg)
        : m_image(jpeg->image())
        , m_jpeg(std::move(jpeg))
    {
    }

    bool isNull() const { return m_image.isNull(); }
    QSize size() const { return m_image.size(); }
    /// The picture's pixels, of which only some may be decoded yet (see jpeg()).
    const QImage &image() const { return m_image; }
    /// The loader still at work on the picture, or null when it is decoded whole.
    const std::shared_ptr<ProgressiveJpegLoader> &jpeg() const { return m_jpeg; }

    /// The whole picture: blocks until every row is decoded.
    QImage waitForFullPicture() const
    {
        if (m_jpeg)
            m_jpeg->waitForFullPicture();
        return m_image;
    }

private:
    QImage m_image;
    std::shared_ptr<ProgressiveJpegLoader> m_jpeg;
};
