// Makes the larger plans for start-up measurements from a smaller one, scaled smoothly:
//   quorvel_scalepicture IN OUT.jpg WIDTH HEIGHT
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 5) {
        qWarning("usage: scalepicture IN OUT.jpg WIDTH HEIGHT");
        return 2;
    }
    QImageReader::setAllocationLimit(0);
    const QImage source(QString::fromLocal8Bit(argv[1]));
    const QSize size(QByteArray(argv[3]).toInt(), QByteArray(argv[4]).toInt());
    if (source.isNull() || size.isEmpty()) {
        qWarning("cannot read %s", argv[1]);
        return 1;
    }
    const QImage scaled = source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (!scaled.save(QString::fromLocal8Bit(argv[2]), "jpeg", 90)) {
        qWarning("cannot write %s", argv[2]);
        return 1;
    }
    return 0;
}
