#include "commands/filecommands.h"

#include "imagemap/imagemapcontrol.h"
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

FileCommands::FileCommands(HotSpotTable &table, Prompts &prompts, SettingsStore &settings,
    EditorView &view, ImageMapControl &control)
    : m_table(table)
    , m_prompts(prompts)
    , m_settings(settings)
    , m_view(view)
    , m_control(control)
{
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
    const bool written = WriteCoordFile(CoordFilePath, m_table, m_prompts, m_settings);
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
    return saved(WriteCoordFile(CoordFilePath, m_table, m_prompts, m_settings));
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
