#include "app/frmdesign.h"
#include "ui_frmdesign.h"

#include "app/about.h"
#include "app/appshell.h"
#include "app/editor.h"
#include "app/featureactions.h"
#include "app/help.h"
#include "app/keyrouter.h"
#include "app/recovery.h"
#include "commands/filecommands.h"
#include "commands/picturecommands.h"
#include "document/mapdocument.h"
#include "editing/cornercapture.h"
#include "editing/hotspotediting.h"
#include "imagemap/imagemap.h"
#include "imagemap/zoomnavigator.h"
#include "platform/guarded.h"
#include "platform/mousekeycodes.h"
#include "platform/qtprompts.h"
#include "platform/screenmetrics.h"
#include "platform/settingsstore.h"

#include <QCloseEvent>
#include <QIcon>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Where start-up and the reset button put the display control. The vertical bar at 0 puts it
// one unit higher: that offset has always been part of how the window scrolls.
constexpr int homeLeft = 16;
constexpr int homeTop = 50;
constexpr int scrolledTop = 49;

constexpr int scrollStep = 20;

} // namespace

frmDesign::frmDesign(
    QWidget *parent, PicturePreload *preload, Prompts *prompts, SettingsStore *settings)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::frmDesign>())
    , m_ownPrompts(prompts ? nullptr : std::make_unique<QtPrompts>(this))
    , m_ownSettings(settings ? nullptr : std::make_unique<QtSettingsStore>())
    , m_prompts(prompts ? *prompts : *m_ownPrompts)
    , m_settings(settings ? *settings : *m_ownSettings)
{
    ui->setupUi(this);
    POS = { ui->POS0, ui->POS1, ui->POS2, ui->POS3, ui->POS4, ui->POS5, ui->POS6, ui->POS7,
        ui->POS8, ui->POS9, ui->POS10, ui->POS11 };
    QIcon icon;
    icon.addFile(u":/icons/quorvel-16.png"_s, QSize(16, 16));
    icon.addFile(u":/icons/quorvel-32.png"_s, QSize(32, 32));
    setWindowIcon(icon);

    ImageMap &control = *ui->ImageMap1;
    // A click on the picture takes the keys from the text boxes (Escape, Backspace, undo).
    control.setFocusPolicy(Qt::ClickFocus);
    m_editor = std::make_unique<Editor>(m_prompts, m_settings, *this, control, this);

    // Bars at 0 show the picture's top-left corner; arrows move by a step, the trough by what
    // is visible.
    for (QScrollBar *bar : { ui->HScroll1, ui->VScroll1 }) {
        bar->setRange(0, 0);
        bar->setSingleStep(scrollStep);
    }
    m_zoom = std::make_unique<ZoomNavigator>(
        control, *ui->HScroll1, *ui->VScroll1, *ui->centralwidget, QPoint(homeLeft, scrolledTop));
    FeatureActions::buildView(*this, *ui->mnuView, *m_zoom, *m_editor);

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
    FeatureActions::buildEdit(*ui->mnuUndo, *ui->mnuRedo, *ui->mnuMoveCorners, *m_editor);

    connect(&control, &ImageMap::MouseDown, this, &frmDesign::ImageMap1_MouseDown);
    connect(&control, &ImageMap::MouseUp, this, &frmDesign::ImageMap1_MouseUp);
    connect(&control, &ImageMap::MouseMove, this, &frmDesign::ImageMap1_MouseMove);
    connect(&control, &ImageMap::HotSpotMouseDown, this, &frmDesign::ImageMap1_HotSpotMouseDown);
    connect(&control, &ImageMap::HotSpotMouseUp, this, &frmDesign::ImageMap1_HotSpotMouseUp);

    m_keys = std::make_unique<KeyRouter>(*this, *ui->mnuEdit,
        KeyRouter::Handlers { [this](int keyAscii) { Form_KeyPress(keyAscii); },
            [this](int keyCode, int shift) { Form_KeyUp(keyCode, shift); },
            [this](int key) {
                // Escape ends a corner drag first, then edits the polygon under construction.
                bool used = key == Qt::Key_Escape && ui->ImageMap1->cancelCornerDrag();
                if (!used)
                    guarded(m_prompts, [&] { used = m_editor->capture().keyPressed(key); });
                return used;
            } });
    // The control's size decides how far the bars go.
    control.installEventFilter(this);
    ui->centralwidget->installEventFilter(this);

    placeOnScreen();
    AppShell &shell = m_editor->shell();
    shell.setPicturePreload(preload);
    guarded(m_prompts, [&] { shell.Form_Load(); });
    shell.setPicturePreload(nullptr);
    m_zoom->updateScrollRanges();
    FeatureActions::buildSites(*this, *ui->mnuEdit, *ui->mnuTools, *m_zoom, *m_editor);
    // Once the window shows: changes a crash left behind are offered after start-up.
    QTimer::singleShot(
        0, this, [this] { guarded(m_prompts, [this] { m_editor->recovery().offerRecovery(); }); });
}

frmDesign::~frmDesign() = default;

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

bool frmDesign::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize)
        m_zoom->updateScrollRanges();
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
    guarded(m_prompts, [this] { m_editor->shell().Form_Terminate(); });
    event->accept();
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
            m_editor->document().setShownPicturePath(shown);
    });
}

void frmDesign::mnuLoad_Click()
{
    guarded(m_prompts, [this] { m_editor->files().mnuLoad_Click(); });
}

void frmDesign::mnuSave_Click()
{
    guarded(m_prompts, [this] { m_editor->files().mnuSave_Click(); });
}

void frmDesign::mnuSaveAs_Click()
{
    guarded(m_prompts, [this] { m_editor->files().mnuSaveAs_Click(); });
}

void frmDesign::mnuExit_Click()
{
    guarded(m_prompts, [this] { m_editor->shell().Form_Terminate(); });
    // The last window closing ends the program; closeEvent finds the termination done.
    close();
}

void frmDesign::mnuClear_Click()
{
    guarded(m_prompts, [this] { m_editor->shell().mnuClear_Click(); });
}

void frmDesign::mnuHelp_Click()
{
    guarded(m_prompts, [this] { Help::open(m_help, m_prompts); });
}

void frmDesign::mnuAbout_Click()
{
    guarded(m_prompts, [this] {
        if (!m_about)
            m_about = std::make_unique<About>();
        m_about->exec();
    });
}

void frmDesign::ImageMap1_MouseDown(int button, int shift, float x, float y)
{
    guarded(m_prompts, [&] { m_editor->editing().ImageMap1_MouseDown(button, shift, x, y); });
}

void frmDesign::ImageMap1_MouseUp(int button, int shift, float x, float y)
{
    guarded(m_prompts, [&] { m_editor->editing().ImageMap1_MouseUp(button, shift, x, y); });
}

void frmDesign::ImageMap1_MouseMove(int button, int shift, float x, float y)
{
    guarded(m_prompts, [&] { m_editor->editing().ImageMap1_MouseMove(button, shift, x, y); });
}

void frmDesign::ImageMap1_HotSpotMouseDown(
    const QString &name, int button, int shift, float x, float y)
{
    guarded(m_prompts,
        [&] { m_editor->editing().ImageMap1_HotSpotMouseDown(name, button, shift, x, y); });
}

void frmDesign::ImageMap1_HotSpotMouseUp(
    const QString &name, int button, int shift, float x, float y)
{
    guarded(m_prompts,
        [&] { m_editor->editing().ImageMap1_HotSpotMouseUp(name, button, shift, x, y); });
}
