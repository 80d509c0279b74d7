#include "app/recovery.h"

#include "document/mapdocument.h"
#include "model/editorview.h"
#include "model/hotspottable.h"
#include "model/maptext.h"
#include "model/recoverycopy.h"
#include "platform/prompts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

const QString caption = u"Recover?"_s;

QString lockPathFor(const QString &copyPath)
{
    return copyPath.chopped(4) + u".lock"_s;
}

// Held for the whole run: never stale by age, only when its process is gone.
std::unique_ptr<QLockFile> lockFor(const QString &copyPath)
{
    auto lock = std::make_unique<QLockFile>(lockPathFor(copyPath));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

} // namespace

Recovery::Recovery(MapDocument &document, Prompts &prompts, EditorView &view, const QString &folder,
    std::chrono::milliseconds delay)
    : m_document(document)
    , m_prompts(prompts)
    , m_view(view)
    , m_folder(folder)
    , m_copyPath(QDir(folder).filePath(u"%1-%2.map"_s.arg(QCoreApplication::applicationPid())
                                           .arg(QDateTime::currentMSecsSinceEpoch())))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(delay);
    connect(&m_timer, &QTimer::timeout, this, &Recovery::update);
    connect(&m_document, &MapDocument::hotSpotsChanged, this, &Recovery::changed);
    connect(&m_document, &MapDocument::modifiedChanged, this, &Recovery::changed);
}

// An end that is neither Exit nor the close box keeps the copy for the next start.
Recovery::~Recovery() = default;

QString Recovery::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + u"/recovery"_s;
}

void Recovery::changed()
{
    if (m_ended)
        return;
    if (!m_document.isModified()) {
        m_timer.stop();
        removeCopy();
    } else if (!m_timer.isActive()) {
        m_timer.start();
    }
}

void Recovery::update()
{
    if (m_ended)
        return;
    if (!m_document.isModified())
        removeCopy();
    else
        write();
}

void Recovery::write()
{
    if (!m_lock) {
        QDir().mkpath(m_folder);
        m_lock = lockFor(m_copyPath);
        if (!m_lock) {
            qWarning("cannot lock the recovery copy %s", qPrintable(m_copyPath));
            return;
        }
    }
    QSaveFile file(m_copyPath);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(RecoveryCopy::format(m_document.CoordFilePath(), m_document.table())) < 0
        || !file.commit())
        qWarning("cannot write the recovery copy %s: %s", qPrintable(m_copyPath),
            qPrintable(file.errorString()));
}

void Recovery::removeCopy()
{
    QFile::remove(m_copyPath);
}

void Recovery::end()
{
    m_ended = true;
    m_timer.stop();
    removeCopy();
    m_lock.reset();
}

void Recovery::offerRecovery()
{
    const QFileInfoList copies =
        QDir(m_folder).entryInfoList({ u"*.map"_s }, QDir::Files | QDir::Hidden, QDir::Time);
    for (const QFileInfo &copy : copies) {
        if (copy.absoluteFilePath() != QFileInfo(m_copyPath).absoluteFilePath()
            && offer(copy.absoluteFilePath()))
            return;
    }
}

bool Recovery::offer(const QString &path)
{
    // A copy whose lock is held belongs to a program that is still running.
    const std::unique_ptr<QLockFile> lock = lockFor(path);
    if (!lock)
        return false;
    QFile file(path);
    std::optional<RecoveryCopy::Contents> contents;
    if (file.open(QIODevice::ReadOnly))
        contents = RecoveryCopy::parse(file.readAll());
    file.close();
    if (!contents) {
        m_prompts.message(u"The recovery copy "_s + path + u" is damaged and has been removed."_s,
            Prompts::Buttons::Ok, Prompts::Icon::None, caption);
        QFile::remove(path);
        return false;
    }

    const QString mapName = contents->mapPath.isEmpty() ? u"a new map"_s : contents->mapPath;
    const Prompts::Button answer = m_prompts.messageWithDefault(
        u"Quorvel closed without saving changes to "_s + mapName + u". Restore them?"_s,
        Prompts::Buttons::YesNo, Prompts::Icon::None, caption, Prompts::Button::Yes);
    if (answer == Prompts::Button::Yes) {
        m_document.setCoordFilePath(contents->mapPath);
        m_view.setHotSpotFileText(contents->mapPath);
        // A later save asks before it writes over a change someone else makes to the file.
        m_document.rememberDiskContents(contents->mapPath);
        m_document.replaceMap(
            [&](HotSpotTable &table) {
                table.EraseHotSpots();
                table.beginRead(MapFormat::header());
                for (const RecoveryCopy::HotSpot &spot : std::as_const(contents->hotSpots)) {
                    const int slot = table.claimReadSlot();
                    table.storeReadCoords(slot, spot.coords);
                    table.storeReadName(slot, spot.name);
                }
                table.BuildMapText();
            },
            MapDocument::Replaced::Unsaved);
        m_document.setIsSaved(false);
        // This run's copy takes over before the old one goes.
        m_timer.stop();
        write();
    }
    QFile::remove(path);
    return answer == Prompts::Button::Yes;
}
