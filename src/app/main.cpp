#include <QApplication>
#include <QLabel>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label(u"QUORVEL V3.1"_s);
    label.setWindowTitle(u"QUORVEL V3.1"_s);
    label.resize(400, 200);
    label.show();
    return app.exec();
}
