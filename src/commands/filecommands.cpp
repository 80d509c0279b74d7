#include "commands/filecommands.h"

#include "document/mapdocument.h"
#include "model/coordfile.h"
#include "model/editorview.h"
#include "model/hotspottable.h"
#include "platform/apperror.h"
#include "platform/prompts.h"

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

} // namespace

FileCommands::FileCommands(
    MapDocument &document, Prompts &prompts, SettingsStore &settings, EditorView &view)
    : m_document(document)
    , m_prompts(prompts)
    , m_settings(settings)
    , m_view(view)
{
}

bool FileCommands::mayReplace(const QString &path)
{
    if (!m_document.changedOnDisk(path))
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
        m_document.setCoordFilePath(path);
        m_document.replaceMap(
            [&](HotSpotTable &table) {
                table.EraseHotSpots();
                ReadCoordFile(path, table, m_prompts, m_settings, m_view);
            },
            MapDocument::Replaced::FromFile);
        m_document.rememberDiskContents(path);
    } catch (...) {
        // Whatever failed, the user gets the command's own message with the closest number.
        const QString number = QString::number(AppError::fromCurrentException().number);
        m_prompts.message(u"cmdcoordfile_Click_ERR: "_s + number + u' ' + number);
    }
}

FileCommands::SaveOutcome FileCommands::mnuSave_Click()
{
    const QString path = m_document.CoordFilePath();
    if (path.isEmpty())
        return mnuSaveAs_Click();
    // Declining keeps both versions: the edits go to a file of the user's choosing.
    if (!mayReplace(path))
        return mnuSaveAs_Click();
    const bool written = WriteCoordFile(path, m_document.table(), m_prompts, m_settings);
    if (written)
        m_document.rememberDiskContents(path);
    return saved(written);
}

FileCommands::SaveOutcome FileCommands::mnuSaveAs_Click()
{
    Prompts::FileDialog dialog = mapDialog();
    dialog.confirmOverwrite = true;
    const QString path = m_prompts.saveFile(dialog);
    if (path.isEmpty())
        return SaveOutcome::Cancelled;

    m_document.setCoordFilePath(path);
    m_view.setHotSpotFileText(path);
    const bool written = WriteCoordFile(path, m_document.table(), m_prompts, m_settings);
    if (written)
        m_document.rememberDiskContents(path);
    return saved(written);
}

FileCommands::SaveOutcome FileCommands::saved(bool written)
{
    // A failed write keeps the edits marked unsaved, so the guard still offers to save them.
    if (!written)
        return SaveOutcome::Failed;
    m_document.markSaved();
    return SaveOutcome::Written;
}
