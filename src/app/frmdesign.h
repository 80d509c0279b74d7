#pragma once

#include "model/editorview.h"

#include <QMainWindow>

#include <array>
#include <memory>

class About;
class Editor;
class Help;
class KeyRouter;
class PicturePreload;
class Prompts;
class QLineEdit;
class QRectF;
class SettingsStore;
class ZoomNavigator;

namespace Ui {
class frmDesign;
}

/// The editor's only working window: the display control with its scroll bars and reset
/// button, the read-outs, and the menu bar from which every command starts. It composes the
/// editor's parts; the fixed handlers hand each event to the part that does the work.
class frmDesign : public QMainWindow, public EditorView
{
    Q_OBJECT

public:
    /// Builds the window and runs the load handler (start-up) before it is first shown; start-up
    /// takes its picture from \a preload when that has decoded it ahead. Every box is asked
    /// through \a prompts and every setting kept in \a settings; without them the window uses
    /// the real ones.
    explicit frmDesign(QWidget *parent = nullptr, PicturePreload *preload = nullptr,
        Prompts *prompts = nullptr, SettingsStore *settings = nullptr);
    ~frmDesign() override;

    void setHotSpotFileText(const QString &text) override;
    QString hotSpotFileText() const override;
    void setPosText(int index, const QString &text) override;
    QString posText(int index) const override;
    void setMousePosText(const QString &text) override;
    void setCoordFText(const QString &text) override;
    void repaintWindow() override { repaint(); }

    Editor &editor() { return *m_editor; }
    ZoomNavigator &zoom() { return *m_zoom; }

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

    void ImageMap1_MouseDown(int button, int shift, float x, float y);
    void ImageMap1_MouseUp(int button, int shift, float x, float y);
    void ImageMap1_MouseMove(int button, int shift, float x, float y);
    void ImageMap1_HotSpotMouseDown(const QString &name, int button, int shift, float x, float y);
    void ImageMap1_HotSpotMouseUp(const QString &name, int button, int shift, float x, float y);

private:
    void Form_KeyPress(int keyAscii);
    void Form_KeyUp(int keyCode, int shift);
    void placeOnScreen();

    std::unique_ptr<Ui::frmDesign> ui;
    std::array<QLineEdit *, PosCount> POS {};

    std::unique_ptr<Prompts> m_ownPrompts;
    std::unique_ptr<SettingsStore> m_ownSettings;
    Prompts &m_prompts;
    SettingsStore &m_settings;
    std::unique_ptr<Editor> m_editor;
    std::unique_ptr<ZoomNavigator> m_zoom;
    std::unique_ptr<KeyRouter> m_keys;
    std::unique_ptr<Help> m_help;
    std::unique_ptr<About> m_about;
};
