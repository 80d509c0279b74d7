#pragma once

#include <QImage>
#include <QPoint>
#include <QStringList>

#include <functional>
#include <memory>

class CornerCapture;
class HotSpotEditing;
class MapDocument;
class NameReader;
class Prompts;

/// A double-click on the plan outlines the site around it from the plan's own lines and reads
/// its printed number; from there it is a polygon outlined by hand: the same name box (with the
/// number offered), the same refusals and the same undo step.
class SiteOutliner
{
public:
    struct Sources
    {
        /// The whole picture on screen (waiting for it if it is still being decoded).
        std::function<QImage()> picture;
        /// The names of the site register compared in the Sites window; none without one.
        std::function<QStringList()> registerNames;
        /// Whether another mode owns the mouse (Move Corners).
        std::function<bool()> resting;
    };

    SiteOutliner(MapDocument &document, CornerCapture &capture, HotSpotEditing &editing,
        Prompts &prompts, Sources sources);
    ~SiteOutliner();

    /// The control's press of \a button with keys \a shift over a picture: a plain left press
    /// may be the first of a double-click, so the reader starts meanwhile (once; it is kept).
    void pressed(int button, int shift);
    /// The control's double-click off the hot spots at picture pixel \a pixel with keys \a shift.
    void doubleClicked(QPoint pixel, int shift);

    /// The name printed in the crop, as the register spells it when it knows it; empty when
    /// the reading is too uncertain or the reader cannot be asked.
    QString readName(const QImage &crop);

private:
    bool outlining(int shift) const;
    NameReader &reader();

    MapDocument &m_document;
    CornerCapture &m_capture;
    HotSpotEditing &m_editing;
    Prompts &m_prompts;
    Sources m_sources;
    std::unique_ptr<NameReader> m_reader;
};
