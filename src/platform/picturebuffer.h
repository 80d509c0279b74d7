#pragma once

#include <QImage>
#include <QSize>

/// An uninitialised image backed by transparent huge pages where the system offers them.
/// Faulting in a large picture 4 KiB at a time costs more than decoding it; 2 MiB pages make
/// that first touch several times cheaper. A null image when the memory cannot be had.
QImage allocatePictureImage(QSize size, QImage::Format format);
