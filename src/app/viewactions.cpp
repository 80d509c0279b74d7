#include "app/editor.h"
#include "app/featureactions.h"

#include "imagemap/zoomladder.h"
#include "imagemap/zoomnavigator.h"
#include "platform/guarded.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

using namespace Qt::StringLiterals;

void FeatureActions::buildView(
    QMainWindow &window, QMenu &view, ZoomNavigator &zoom, Editor &editor)
{
    Prompts &prompts = editor.prompts();
    const auto add = [&](const char *name, const QString &text, const QList<QKeySequence> &keys,
                         void (ZoomNavigator::*slot)()) {
        QAction *action = view.addAction(text);
        action->setObjectName(QLatin1StringView(name));
        action->setShortcuts(keys);
        QObject::connect(action, &QAction::triggered, &zoom,
            [&prompts, &zoom, slot] { guarded(prompts, [&] { (zoom.*slot)(); }); });
    };
    add("mnuZoomIn", u"Zoom In"_s,
        { QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal) },
        &ZoomNavigator::zoomIn);
    add("mnuZoomOut", u"Zoom Out"_s, { QKeySequence(Qt::CTRL | Qt::Key_Minus) },
        &ZoomNavigator::zoomOut);
    add("mnuFitPicture", u"Fit Picture"_s, { QKeySequence(Qt::CTRL | Qt::Key_0) },
        &ZoomNavigator::fitPicture);
    add("mnuActualSize", u"Actual Size"_s, { QKeySequence(Qt::CTRL | Qt::Key_1) },
        &ZoomNavigator::actualSize);

    // The zoom shows at the menu bar's far end, clear of the picture.
    auto *label = new QLabel(ZoomLadder::percentText(1.0), window.menuBar());
    label->setObjectName(u"lblZoom"_s);
    label->setContentsMargins(8, 0, 8, 0);
    window.menuBar()->setCornerWidget(label, Qt::TopRightCorner);
    QObject::connect(&zoom, &ZoomNavigator::zoomChanged, label,
        [label](double value) { label->setText(ZoomLadder::percentText(value)); });
}
