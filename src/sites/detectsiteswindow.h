#pragma once

#include "sites/detectrules.h"

#include <QFutureWatcher>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPolygon>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>

class MapDocument;
class NameReader;
class Prompts;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
struct ReadResult;

/// The Detect Sites window: every enclosed region of the plan that no hot spot covers,
/// traced on a worker thread, its printed name read through the name reader, checked against
/// the register; the checked ones become hot spots in one undo step. Not modal.
class DetectSitesWindow : public QWidget
{
    Q_OBJECT

public:
    struct Sources
    {
        /// The whole picture on screen.
        std::function<QImage()> picture;
        /// The names of the site register compared in the Sites window; none without one.
        std::function<QStringList()> registerNames;
    };

    DetectSitesWindow(
        MapDocument &document, Prompts &prompts, Sources sources, QWidget *parent = nullptr);
    ~DetectSitesWindow() override;

    /// Detects the sites of the picture on screen and reads their names; the list follows.
    void start();
    /// Stops detecting and reading; what was found stays listed.
    void cancel();
    /// Whether detecting and reading are over (finished or cancelled).
    bool isDone() const { return m_done; }
    /// Adds the checked proposals as hot spots, in natural order of their names, as one undo
    /// step, and closes; refused with a box when they do not fit or lack names of their own.
    void addChecked();

    QTreeWidget *list() const { return m_list; }
    QPushButton *addButton() const { return m_add; }

signals:
    /// The outlines to draw on the plan (none once the window closes) and the selected one.
    void proposalsChanged(const QList<QPolygon> &outlines, int selected);
    /// A proposal was selected: bring its bounds (picture pixels) into view.
    void proposalSelected(const QRectF &bounds);
    /// Detecting and reading are over.
    void finished();

protected:
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    /// Return and Enter that no child takes press the default button, as in a dialog.
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Found
    {
        QPolygon outline;
        QImage crop; // null when not worth reading
        bool touchesEdge = false;
        double sizeToMedian = 1;
    };
    struct Row
    {
        Found found;
        QString name;
        bool read = false;
        QStringList readings; // as read, the first one first; empty texts for none
        int characters = 0; // how many the label's shapes hold
        int confidence = 0; // of the first reading
        int sureness = 0; // how many readings agree on the name
    };

    void detectionFinished();
    void nameRead(quint64 ticket, const ReadResult &result);
    void rereadDoubtful();
    void settleNames();
    void finishIfDone();
    void rebuildList();
    void applyRules();
    void itemChanged(QTreeWidgetItem *item, int column);
    void selectionChanged();
    void showProgress();
    void emitProposals();
    int rowOf(const QTreeWidgetItem *item) const;

    MapDocument &m_document;
    Prompts &m_prompts;
    Sources m_sources;
    QLabel *m_phase;
    QProgressBar *m_progress;
    QPushButton *m_cancel;
    QTreeWidget *m_list;
    QPushButton *m_add;
    QTimer *m_poll;
    std::unique_ptr<NameReader> m_reader;
    QFutureWatcher<QList<Found>> m_watcher;
    std::shared_ptr<std::atomic_bool> m_cancelled;
    std::shared_ptr<std::atomic_int> m_doneCount, m_totalCount;
    QList<Row> m_rows;
    QHash<quint64, int> m_tickets; // reading → row
    int m_issued = 0; // readings asked for in this run
    bool m_rereading = false;
    QStringList m_register;
    bool m_detecting = false;
    bool m_done = true;
    bool m_filling = false;
};
