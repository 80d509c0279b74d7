#include "app/frmdesign.h"
#include "ui_frmdesign.h"

#include "app/about.h"
#include "app/appshell.h"
#include "app/help.h"
#include "app/recovery.h"
#include "commands/filecommands.h"
#include "commands/picturecommands.h"
#include "editing/cornercapture.h"
#include "editing/edithistory.h"
#include "editing/hotspotediting.h"
#include "editing/movecorners.h"
#include "imagemap/imagemap.h"
#include "imagemap/zoomladder.h"
#include "imagemap/zoomnavigator.h"
#include "platform/guarded.h"
#include "platform/mousekeycodes.h"
#include "platform/screenmetrics.h"
#include "sites/findhotspotbox.h"
#include "sites/pageimport.h"
#include "sites/siteswindow.h"
#include "sites/webpagecommands.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Where start-up and the reset button put the display control. The vertical bar at 0 puts it
// one unit higher: that offset has always been part of how the window scrolls.
constexpr int homeLeft = 16;
constexpr int homeTop = 50;
constexpr int scrolledTop = 49;

constexpr int scrollStep = 20;

// The character a key press types. Ctrl+letter types a control character (Ctrl+S is 19), but
// not every platform puts it in text(), so it is derived from the key as well.
int keyAscii(const QKeyEvent &event)
{
    const QString text = event.text();
    if (text.size() == 1 && text.front().unicode() < 0x20)
        return text.front().unicode();
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier)
        && event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z)
        return event.key() - Qt::Key_A + 1;
    return text.isEmpty() ? 0 : text.front().unicode();
}

} // namespace

frmDesign::frmDesign(QWidget *parent, PicturePreload *preload)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::frmDesign>())
    , m_prompts(this)
{
    ui->setupUi(this);
    POS = { ui->POS0, ui->POS1, ui->POS2, ui->POS3, ui->POS4, ui->POS5, ui->POS6, ui->POS7,
        ui->POS8, ui->POS9, ui->POS10, ui->POS11 };

    QIcon icon;
    icon.addFile(u":/icons/quorvel-16.png"_s, QSize(16, 16));
    icon.addFile(u":/icons/quorvel-32.png"_s, QSize(32, 32));
    setWindowIcon(icon);

    ImageMap &control = *ui->ImageMap1;
    m_history = std::make_unique<EditHistory>(m_table, *this, control);
    m_capture = std::make_unique<CornerCapture>(*this, control, twipsPerPixelX(), twipsPerPixelY());
    m_editing = std::make_unique<HotSpotEditing>(
        m_table, *m_history, *m_capture, m_prompts, *this, control);
    m_moveCorners = std::make_unique<MoveCorners>(m_table, *m_history, *this, control);
    m_files = std::make_unique<FileCommands>(m_table, m_prompts, m_settings, *this, control);
    m_recovery =
        std::make_unique<Recovery>(m_table, *m_history, *m_files, m_prompts, *this, control);
    m_shell = std::make_unique<AppShell>(
        m_table, *m_history, *m_capture, *m_files, m_prompts, m_settings, *this, control);
    m_shell->setRecovery(m_recovery.get());

    // Bars at 0 show the picture's top-left corner; arrows move by a step, the trough by what
    // is visible.
    for (QScrollBar *bar : { ui->HScroll1, ui->VScroll1 }) {
        bar->setRange(0, 0);
        bar->setSingleStep(scrollStep);
    }
    m_zoom = std::make_unique<ZoomNavigator>(
        control, *ui->HScroll1, *ui->VScroll1, *ui->centralwidget, QPoint(homeLeft, scrolledTop));
    buildViewMenu();

    connect(ui->Btn_Reset, &QPushButton::clicked, this, &frmDesign::Btn_Reset_Click);
    connect(ui->HScroll1, &QScrollBar::valueChanged, this, &frmDesign::HScroll1_Change);
    connect(ui->VScroll1, &QScrollBar::valueChanged, this, &frmDesign::VScroll1_Change);

    connect(ui->mnuSetPic, &QAction::triggered, this, &frmDesign::mnuSetPic_Click);
    connect(ui->mnuLoad, &QAction::triggered, this, &frmDesign::mnuLoad_Click);
    connect(ui->mnuSave, &QAction::triggered, this, &frmDesign::mnuSave_Click);
    connect(ui->mnuSaveAs, &QAction::triggered, this, &frmDesign::mnuSaveAs_Click);
    connect(ui->mnuExit, &QAction::triggered, this, &frmDesign::mnuExit_Click);
    connect(ui->mnuClear, &QAction::triggered, this, &frmDesign::mnuClear_Click);
    connect(ui->mnuHelp, &QAction::triggered, this, &frmDesign::mnuHelp_Click);
    connect(ui->mnuAbout, &QAction::triggered, this, &frmDesign::mnuAbout_Click);
    setUpEditMenu();

    m_import =
        std::make_unique<PageImport>(m_table, *m_files, m_prompts, m_settings, *this, control);
    m_import->setAskToSave([this] { m_shell->AskToSave(); });
    m_import->setPictureUsed([this](const QString &path) { m_picturePath = path; });
    // An imported map is in no file: nothing before it can be undone, and no step is saved.
    m_import->setClearHistory([this] { m_history->forgetUnsaved(); });

    connect(&control, &ImageMap::MouseDown, this, &frmDesign::ImageMap1_MouseDown);
    connect(&control, &ImageMap::MouseUp, this, &frmDesign::ImageMap1_MouseUp);
    connect(&control, &ImageMap::MouseMove, this, &frmDesign::ImageMap1_MouseMove);
    connect(&control, &ImageMap::HotSpotMouseDown, this, &frmDesign::ImageMap1_HotSpotMouseDown);
    connect(&control, &ImageMap::HotSpotMouseUp, this, &frmDesign::ImageMap1_HotSpotMouseUp);

    // Keys reach the window before the focused control, and the control's size decides how
    // far the bars go.
    qApp->installEventFilter(this);

    placeOnScreen();
    m_shell->setPicturePreload(preload);
    guarded(m_prompts, [this] { m_shell->Form_Load(); });
    if (!control.pictureSize().isEmpty())
        m_picturePath = m_shell->PicturePath;
    m_shell->setPicturePreload(nullptr);
    updateScrollRanges();
    buildSiteActions();
    ui->mnuTools->addSeparator();
    QAction *importPage = ui->mnuTools->addAction(u"&Import Web Page Map…"_s);
    importPage->setObjectName(u"mnuImportWebPageMap"_s);
    connect(importPage, &QAction::triggered, this, &frmDesign::mnuImportWebPageMap_Click);
    // Once the window shows: changes a crash left behind are offered after start-up.
    QTimer::singleShot(
        0, this, [this] { guarded(m_prompts, [this] { m_recovery->offerRecovery(); }); });
}

