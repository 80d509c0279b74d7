#pragma once

#include "app/appshell.h"
#include "commands/filecommands.h"
#include "document/mapdocument.h"
#include "editing/controlsync.h"
#include "editing/cornercapture.h"
#include "editing/hotspotediting.h"
#include "editing/movecorners.h"
#include "model/hotspottable.h"

#include "recordingcontrol.h"
#include "recordingview.h"
#include "scriptedprompts.h"

#include <QStringList>

/// One run of the program's logic without the window: the document, the editing
/// handlers, the file commands and the shell, over scripted prompts, a recording view and a
/// recording control. Tests that use it link quorvel_shell.
struct ProgramRun
{
    explicit ProgramRun(SettingsStore &store)
        : settings(store)
    {
        showMapOnControl(document, control);
        editing.setResting([this] { return moveCorners.isOn(); });
    }

    SettingsStore &settings;
    MapDocument document;
    const HotSpotTable &table = document.table();
    RecordingView view;
    RecordingControl control;
    ScriptedPrompts prompts;
    CornerCapture capture { view, control, 15, 15 };
    HotSpotEditing editing { document, capture, prompts, view };
    MoveCorners moveCorners { document, control };
    FileCommands files { document, prompts, settings, view };
    AppShell shell { document, capture, files, prompts, settings, view, control };

    /// Queues answers in the order they are asked for: "ok", "cancel", "yes", "no",
    /// "input:<text>", "save:<path>", "open:<path>".
    void script(const QStringList &steps)
    {
        for (const QString &step : steps) {
            if (step == u"ok")
                prompts.expectMessage(Prompts::Button::Ok);
            else if (step == u"cancel")
                prompts.expectMessage(Prompts::Button::Cancel);
            else if (step == u"yes")
                prompts.expectMessage(Prompts::Button::Yes);
            else if (step == u"no")
                prompts.expectMessage(Prompts::Button::No);
            else if (step.startsWith(u"input:"))
                prompts.expectInput(step.mid(6));
            else if (step.startsWith(u"save:"))
                prompts.expectSaveFile(step.mid(5));
            else if (step.startsWith(u"open:"))
                prompts.expectOpenFile(step.mid(5));
            else
                qFatal("unknown script step %s", qPrintable(step));
        }
    }
};
