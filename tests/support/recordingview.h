#pragma once

#include "model/editorview.h"

#include <array>

/// The main window's text boxes, as plain values.
class RecordingView final : public EditorView
{
public:
    void setHotSpotFileText(const QString &text) override { hotSpotFile = text; }
    QString hotSpotFileText() const override { return hotSpotFile; }
    void setPosText(int index, const QString &text) override { pos.at(index) = text; }
    QString posText(int index) const override { return pos.at(index); }
    void setMousePosText(const QString &text) override { mousePos = text; }
    void setCoordFText(const QString &text) override { coordF = text; }
    void repaintWindow() override { ++repaints; }

    QString hotSpotFile;
    std::array<QString, PosCount> pos;
    QString mousePos;
    QString coordF;
    int repaints = 0;
};