void frmDesign::buildSiteActions()
{
    ImageMap &control = *ui->ImageMap1;
    m_web = std::make_unique<WebPageCommands>(
        m_table, m_prompts,
        [this] {
            return WebPageCommands::Picture { m_picturePath, ui->ImageMap1->picture() };
        },
        [this] { return m_files->CoordFilePath; },
        [](const QUrl &url) { return QDesktopServices::openUrl(url); });
    m_sites = std::make_unique<SitesWindow>(m_table, m_prompts, m_settings, this);
    m_find = std::make_unique<FindHotSpotBox>(m_table, m_prompts, this);
    // Every change to the table ends with the control showing the new map text.
    connect(&control, &ImageMap::areasChanged, m_sites.get(), &SitesWindow::tableChanged);
    connect(&control, &ImageMap::areasChanged, m_find.get(), [this] {
        // A hidden box takes the names when it is shown.
        if (m_find->isVisible())
            m_find->updateNames();
    });
    connect(m_find.get(), &FindHotSpotBox::found, this, &frmDesign::showFoundHotSpot);
    connect(m_sites.get(), &SitesWindow::hotSpotSelected, this,
        [this](const QString &name) { m_find->find(name); });

    const auto add = [this](QMenu *menu, const char *name, const QString &text,
                         const QKeySequence &keys, void (frmDesign::*slot)()) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, slot);
        // The keys work in the Sites window too.
        m_sites->addAction(action);
    };
    ui->mnuEdit->addSeparator();
    add(ui->mnuEdit, "mnuFindHotSpot", u"Find Hot Spot\u2026"_s, QKeySequence(u"Ctrl+F"_s),
        &frmDesign::mnuFindHotSpot_Click);
    add(ui->mnuTools, "mnuSites", u"&Sites\u2026"_s, QKeySequence(u"Ctrl+L"_s),
        &frmDesign::mnuSites_Click);
    add(ui->mnuTools, "mnuPreview", u"&Preview in Browser"_s, QKeySequence(Qt::Key_F5),
        &frmDesign::mnuPreview_Click);
    add(ui->mnuTools, "mnuExportPage", u"&Export Web Page\u2026"_s, QKeySequence(),
        &frmDesign::mnuExportPage_Click);

    // A register remembered from an earlier run is compared again.
    guarded(m_prompts, [this] { m_sites->restoreRegister(); });
}

