#include "app/editor.h"
#include "app/featureactions.h"

#include "imagemap/imagemap.h"
#include "imagemap/zoomnavigator.h"
#include "platform/guarded.h"
#include "sites/detectsiteswindow.h"
#include "sites/findhotspotbox.h"
#include "sites/pageimport.h"
#include "sites/siteswindow.h"
#include "sites/webpagecommands.h"

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {

void showFind(FindHotSpotBox &find)
{
    find.show();
    find.raise();
    find.activateWindow();
    find.nameField()->setFocus();
    find.nameField()->selectAll();
}

// Beside the main window where the screen has room, else over its right edge.
void showBeside(QMainWindow &window, QWidget &sites)
{
    if (!sites.isVisible()) {
        const QRect main = window.frameGeometry();
        QRect place(QPoint(main.right() + 1, main.top()), sites.size());
        if (const QScreen *target = window.screen()) {
            const QRect available = target->availableGeometry();
            if (place.right() > available.right())
                place.moveRight(available.right());
        }
        sites.move(place.topLeft());
    }
    sites.show();
    sites.raise();
    sites.activateWindow();
}

} // namespace

void FeatureActions::buildSites(
    QMainWindow &window, QMenu &edit, QMenu &tools, ZoomNavigator &zoom, Editor &editor)
{
    Prompts &prompts = editor.prompts();
    SitesWindow &sites = editor.sites();
    FindHotSpotBox &find = editor.find();
    const auto add = [&](QMenu &menu, const char *name, const QString &text,
                         const QKeySequence &keys, std::function<void()> run) {
        QAction *action = menu.addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        QObject::connect(
            action, &QAction::triggered, &window, [&prompts, run] { guarded(prompts, run); });
        // The keys work in the Sites window too.
        sites.addAction(action);
        return action;
    };
    edit.addSeparator();
    add(edit, "mnuFindHotSpot", u"Find Hot Spot\u2026"_s, QKeySequence(u"Ctrl+F"_s),
        [&find] { showFind(find); });
    add(tools, "mnuSites", u"&Sites\u2026"_s, QKeySequence(u"Ctrl+L"_s),
        [&window, &sites] { showBeside(window, sites); });
    WebPageCommands &web = editor.web();
    add(tools, "mnuPreview", u"&Preview in Browser"_s, QKeySequence(Qt::Key_F5),
        [&web] { web.previewInBrowser(); });
    add(tools, "mnuExportPage", u"&Export Web Page\u2026"_s, QKeySequence(),
        [&web] { web.exportWebPage(); });
    DetectSitesWindow &detect = editor.detect();
    add(tools, "mnuDetectSites", u"&Detect Sites\u2026"_s, QKeySequence(u"Ctrl+Shift+D"_s),
        [&window, &detect] {
            const bool wasOpen = detect.isVisible();
            showBeside(window, detect);
            if (!wasOpen)
                detect.start();
        });
    tools.addSeparator();
    QAction *importPage = tools.addAction(u"&Import Web Page Map\u2026"_s);
    importPage->setObjectName(u"mnuImportWebPageMap"_s);
    PageImport &import = editor.pageImport();
    QObject::connect(importPage, &QAction::triggered, &window,
        [&prompts, &import] { guarded(prompts, [&] { import.importWebPageMap(); }); });

    ImageMap &control = editor.control();
    QObject::connect(&find, &FindHotSpotBox::found, &window,
        [&zoom, &control](const QString &name, const QRectF &bounds) {
            zoom.showPictureRect(bounds);
            control.flashHotSpot(name, 2000);
        });
    QObject::connect(&detect, &DetectSitesWindow::proposalSelected, &window,
        [&zoom](const QRectF &bounds) { zoom.showPictureRect(bounds); });
    // A register remembered from an earlier run is compared again.
    guarded(prompts, [&] { sites.restoreRegister(); });
}
