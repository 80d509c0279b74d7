#pragma once

class Editor;
class QAction;
class QMainWindow;
class QMenu;
class ZoomNavigator;

/// The menu actions of the editor's features beyond the original window, each feature's in a
/// file of its own; frmDesign calls these once while it builds its menus.
namespace FeatureActions {

/// Edit: Undo and Redo (named after their step), Move Corners and the handles' gestures.
void buildEdit(QAction &undo, QAction &redo, QAction &moveCorners, Editor &editor);
/// View: the zoom steps, and the zoom shown at the menu bar's far end.
void buildView(QMainWindow &window, QMenu &view, ZoomNavigator &zoom, Editor &editor);
/// Edit › Find Hot Spot, Tools › Sites, Preview, Export and Import Web Page Map.
void buildSites(
    QMainWindow &window, QMenu &edit, QMenu &tools, ZoomNavigator &zoom, Editor &editor);

} // namespace FeatureActions