frmDesign::~frmDesign()
{
    qApp->removeEventFilter(this);
}

void frmDesign::setUpEditMenu()
{
    ui->mnuRedo->setShortcuts(
        { QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z) });
    connect(ui->mnuUndo, &QAction::triggered, this, &frmDesign::mnuUndo_Click);
    connect(ui->mnuRedo, &QAction::triggered, this, &frmDesign::mnuRedo_Click);
    connect(ui->mnuMoveCorners, &QAction::toggled, this, &frmDesign::mnuMoveCorners_Click);
    ImageMap *control = ui->ImageMap1;
    connect(control, &ImageMap::cornerMoved, this, [this](int polygon, int corner, QPoint pixel) {
        guarded(m_prompts, [&] { m_moveCorners->moveCorner(polygon, corner, pixel); });
    });
    connect(control, &ImageMap::cornerInserted, this,
        [this](int polygon, int afterCorner, QPoint pixel) {
            guarded(m_prompts, [&] { m_moveCorners->insertCorner(polygon, afterCorner, pixel); });
        });
    connect(control, &ImageMap::cornerRemoved, this, [this](int polygon, int corner) {
        guarded(m_prompts, [&] { m_moveCorners->removeCorner(polygon, corner); });
    });

    const QUndoStack &stack = m_history->stack();
    connect(&stack, &QUndoStack::canUndoChanged, ui->mnuUndo, &QAction::setEnabled);
    connect(&stack, &QUndoStack::canRedoChanged, ui->mnuRedo, &QAction::setEnabled);
    connect(&stack, &QUndoStack::undoTextChanged, this, [this](const QString &text) {
        ui->mnuUndo->setText(EditHistory::menuCaption(u"Undo"_s, text));
    });
    connect(&stack, &QUndoStack::redoTextChanged, this, [this](const QString &text) {
        ui->mnuRedo->setText(EditHistory::menuCaption(u"Redo"_s, text));
    });
}

// The client area has the designed size, with the menu bar above it, and the window opens
// centred on the screen where it fits; elsewhere it starts at the screen's top-left corner and
// shows what fits, so that the menus, bars and reset button stay within reach.
void frmDesign::placeOnScreen()
{
    resize(1657, 927 + menuBar()->sizeHint().height());
    const QScreen *target = screen();
    if (!target)
        return;
    const QRect place = windowPlacement(size(), target->availableGeometry());
    if (place.size() == size()) {
        setGeometry(place);
    } else {
        // move() places the frame, so that the title bar is on the screen too.
        resize(place.size());
        move(place.topLeft());
    }
}

void frmDesign::buildViewMenu()
{
    const auto add = [this](const char *name, const QString &text, const QList<QKeySequence> &keys,
                         void (ZoomNavigator::*slot)()) {
        QAction *action = ui->mnuView->addAction(text);
        action->setObjectName(QLatin1StringView(name));
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this,
            [this, slot] { guarded(m_prompts, [&] { (m_zoom.get()->*slot)(); }); });
    };
    add("mnuZoomIn", u"Zoom In"_s,
        { QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal) },
        &ZoomNavigator::zoomIn);
    add("mnuZoomOut", u"Zoom Out"_s, { QKeySequence(Qt::CTRL | Qt::Key_Minus) },
        &ZoomNavigator::zoomOut);
    add("mnuFitPicture", u"Fit Picture"_s, { QKeySequence(Qt::CTRL | Qt::Key_0) },
        &ZoomNavigator::fitPicture);
    add("mnuActualSize", u"Actual Size"_s, { QKeySequence(Qt::CTRL | Qt::Key_1) },
        &ZoomNavigator::actualSize);

    // The zoom shows at the menu bar's far end, clear of the picture.
    m_zoomLabel = new QLabel(ZoomLadder::percentText(1.0), menuBar());
    m_zoomLabel->setObjectName(u"lblZoom"_s);
    m_zoomLabel->setContentsMargins(8, 0, 8, 0);
    menuBar()->setCornerWidget(m_zoomLabel, Qt::TopRightCorner);
    connect(m_zoom.get(), &ZoomNavigator::zoomChanged, m_zoomLabel,
        [this](double zoom) { m_zoomLabel->setText(ZoomLadder::percentText(zoom)); });
}

