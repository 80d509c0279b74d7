#include "app/appshell.h"
#include "app/frmdesign.h"
#include "app/startupprobe.h"
#include "platform/picturepreload.h"
#include "platform/settingsstore.h"

#include <QApplication>
#include <QIcon>
#include <QThread>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Decoding the remembered picture is most of start-up's work, so it begins before the
// application object and the window are built, and overlaps them.
std::unique_ptr<PicturePreload> preloadStartupPicture(const char *argv0)
{
    // Qt takes the first thread that uses it for its main thread: make sure that is this one.
    QThread::currentThread();
    QtSettingsStore settings(QtSettingsStore::applicationName(argv0));
    return std::make_unique<PicturePreload>(AppShell::startupPicturePath(settings));
}

} // namespace

int main(int argc, char *argv[])
{
    auto preload = preloadStartupPicture(argv[0]);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QtSettingsStore::applicationName());
    QApplication::setDesktopFileName(u"quorvel"_s);
    QApplication::setWindowIcon(QIcon(u":/icons/quorvel-32.png"_s));

    frmDesign window(nullptr, preload.get());
    // A picture that start-up did not take is not kept for the whole run.
    preload.reset();
    installStartupProbe(&window);
    window.show();
    return app.exec();
}
