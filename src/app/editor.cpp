#include "app/editor.h"

#include "app/appshell.h"
#include "app/recovery.h"
#include "commands/filecommands.h"
#include "document/mapdocument.h"
#include "editing/controlsync.h"
#include "editing/cornercapture.h"
#include "editing/hotspotediting.h"
#include "editing/movecorners.h"
#include "editing/siteoutliner.h"
#include "imagemap/imagemap.h"
#include "platform/guarded.h"
#include "platform/screenmetrics.h"
#include "sites/detectsiteswindow.h"
#include "sites/findhotspotbox.h"
#include "sites/pageimport.h"
#include "sites/siteswindow.h"
#include "sites/webpagecommands.h"

#include <QDesktopServices>

Editor::Editor(
    Prompts &prompts, SettingsStore &settings, EditorView &view, ImageMap &control, QWidget *window)
    : m_prompts(prompts)
    , m_settings(settings)
    , m_control(control)
    , m_document(std::make_unique<MapDocument>())
{
    MapDocument &document = *m_document;
    m_capture = std::make_unique<CornerCapture>(view, control, twipsPerPixelX(), twipsPerPixelY());
    m_editing = std::make_unique<HotSpotEditing>(document, *m_capture, prompts, view);
    m_moveCorners = std::make_unique<MoveCorners>(document, control);
    // While Move Corners is on, the clicks that edit hot spots rest, handles or not.
    m_editing->setResting([this] { return m_moveCorners->isOn(); });
    m_files = std::make_unique<FileCommands>(document, prompts, settings, view);
    m_recovery = std::make_unique<Recovery>(document, prompts, view);
    m_shell = std::make_unique<AppShell>(
        document, *m_capture, *m_files, prompts, settings, view, control);
    m_shell->setRecovery(m_recovery.get());
    m_import = std::make_unique<PageImport>(document, prompts, settings, view, control);
    m_import->setAskToSave([this] { m_shell->AskToSave(); });
    m_web = std::make_unique<WebPageCommands>(
        document.table(), prompts,
        [this] {
            return WebPageCommands::Picture { m_document->shownPicturePath(), m_control.picture() };
        },
        [this] { return m_document->CoordFilePath(); },
        [](const QUrl &url) { return QDesktopServices::openUrl(url); });
    m_sites = std::make_unique<SitesWindow>(document.table(), prompts, settings, window);
    m_find = std::make_unique<FindHotSpotBox>(document.table(), prompts, window);

    // The views follow the document.
    showMapOnControl(document, control);
    QObject::connect(
        &document, &MapDocument::hotSpotsChanged, m_sites.get(), &SitesWindow::tableChanged);
    QObject::connect(&document, &MapDocument::hotSpotsChanged, m_find.get(), [this] {
        // A hidden box takes the names when it is shown.
        if (m_find->isVisible())
            m_find->updateNames();
    });
    QObject::connect(m_sites.get(), &SitesWindow::hotSpotSelected, m_find.get(),
        [this](const QString &name) { m_find->find(name); });

    m_outliner = std::make_unique<SiteOutliner>(document, *m_capture, *m_editing, prompts,
        SiteOutliner::Sources { [this] { return m_control.picture(); },
            [this] { return m_sites->registerSites(); },
            [this] { return m_moveCorners->isOn(); } });
    QObject::connect(&control, &ImageMap::MouseDown, &control, [this](int button, int shift) {
        if (!m_control.pictureSize().isEmpty())
            m_outliner->pressed(button, shift);
    });
    QObject::connect(
        &control, &ImageMap::pictureDoubleClicked, &control, [this](QPoint pixel, int shift) {
            guarded(m_prompts, [&] { m_outliner->doubleClicked(pixel, shift); });
        });

    m_detect = std::make_unique<DetectSitesWindow>(document, prompts,
        DetectSitesWindow::Sources {
            [this] { return m_control.picture(); }, [this] { return m_sites->registerSites(); } },
        window);
    QObject::connect(
        m_detect.get(), &DetectSitesWindow::proposalsChanged, &control, &ImageMap::setProposals);
}

Editor::~Editor() = default;
