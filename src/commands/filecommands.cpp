#include "commands/filecommands.h"

#include "imagemap/imagemapcontrol.h"
#include "model/coordfile.h"
#include "model/editorview.h"
#include "model/hotspottable.h"
#include "platform/apperror.h"
#include "platform/prompts.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

Prompts::FileDialog mapDialog()
{
    Prompts::FileDialog dialog;
    dialog.filter = u"Map|*.map"_s;
    dialog.defaultSuffix = u"map"_s;
    return dialog;
}

// Only the last three characters count, whatever comes before them: "xmap" passes too.
bool hasMapType(const QString &path)
{
    return path.right(3).toUpper() == u"MAP"_s;
}

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

FileCommands::FileCommands(HotSpotTable &table, Prompts &prompts, SettingsStore &settings,
    EditorView &view, ImageMapControl &control)
    : m_table(table)
    , m_prompts(prompts)
    , m_settings(settings)
    , m_view(view)
    , m_control(control)
{
}

void FileCommands::rememberDiskContents(const QString &path)
{
    if (path.isEmpty())
        return;
    if (const auto digest = diskDigest(path))
        m_diskDigests.insert(digestKey(path), *digest);
    else
        m_diskDigests.remove(digestKey(path));
}

bool FileCommands::changedOnDisk(const QString &path) const
{
    const auto known = m_diskDigests.constFind(digestKey(path));
    if (known == m_diskDigests.cend())
        return false;
    const auto now = diskDigest(path);
    return now && *now != *known;
}

bool FileCommands::mayReplace(const QString &path)
{
    if (!changedOnDisk(path))
        return true;
    return m_prompts.messageWithDefault(
               path + u" was changed by another program since it was opened. Replace it?"_s,
               Prompts::Buttons::YesNo, Prompts::Icon::None, u"Replace?"_s, Prompts::Button::No)
        == Prompts::Button::Yes;
}

void FileCommands::mnuLoad_Click()
{
    try {
        if (m_askToSave)
            m_askToSave();
        m_view.setHotSpotFileText(QString());

        Prompts::FileDialog dialog = mapDialog();
        dialog.fileMustExist = true;
        const QString path = m_prompts.openFile(dialog);
        if (path.isEmpty())
            return;
        if (!hasMapType(path)) {
            m_prompts.message(u"Not a .MAP file type!"_s);
            return;
        }

        m_view.setHotSpotFileText(path);
        CoordFilePath = path;
        m_table.EraseHotSpots();
        if (m_mapReplaced)
            m_mapReplaced();
        ReadCoordFile(CoordFilePath, m_table, m_prompts, m_settings, m_view);
        rememberDiskContents(CoordFilePath);
        m_control.setCoordsString(m_table.MapText);
    } catch (...) {
        // Whatever failed, the user gets the command's own message with the closest number.
        const QString number = QString::number(AppError::fromCurrentException().number);
        m_prompts.message(u"cmdcoordfile_Click_ERR: "_s + number + u' ' + number);
    }
}

FileCommands::SaveOutcome FileCommands::mnuSave_Click()
{
    if (CoordFilePath.isEmpty())
        return mnuSaveAs_Click();
    // Declining keeps both versions: the edits go to a file of the user's choosing.
    if (!mayReplace(CoordFilePath))
        return mnuSaveAs_Click();
    const bool written = WriteCoordFile(CoordFilePath, m_table, m_prompts, m_settings);
    if (written)
        rememberDiskContents(CoordFilePath);
    m_control.setCoordsString(m_table.MapText);
    return saved(written);
}

FileCommands::SaveOutcome FileCommands::mnuSaveAs_Click()
{
    Prompts::FileDialog dialog = mapDialog();
    dialog.confirmOverwrite = true;
    const QString path = m_prompts.saveFile(dialog);
    if (path.isEmpty())
        return SaveOutcome::Cancelled;

    CoordFilePath = path;
    m_control.setCoordsString(m_table.MapText);
    m_view.setHotSpotFileText(CoordFilePath);
    const bool written = WriteCoordFile(CoordFilePath, m_table, m_prompts, m_settings);
    if (written)
        rememberDiskContents(CoordFilePath);
    return saved(written);
}

FileCommands::SaveOutcome FileCommands::saved(bool written)
{
    // A failed write keeps the edits marked unsaved, so the guard still offers to save them.
    if (!written)
        return SaveOutcome::Failed;
    m_view.setIsSaved(true);
    if (m_mapSaved)
        m_mapSaved();
    return SaveOutcome::Written;
}
