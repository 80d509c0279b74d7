#include "document/mapdocument.h"

#include "document/hotspotcommands.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The digest of the file's bytes, or nothing when it cannot be read (gone, or not a file).
std::optional<QByteArray> diskDigest(const QString &path)
{
    // Only regular files: reading a pipe or a device could block or never end.
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return std::nullopt;
    return hash.result();
}

QString digestKey(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

MapDocument::MapDocument(QObject *parent)
    : QObject(parent)
{
    connect(&m_stack, &QUndoStack::cleanChanged, this,
        [this](bool clean) { emit modifiedChanged(!clean); });
}

MapDocument::~MapDocument() = default;

void MapDocument::setCoordFilePath(const QString &path)
{
    if (path == m_coordFilePath)
        return;
    m_coordFilePath = path;
    emit coordFilePathChanged(path);
}

void MapDocument::setPicturePath(const QString &path)
{
    m_picturePath = path;
}

void MapDocument::setIsSaved(bool saved)
{
    if (saved == m_isSaved)
        return;
    m_isSaved = saved;
    emit isSavedChanged(saved);
}

MapDocument::AddResult MapDocument::addHotSpot(const QString &coords, const QString &name)
{
    if (m_table.HotSpotNameExists(name))
        return AddResult::NameExists;
    if (m_table.isFull())
        return AddResult::TableFull;
    m_stack.push(new CreateHotSpotCommand(*this, coords, name));
    return AddResult::Added;
}

MapDocument::AddResult MapDocument::addHotSpots(
    const QList<std::pair<QString, QString>> &coordsAndNames)
{
    if (coordsAndNames.size() > freeSlots())
        return AddResult::TableFull;
    QSet<QString> names;
    for (const auto &pair : coordsAndNames) {
        const QString &name = pair.second;
        if (name.isEmpty() || m_table.HotSpotNameExists(name) || names.contains(name))
            return AddResult::NameExists;
        names.insert(name);
    }
    if (!coordsAndNames.isEmpty())
        m_stack.push(new AddHotSpotsCommand(*this, coordsAndNames));
    return AddResult::Added;
}

bool MapDocument::renameHotSpot(int slot, const QString &newName)
{
    if (m_table.HotSpotNameExists(newName)) {
        RefreshImageMap();
        return false;
    }
    m_stack.push(new RenameHotSpotCommand(*this, slot, newName));
    return true;
}

void MapDocument::setCoords(int slot, const QString &coords, const QString &what)
{
    // Nothing to take back when the list stays as it was.
    if (coords == m_table.HotSpotCoords(slot)) {
        RefreshImageMap();
        return;
    }
    m_stack.push(
        new SetCoordsCommand(*this, slot, coords, what + u' ' + m_table.HotSpotNames(slot)));
}

void MapDocument::clearHotSpot(int slot)
{
    if (m_table.HotSpotCoords(slot).isEmpty() && m_table.HotSpotNames(slot).isEmpty()) {
        RefreshImageMap();
        return;
    }
    m_stack.push(new DeleteHotSpotCommand(*this, slot));
}

void MapDocument::RefreshImageMap()
{
    const QString before = m_table.MapText();
    m_table.BuildMapText();
    if (m_table.MapText() != before)
        emit hotSpotsChanged();
}

void MapDocument::undo()
{
    if (!m_stack.canUndo())
        return;
    m_stack.undo();
    setIsSaved(m_stack.isClean());
}

void MapDocument::redo()
{
    if (!m_stack.canRedo())
        return;
    m_stack.redo();
    setIsSaved(m_stack.isClean());
}

void MapDocument::replaceMap(const std::function<void(HotSpotTable &)> &fill, Replaced how)
{
    // Whatever the filling left, it is the map now, and nothing before it can be undone.
    // QUndoStack::clear() leaves an empty stack's clean state alone, so it is set here.
    const auto settle = [&] {
        m_stack.clear();
        if (how == Replaced::FromFile)
            m_stack.setClean();
        else
            m_stack.resetClean();
        emit hotSpotsChanged();
        emit mapReplaced();
    };
    try {
        fill(m_table);
    } catch (...) {
        settle();
        throw;
    }
    settle();
}

void MapDocument::resetCount()
{
    m_table.resetCount();
}

void MapDocument::markSaved()
{
    m_stack.setClean();
    setIsSaved(true);
}

void MapDocument::rememberDiskContents(const QString &path)
{
    if (path.isEmpty())
        return;
    if (const auto digest = diskDigest(path))
        m_diskDigests.insert(digestKey(path), *digest);
    else
        m_diskDigests.remove(digestKey(path));
}

bool MapDocument::changedOnDisk(const QString &path) const
{
    const auto known = m_diskDigests.constFind(digestKey(path));
    if (known == m_diskDigests.cend())
        return false;
    const auto now = diskDigest(path);
    return now && *now != *known;
}

QString MapDocument::menuCaption(const QString &verb, const QString &stepText)
{
    if (stepText.isEmpty())
        return verb;
    QString literal = stepText;
    literal.replace(u'&', u"&&"_s);
    return verb + u' ' + literal;
}
