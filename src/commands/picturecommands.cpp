#include "commands/picturecommands.h"

#include "imagemap/imagemapcontrol.h"
#include "platform/apperror.h"
#include "platform/busycursor.h"
#include "platform/picture.h"
#include "platform/prompts.h"
#include "platform/settingskeys.h"
#include "platform/settingsstore.h"

using namespace Qt::StringLiterals;

namespace {

Prompts::FileDialog pictureDialog()
{
    Prompts::FileDialog dialog;
    dialog.filter = u"All Pictures"_s + u"|*.bmp;*.dib;*.jpg;*.jpeg;*.gif;"_s + u"*.emf;"_s
        + u"|Bitmaps (*.bmp;*.dib)|*.bmp;*.dib"_s + u"|GIF Images (*.gif)|*.gif"_s
        + u"|JPEG Images (*.jpg;*.jpeg)|*.jpg;*.jpeg"_s + u"|All Files (*.*)|*.*"_s;
    dialog.fileMustExist = true;
    dialog.hideReadOnly = true;
    return dialog;
}

} // namespace

QString ChooseMapPicture(Prompts &prompts, SettingsStore &settings, ImageMapControl &control)
{
    const QString path = prompts.openFile(pictureDialog());
    if (path.isEmpty())
        return {};
    return useMapPicture(path, prompts, settings, control) ? path : QString();
}

bool useMapPicture(
    const QString &path, Prompts &prompts, SettingsStore &settings, ImageMapControl &control)
{
    try {
        const BusyCursor busy;
        control.setPicture(loadPicture(path));
    } catch (const AppError &) {
        prompts.message(u"Invalid picture file. Please try again."_s);
        return false;
    }
    settings.WriteSetting(SettingsKeys::Section, SettingsKeys::BGPicture, path);
    return true;
}
