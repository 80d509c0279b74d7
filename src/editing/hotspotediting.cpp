#include "editing/hotspotediting.h"

#include "document/mapdocument.h"
#include "editing/cornercapture.h"
#include "model/editorview.h"
#include "model/hotspottable.h"
#include "platform/mousekeycodes.h"
#include "platform/prompts.h"
#include "platform/settingsstore.h"

#include <QScopeGuard>

using namespace Qt::StringLiterals;
using namespace MouseKeyCodes;

namespace {

QString nameExistsText()
{
    return u"A Hot Spot with this name already exists"_s;
}

QString mapFullText()
{
    return u"The map is full: it cannot hold more than %1 Hot Spots"_s.arg(HotSpotTable::Capacity);
}

QString changePrompt(const QString &name)
{
    return u"Change "_s + name + u"'s to: "_s;
}

// The map file quotes names and coordinate lists with double quotes and cannot escape them.
bool breaksMapFile(const QString &text)
{
    return text.contains(u'"');
}
} // namespace

HotSpotEditing::HotSpotEditing(
    MapDocument &document, CornerCapture &capture, Prompts &prompts, EditorView &view)
    : m_document(document)
    , m_capture(capture)
    , m_prompts(prompts)
    , m_view(view)
{
}

void HotSpotEditing::ImageMap1_MouseDown(int button, int shift, float x, float y)
{
    m_pressIgnored = resting();
    if (m_pressIgnored)
        return;
    m_capture.CaptureCorner(button, shift, x, y);
}

void HotSpotEditing::ImageMap1_MouseUp(int button, int shift, float x, float y)
{
    // The release of an ignored press is ignored too, and so are the hot-spot events after it.
    if (resting())
        m_pressIgnored = true;
    if (m_pressIgnored)
        return;
    m_capture.CaptureLastCorner(button, shift, x, y);
    MakeHotSpot(button, shift, x, y);
}

void HotSpotEditing::ImageMap1_MouseMove(int, int, float x, float y)
{
    m_capture.showMousePosition(x, y);
}

int HotSpotEditing::findShownHotSpot(const QString &name) const
{
    // The control shows only slots with coordinates. A deleted slot keeps the empty name, so a
    // plain name lookup could pick it instead of the outline that was clicked.
    int found = -1;
    m_document.table().forEachHotSpot([&](int slot, const QString &, const QString &spotName) {
        if (found < 0 && spotName == name)
            found = slot;
    });
    return found;
}

QString HotSpotEditing::askName(
    const QString &prompt, const QString &title, const QString &defaultText)
{
    for (;;) {
        const QString answer = m_prompts.input(prompt, title, defaultText);
        if (!breaksMapFile(answer))
            return answer;
        m_prompts.message(u"A Hot Spot name cannot contain a double quote"_s);
    }
}

void HotSpotEditing::finishHotSpot()
{
    m_document.setIsSaved(false);
    m_capture.reset();
}

void HotSpotEditing::MakeHotSpot(int, int, float, float)
{
    if (!m_capture.Drawing)
        return;
    if (m_document.table().isFull()) {
        // Asked before the name: a name typed here could not be stored.
        m_prompts.message(mapFullText());
        m_capture.reset();
        return;
    }

    // A refused name asks again in a round of its own. When the asking ends, every round still
    // shows the map and marks it changed, even when the last answer was a cancel.
    int refusedRounds = 0;
    for (;;) {
        const QString name =
            askName(u"Enter Name of Hot Spot"_s, u"Make Hot Spot"_s, m_defaultName);
        if (name.isEmpty()) {
            m_capture.reset();
            break;
        }
        const HotSpotTable::AddResult result = m_document.addHotSpot(m_capture.NewCoords, name);
        if (result == HotSpotTable::AddResult::NameExists) {
            m_prompts.message(nameExistsText());
            ++refusedRounds;
            continue;
        }
        if (result == HotSpotTable::AddResult::TableFull) {
            m_prompts.message(mapFullText());
            m_capture.reset();
            break;
        }
        finishHotSpot();
        break;
    }
    for (; refusedRounds > 0; --refusedRounds)
        finishHotSpot();
}

void HotSpotEditing::makeHotSpotNamed(const QString &defaultName)
{
    m_defaultName = defaultName;
    const auto restore = qScopeGuard([this] { m_defaultName.clear(); });
    MakeHotSpot(LeftButton, NoKey, 0, 0);
}

void HotSpotEditing::ImageMap1_HotSpotMouseDown(
    const QString &name, int button, int shift, float, float)
{
    if (m_pressIgnored || resting())
        return;
    // Two captured corners mean a polygon is being drawn: its closing click must not rename.
    if (m_view.posText(1).isEmpty() && button == LeftButton && shift == NoKey)
        renameHotSpot(name);
    else if (button == LeftButton && shift == CtrlKey)
        modifyCoordinates(name);
}

void HotSpotEditing::renameHotSpot(const QString &name)
{
    // As in MakeHotSpot, each refused name is a round of its own that ends by showing the map
    // and marking it changed.
    int refusedRounds = 0;
    for (;;) {
        const QString newName = askName(changePrompt(name), u"Modify Hot Spot's Name"_s);
        if (newName.isEmpty())
            break;
        const int slot = findShownHotSpot(name);
        if (slot >= 0) {
            if (!m_document.renameHotSpot(slot, newName)) {
                m_prompts.message(nameExistsText());
                ++refusedRounds;
                continue;
            }
        }
        m_document.setIsSaved(false);
        break;
    }
    if (refusedRounds > 0)
        m_document.setIsSaved(false);
}

void HotSpotEditing::modifyCoordinates(const QString &name)
{
    const int slot = findShownHotSpot(name);
    if (slot < 0) {
        m_prompts.message(name + u" not found"_s);
        return;
    }
    const QString coords = m_document.table().HotSpotCoords(slot);
    m_view.setCoordFText(coords);
    QString answer;
    for (;;) {
        answer = m_prompts.input(changePrompt(name), u"Modify Coordinates"_s, coords);
        if (!breaksMapFile(answer))
            break;
        m_prompts.message(u"Hot Spot coordinates cannot contain a double quote"_s);
    }
    if (answer.isEmpty())
        return;
    m_document.setCoords(slot, answer, u"Change Coordinates of"_s);
    RefreshImageMap();
    m_document.setIsSaved(false);
}

void HotSpotEditing::ImageMap1_HotSpotMouseUp(const QString &name, int button, int, float, float)
{
    if (button != RightButton || m_pressIgnored || resting())
        return;
    const Prompts::Button answer = m_prompts.message(
        u"Do You Really want to delete "_s + name + u"'s  Hot Spot"_s, Prompts::Buttons::YesNo,
        Prompts::Icon::Information, QtSettingsStore::applicationName());
    if (answer != Prompts::Button::Yes)
        return;
    const int slot = findShownHotSpot(name);
    if (slot >= 0) {
        m_document.clearHotSpot(slot);
        RefreshImageMap();
    }
    m_document.setIsSaved(false);
}

void HotSpotEditing::RefreshImageMap()
{
    m_document.RefreshImageMap();
}
