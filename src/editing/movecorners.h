#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QStringList>

class ImageMapControl;
class MapDocument;

/// Move Corners mode: every hot spot's corners show as handles on the control, and moving,
/// adding or removing a corner stores the hot spot's new coordinate list as one undoable step.
/// Corners the user did not touch keep their text exactly.
class MoveCorners : public QObject
{
    Q_OBJECT

public:
    /// The handles follow every change of \a document's hot spots.
    MoveCorners(MapDocument &document, ImageMapControl &control);

    bool isOn() const { return m_on; }
    void setOn(bool on);

    /// \a polygon counts the hot spots shown with handles, in slot order.
    void moveCorner(int polygon, int corner, QPoint pixel);
    void insertCorner(int polygon, int afterCorner, QPoint pixel);
    /// Only while at least three corners remain.
    void removeCorner(int polygon, int corner);

private:
    struct Shown
    {
        int slot;
        QStringList numbers; ///< x and y of each corner, as written
    };

    /// Shows the handles from the table as it is now.
    void refresh();
    void store(int polygon, const QStringList &numbers, const QString &what);

    MapDocument &m_document;
    ImageMapControl &m_control;
    QList<Shown> m_shown;
    bool m_on = false;
};