void frmDesign::showPictureRect(const QRectF &pictureRect)
{
    m_zoom->showPictureRect(pictureRect);
}

void frmDesign::setHotSpotFileText(const QString &text)
{
    ui->txtHotSpotfile->setText(text);
}

QString frmDesign::hotSpotFileText() const
{
    return ui->txtHotSpotfile->text();
}

void frmDesign::setPosText(int index, const QString &text)
{
    POS.at(index)->setText(text);
}

QString frmDesign::posText(int index) const
{
    return POS.at(index)->text();
}

void frmDesign::setMousePosText(const QString &text)
{
    ui->Mouse_Pos->setText(text);
}

void frmDesign::setCoordFText(const QString &text)
{
    ui->Coord_F->setText(text);
}

void frmDesign::repaintWindow()
{
    repaint();
}

// Text boxes claim Ctrl+Z and Ctrl+Y for their own undo; in this window those keys belong to
// the hot spots.
bool frmDesign::isEditShortcut(const QKeyEvent &event) const
{
    const QKeySequence pressed(event.keyCombination());
    for (const QAction *action : ui->mnuEdit->actions()) {
        if (action->isEnabled() && action->shortcuts().contains(pressed))
            return true;
    }
    return false;
}

bool frmDesign::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        if (watched->isWidgetType() && static_cast<QWidget *>(watched)->window() == this
            && isEditShortcut(*static_cast<QKeyEvent *>(event)))
            return true;
        break;
    case QEvent::KeyPress:
        // Real key events enter through the window itself, once, before any widget sees them.
        if (watched == windowHandle()) {
            const auto *key = static_cast<QKeyEvent *>(event);
            Form_KeyPress(keyAscii(*key));
            // Escape and Backspace edit a polygon under construction instead of the focused box.
            bool used = key->key() == Qt::Key_Escape && ui->ImageMap1->cancelCornerDrag();
            if (!used)
                guarded(m_prompts, [&] { used = m_capture->keyPressed(key->key()); });
            if (used)
                return true;
        }
        break;
    case QEvent::KeyRelease:
        if (watched == windowHandle()) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (!key->isAutoRepeat())
                Form_KeyUp(key->key() == Qt::Key_F1 ? MouseKeyCodes::KeyCodeF1 : 0,
                    MouseKeyCodes::shiftCode(key->modifiers()));
        }
        break;
    case QEvent::Resize:
        if (watched == ui->ImageMap1 || watched == ui->centralwidget)
            updateScrollRanges();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmDesign::Form_KeyPress(int keyAscii)
{
    if (keyAscii == MouseKeyCodes::KeyAsciiCtrlS)
        mnuSave_Click();
    else if (keyAscii == MouseKeyCodes::KeyAsciiCtrlO)
        mnuLoad_Click();
}

void frmDesign::Form_KeyUp(int keyCode, int shift)
{
    Q_UNUSED(shift)
    if (keyCode == MouseKeyCodes::KeyCodeF1)
        mnuHelp_Click();
}

void frmDesign::closeEvent(QCloseEvent *event)
{
    // Exit has already run it; the shell makes a second call do nothing.
    guarded(m_prompts, [this] { m_shell->Form_Terminate(); });
    event->accept();
}

// A bar at its maximum shows the control's far edge at the client area's edge.
void frmDesign::updateScrollRanges()
{
    m_zoom->updateScrollRanges();
}

void frmDesign::Btn_Reset_Click()
{
    guarded(m_prompts, [this] {
        ui->ImageMap1->setTop(homeTop);
        ui->ImageMap1->setLeft(homeLeft);
    });
}

void frmDesign::HScroll1_Change()
{
    guarded(m_prompts, [this] { ui->ImageMap1->setLeft(float(homeLeft - ui->HScroll1->value())); });
}

void frmDesign::VScroll1_Change()
{
    guarded(
        m_prompts, [this] { ui->ImageMap1->setTop(float(scrolledTop - ui->VScroll1->value())); });
}

void frmDesign::mnuSetPic_Click()
{
    guarded(m_prompts, [this] {
        const QString shown = ChooseMapPicture(m_prompts, m_settings, *ui->ImageMap1);
        if (!shown.isEmpty())
            m_picturePath = shown;
    });
}

