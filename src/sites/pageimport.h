#pragma once

#include <QList>
#include <QPoint>
#include <QString>

#include <functional>

class EditorView;
class ImageMapControl;
class MapDocument;
class Prompts;
class SettingsStore;
struct PageMap;
struct PageMaps;

/// Tools › Import Web Page Map: brings the image map of an existing web page into the table as
/// polygons with whole-pixel corners.
class PageImport
{
public:
    /// One area that becomes a hot spot.
    struct HotSpot
    {
        QString coords;
        QString name;
        int areaIndex = 0; ///< the area's place in its map, from 0
    };

    /// What one map gives, and what it could not give.
    struct Conversion
    {
        QList<HotSpot> hotSpots;
        int rectangles = 0; ///< rectangles turned into polygons
        int circles = 0; ///< circles turned into polygons
        int defaults = 0; ///< "default" areas: the whole picture
        int percent = 0; ///< coordinates in percent
        int noShape = 0; ///< too few coordinates, or a circle without a radius
        int tooLarge = 0; ///< coordinates or radius past any picture's size
        int overLimit = 0; ///< past the table's last slot

        int skipped() const { return defaults + percent + noShape + tooLarge + overLimit; }
    };

    PageImport(MapDocument &document, Prompts &prompts, SettingsStore &settings, EditorView &view,
        ImageMapControl &control);

    /// The unsaved-changes guard, run first.
    void setAskToSave(std::function<void()> askToSave) { m_askToSave = std::move(askToSave); }

    void importWebPageMap();
    /// Imports the page at \a path (the steps after the file dialog).
    void importPage(const QString &path);

    /// The map's areas as hot spots, as a browser would shape them.
    static Conversion convert(const PageMap &map);
    /// The largest coordinate or radius taken, in pixels: well past the largest picture.
    static constexpr double Farthest = 100'000;

    /// Whole-pixel corners of a polygon whose outline stays within half a pixel of the circle;
    /// none for a radius that is not positive or a circle past Farthest.
    static QList<QPoint> circleCorners(double centreX, double centreY, double radius);
    /// The map that the page's first <img usemap> points at, or 0.
    static int preselectedMap(const PageMaps &page);
    /// The picture file of the <img> that uses map \a mapIndex, when it exists on disk.
    static QString pictureFile(const PageMaps &page, int mapIndex, const QString &pagePath);
    /// The box that sums up an import.
    static QString summary(const Conversion &conversion, const QString &pagePath);

private:
    MapDocument &m_document;
    Prompts &m_prompts;
    SettingsStore &m_settings;
    EditorView &m_view;
    ImageMapControl &m_control;
    std::function<void()> m_askToSave;
};
