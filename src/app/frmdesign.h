#pragma once

#include "model/editorview.h"
#include "model/hotspottable.h"
#include "platform/qtprompts.h"
#include "platform/settingsstore.h"

#include <QMainWindow>

#include <array>
#include <memory>

class About;
class AppShell;
class CornerCapture;
class EditHistory;
class FileCommands;
class Help;
class HotSpotEditing;
class FindHotSpotBox;
class QRectF;
class SitesWindow;
class WebPageCommands;
class MoveCorners;
class Recovery;
class QKeyEvent;
class QLabel;
class PicturePreload;
class PageImport;
class QLineEdit;
class ZoomNavigator;

namespace Ui {
class frmDesign;
}

/// The editor's only working window: the display control with its scroll bars and reset
/// button, the read-outs, and the menu bar from which every command starts. It owns the
/// program's state for the whole run.
class frmDesign : public QMainWindow, public EditorView
{
    Q_OBJECT

public:
    /// Builds the window and runs the load handler (start-up) before it is first shown; start-up
    /// takes its picture from \a preload when that has decoded it ahead.
    explicit frmDesign(QWidget *parent = nullptr, PicturePreload *preload = nullptr);
    ~frmDesign() override;

    void setHotSpotFileText(const QString &text) override;
    QString hotSpotFileText() const override;
    void setPosText(int index, const QString &text) override;
    QString posText(int index) const override;
    void setMousePosText(const QString &text) override;
    void setCoordFText(const QString &text) override;
    bool isSaved() const override { return IsSaved; }
    void setIsSaved(bool saved) override { IsSaved = saved; }
    void repaintWindow() override;

    const HotSpotTable &hotSpotTable() const { return m_table; }
    const FileCommands &fileCommands() const { return *m_files; }
    const EditHistory &editHistory() const { return *m_history; }

    /// Scrolls so that \a pictureRect (in picture pixels) is centred in the visible area,
    /// zooming out to a step at which it fits when it does not fit at the current zoom.
    void showPictureRect(const QRectF &pictureRect);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void Btn_Reset_Click();
    void HScroll1_Change();
    void VScroll1_Change();

    void mnuSetPic_Click();
    void mnuLoad_Click();
    void mnuSave_Click();
    void mnuSaveAs_Click();
    void mnuExit_Click();
    void mnuClear_Click();
    void mnuHelp_Click();
    void mnuAbout_Click();
    void mnuFindHotSpot_Click();
    void mnuSites_Click();
    void mnuPreview_Click();
    void mnuExportPage_Click();
    void mnuImportWebPageMap_Click();
    void mnuUndo_Click();
    void mnuRedo_Click();
    void mnuMoveCorners_Click(bool on);

    void ImageMap1_MouseDown(int button, int shift, float x, float y);
    void ImageMap1_MouseUp(int button, int shift, float x, float y);
    void ImageMap1_MouseMove(int button, int shift, float x, float y);
    void ImageMap1_HotSpotMouseDown(const QString &name, int button, int shift, float x, float y);
    void ImageMap1_HotSpotMouseUp(const QString &name, int button, int shift, float x, float y);

private:
    void Form_KeyPress(int keyAscii);
    void Form_KeyUp(int keyCode, int shift);
    void updateScrollRanges();
    void placeOnScreen();
    void buildSiteActions();
    void showFoundHotSpot(const QString &name, const QRectF &bounds);
    void setUpEditMenu();
    bool isEditShortcut(const QKeyEvent &event) const;
    void buildViewMenu();

    std::unique_ptr<Ui::frmDesign> ui;
    std::array<QLineEdit *, PosCount> POS {};

    QtPrompts m_prompts;
    QtSettingsStore m_settings;
    HotSpotTable m_table;
    std::unique_ptr<EditHistory> m_history;
    std::unique_ptr<CornerCapture> m_capture;
    std::unique_ptr<HotSpotEditing> m_editing;
    std::unique_ptr<MoveCorners> m_moveCorners;
    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<Recovery> m_recovery;
    std::unique_ptr<AppShell> m_shell;
    std::unique_ptr<Help> m_help;
    std::unique_ptr<About> m_about;
    std::unique_ptr<WebPageCommands> m_web;
    // Children of the window, destroyed before the table and prompts they refer to.
    std::unique_ptr<SitesWindow> m_sites;
    std::unique_ptr<FindHotSpotBox> m_find;
    /// The file the picture on screen came from.
    QString m_picturePath;
    std::unique_ptr<ZoomNavigator> m_zoom;
    QLabel *m_zoomLabel = nullptr;
    std::unique_ptr<PageImport> m_import;

    bool IsSaved = true;
};
