#include "app/frmdesign.h"
#include "app/startupprobe.h"

#include <QApplication>
#include <QIcon>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QtSettingsStore::applicationName());
    QApplication::setDesktopFileName(u"quorvel"_s);
    QApplication::setWindowIcon(QIcon(u":/icons/quorvel-32.png"_s));

    frmDesign window;
    installStartupProbe(&window);
    window.show();
    return app.exec();
}
