#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

class EditorView;
class MapDocument;
class Prompts;

/// Keeps a copy of unsaved changes where a crash cannot take them, and offers them back at the
/// next start. Each run writes its own copy, named after its process and start time, next to a
/// lock file it holds for the whole run; a copy whose lock nobody holds any more is left from a
/// run that ended without saving.
class Recovery : public QObject
{
    Q_OBJECT

public:
    /// Watches \a document: a change is written within \a delay, and at most once per \a delay;
    /// a copy whose changes have been saved (or dropped by Load and Clear) goes at once.
    Recovery(MapDocument &document, Prompts &prompts, EditorView &view,
        const QString &folder = defaultFolder(),
        std::chrono::milliseconds delay = std::chrono::seconds(2));
    ~Recovery() override;

    /// The per-user application data folder's "recovery" folder.
    static QString defaultFolder();
    /// This run's copy.
    QString copyPath() const { return m_copyPath; }

    /// Offers the copies left by runs that ended without saving, newest first, until one is
    /// taken. A damaged copy is reported and removed.
    void offerRecovery();
    /// The program ends: the copy goes, and none is written again.
    void end();

private:
    void changed();
    void update();
    void write();
    void removeCopy();
    /// Offers one copy; returns whether it was taken.
    bool offer(const QString &path);

    MapDocument &m_document;
    Prompts &m_prompts;
    EditorView &m_view;
    QString m_folder;
    QString m_copyPath;
    std::unique_ptr<QLockFile> m_lock;
    QTimer m_timer;
    bool m_ended = false;
};