void frmDesign::mnuFindHotSpot_Click()
{
    m_find->show();
    m_find->raise();
    m_find->activateWindow();
    m_find->nameField()->setFocus();
    m_find->nameField()->selectAll();
}

void frmDesign::mnuSites_Click()
{
    if (!m_sites->isVisible()) {
        // Beside the main window where the screen has room, else over its right edge.
        const QRect main = frameGeometry();
        QRect place(QPoint(main.right() + 1, main.top()), m_sites->size());
        if (const QScreen *target = screen()) {
            const QRect available = target->availableGeometry();
            if (place.right() > available.right())
                place.moveRight(available.right());
        }
        m_sites->move(place.topLeft());
    }
    m_sites->show();
    m_sites->raise();
    m_sites->activateWindow();
}

void frmDesign::mnuPreview_Click()
{
    guarded(m_prompts, [this] { m_web->previewInBrowser(); });
}

void frmDesign::mnuExportPage_Click()
{
    guarded(m_prompts, [this] { m_web->exportWebPage(); });
}

void frmDesign::showFoundHotSpot(const QString &name, const QRectF &bounds)
{
    showPictureRect(bounds);
    ui->ImageMap1->flashHotSpot(name, 2000);
}

void frmDesign::mnuLoad_Click()
{
    guarded(m_prompts, [this] { m_files->mnuLoad_Click(); });
}

void frmDesign::mnuSave_Click()
{
    guarded(m_prompts, [this] { m_files->mnuSave_Click(); });
}

void frmDesign::mnuSaveAs_Click()
{
    guarded(m_prompts, [this] { m_files->mnuSaveAs_Click(); });
}

void frmDesign::mnuExit_Click()
{
    guarded(m_prompts, [this] { m_shell->Form_Terminate(); });
    // The last window closing ends the program; closeEvent finds the termination done.
    close();
}

void frmDesign::mnuClear_Click()
{
    guarded(m_prompts, [this] { m_shell->mnuClear_Click(); });
}

void frmDesign::mnuHelp_Click()
{
    guarded(m_prompts, [this] {
        try {
            if (!m_help)
                m_help = std::make_unique<Help>();
            m_help->exec();
        } catch (const AppError &e) {
            m_prompts.message(u"mnuHelp_ERR: %1 %1"_s.arg(e.number), Prompts::Buttons::Ok,
                Prompts::Icon::None, {});
        }
    });
}

void frmDesign::mnuImportWebPageMap_Click()
{
    guarded(m_prompts, [this] { m_import->mnuImportWebPageMap_Click(); });
}

void frmDesign::mnuAbout_Click()
{
    guarded(m_prompts, [this] {
        if (!m_about)
            m_about = std::make_unique<About>();
        m_about->exec();
    });
}

void frmDesign::mnuUndo_Click()
{
    guarded(m_prompts, [this] { m_history->undo(); });
}

void frmDesign::mnuRedo_Click()
{
    guarded(m_prompts, [this] { m_history->redo(); });
}

void frmDesign::mnuMoveCorners_Click(bool on)
{
    guarded(m_prompts, [&] { m_moveCorners->setOn(on); });
}

void frmDesign::ImageMap1_MouseDown(int button, int shift, float x, float y)
{
    guarded(m_prompts, [&] { m_editing->ImageMap1_MouseDown(button, shift, x, y); });
}

void frmDesign::ImageMap1_MouseUp(int button, int shift, float x, float y)
{
    guarded(m_prompts, [&] { m_editing->ImageMap1_MouseUp(button, shift, x, y); });
}

void frmDesign::ImageMap1_MouseMove(int button, int shift, float x, float y)
{
    guarded(m_prompts, [&] { m_editing->ImageMap1_MouseMove(button, shift, x, y); });
}

void frmDesign::ImageMap1_HotSpotMouseDown(
    const QString &name, int button, int shift, float x, float y)
{
    guarded(m_prompts, [&] { m_editing->ImageMap1_HotSpotMouseDown(name, button, shift, x, y); });
}

void frmDesign::ImageMap1_HotSpotMouseUp(
    const QString &name, int button, int shift, float x, float y)
{
    guarded(m_prompts, [&] { m_editing->ImageMap1_HotSpotMouseUp(name, button, shift, x, y); });
}
