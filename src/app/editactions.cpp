#include "app/editor.h"
#include "app/featureactions.h"

#include "document/mapdocument.h"
#include "editing/movecorners.h"
#include "imagemap/imagemap.h"
#include "platform/guarded.h"

#include <QAction>

using namespace Qt::StringLiterals;

void FeatureActions::buildEdit(QAction &undo, QAction &redo, QAction &moveCorners, Editor &editor)
{
    MapDocument &document = editor.document();
    Prompts &prompts = editor.prompts();
    redo.setShortcuts(
        { QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z) });
    QObject::connect(
        &undo, &QAction::triggered, &document, [&] { guarded(prompts, [&] { document.undo(); }); });
    QObject::connect(
        &redo, &QAction::triggered, &document, [&] { guarded(prompts, [&] { document.redo(); }); });
    MoveCorners &corners = editor.moveCorners();
    QObject::connect(&moveCorners, &QAction::toggled, &corners,
        [&](bool on) { guarded(prompts, [&] { corners.setOn(on); }); });

    ImageMap &control = editor.control();
    QObject::connect(
        &control, &ImageMap::cornerMoved, &corners, [&](int polygon, int corner, QPoint pixel) {
            guarded(prompts, [&] { corners.moveCorner(polygon, corner, pixel); });
        });
    QObject::connect(&control, &ImageMap::cornerInserted, &corners,
        [&](int polygon, int afterCorner, QPoint pixel) {
            guarded(prompts, [&] { corners.insertCorner(polygon, afterCorner, pixel); });
        });
    QObject::connect(&control, &ImageMap::cornerRemoved, &corners, [&](int polygon, int corner) {
        guarded(prompts, [&] { corners.removeCorner(polygon, corner); });
    });

    const QUndoStack &stack = document.undoStack();
    QObject::connect(&stack, &QUndoStack::canUndoChanged, &undo, &QAction::setEnabled);
    QObject::connect(&stack, &QUndoStack::canRedoChanged, &redo, &QAction::setEnabled);
    QObject::connect(&stack, &QUndoStack::undoTextChanged, &undo,
        [&](const QString &text) { undo.setText(MapDocument::menuCaption(u"Undo"_s, text)); });
    QObject::connect(&stack, &QUndoStack::redoTextChanged, &redo,
        [&](const QString &text) { redo.setText(MapDocument::menuCaption(u"Redo"_s, text)); });
}
