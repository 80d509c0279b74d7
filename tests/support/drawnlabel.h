#pragma once

#include <QBuffer>
#include <QFont>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QString>
#include <QTransform>

/// How a label is printed on a plan and how it comes back as a site's interior crop.
struct LabelStyle
{
    QString family = QStringLiteral("DejaVu Sans");
    int pixelSize = 16;
    bool bold = false;
    bool italic = false;
    double angle = 0; // degrees, as printed
    double deskewError = 0; // degrees left after straightening by the ink's angle
    int jpegQuality = 0; // 0: no JPEG round trip
    bool tree = false; // a tree symbol drawn in the site beside the label
    bool tinted = false; // on a lot's tinted paper, with the masked boundary white around it
};

/// \a text ('\n' between lines) printed in \a style on white paper, saved as a JPEG when the
/// style says so, then turned back by its angle as the site's crop is: 8-bit gray.
inline QImage drawnLabel(const QString &text, const LabelStyle &style)
{
    QFont font(style.family);
    font.setPixelSize(style.pixelSize);
    font.setBold(style.bold);
    font.setItalic(style.italic);
    const int side = style.pixelSize * (6 + int(text.size() / 2));
    QImage paper(side, side, QImage::Format_RGB32);
    paper.fill(style.tinted ? QColor(0xfb, 0xf8, 0xef) : QColor(Qt::white));
    {
        QPainter painter(&paper);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setFont(font);
        painter.setPen(QColor(20, 20, 20));
        painter.translate(side / 2.0, side / 2.0);
        painter.rotate(style.angle);
        painter.drawText(QRectF(-side / 2.0, -side / 2.0, side, side), Qt::AlignCenter, text);
        if (style.tree) {
            // A crown of small arcs around a dot, as plats draw trees.
            const QPointF centre(-side / 3.0, side / 3.5);
            const double r = style.pixelSize * 0.9;
            painter.setPen(QPen(QColor(20, 20, 20), 1.5));
            for (int k = 0; k < 8; ++k) {
                QTransform turn;
                turn.rotate(k * 45.0);
                const QPointF at = centre + turn.map(QPointF(r, 0));
                painter.drawEllipse(at, r * 0.45, r * 0.45);
            }
            painter.drawEllipse(centre, 1.5, 1.5);
        }
    }
    if (style.jpegQuality > 0) {
        QByteArray bytes;
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        QImageWriter writer(&out, "jpeg");
        writer.setQuality(style.jpegQuality);
        writer.write(paper);
        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        paper = QImageReader(&in, "jpeg").read().convertToFormat(QImage::Format_RGB32);
    }
    QImage crop(side, side, QImage::Format_RGB32);
    crop.fill(Qt::white);
    {
        QPainter painter(&crop);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.translate(side / 2.0, side / 2.0);
        painter.rotate(-style.angle + style.deskewError);
        painter.translate(-side / 2.0, -side / 2.0);
        painter.drawImage(0, 0, paper);
        if (style.tinted) {
            painter.resetTransform();
            painter.setPen(QPen(Qt::white, side / 4.0));
            painter.drawRect(crop.rect());
        }
    }
    return crop.convertToFormat(QImage::Format_Grayscale8);
}
