#include "sites/detectsiteswindow.h"

#include "document/mapdocument.h"
#include "model/cornerlist.h"
#include "platform/prompts.h"
#include "reader/namereader.h"
#include "reader/registermatch.h"
#include "sites/sitelist.h"
#include "trace/detectsites.h"
#include "trace/tracesite.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <algorithm>
#include <cmath>
#include <numeric>

using namespace Qt::StringLiterals;

namespace {

enum Column { NameColumn, CornersColumn, SizeColumn, StatusColumn };
constexpr int RowRole = Qt::UserRole;
// A first reading this sure, with as many characters as the label's shapes, is not read again.
constexpr int SureConfidence = 80;
constexpr int RereadHeight = 32;
// A name that every reading of its label gave (or one read only once, as sure as that).
constexpr int Readings = 3;

} // namespace

DetectSitesWindow::DetectSitesWindow(
    MapDocument &document, Prompts &prompts, Sources sources, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_document(document)
    , m_prompts(prompts)
    , m_sources(std::move(sources))
    , m_phase(new QLabel(this))
    , m_progress(new QProgressBar(this))
    , m_cancel(new QPushButton(u"Cancel"_s, this))
    , m_list(new QTreeWidget(this))
    , m_add(new QPushButton(u"Add Checked Sites"_s, this))
    , m_poll(new QTimer(this))
    , m_cancelled(std::make_shared<std::atomic_bool>(false))
    , m_doneCount(std::make_shared<std::atomic_int>(0))
    , m_totalCount(std::make_shared<std::atomic_int>(0))
{
    setWindowTitle(u"Detect Sites"_s);
    setObjectName(u"DetectSitesWindow"_s);
    m_list->setHeaderLabels({ u"Name"_s, u"Corners"_s, u"Size"_s, u"Register"_s });
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::SelectedClicked);
    auto *bar = new QHBoxLayout;
    bar->addWidget(m_progress, 1);
    bar->addWidget(m_cancel);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_add);
    m_add->setDefault(true);
    m_add->setAutoDefault(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_phase);
    layout->addLayout(bar);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(520, 640);

    m_poll->setInterval(100);
    connect(m_poll, &QTimer::timeout, this, &DetectSitesWindow::showProgress);
    connect(m_cancel, &QPushButton::clicked, this, &DetectSitesWindow::cancel);
    connect(m_add, &QPushButton::clicked, this, &DetectSitesWindow::addChecked);
    connect(&m_watcher, &QFutureWatcher<QList<Found>>::finished, this,
        &DetectSitesWindow::detectionFinished);
    connect(m_list, &QTreeWidget::itemChanged, this, &DetectSitesWindow::itemChanged);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &DetectSitesWindow::selectionChanged);
    m_add->setEnabled(false);
    m_progress->setVisible(false);
    m_cancel->setVisible(false);
}

DetectSitesWindow::~DetectSitesWindow()
{
    m_cancelled->store(true);
    m_watcher.waitForFinished();
}

void DetectSitesWindow::start()
{
    if (!m_done)
        return;
    const QImage picture = m_sources.picture ? m_sources.picture() : QImage();
    m_register = m_sources.registerNames ? m_sources.registerNames() : QStringList();
    m_rows.clear();
    m_tickets.clear();
    m_issued = 0;
    m_rereading = false;
    m_list->clear();
    m_done = false;
    m_detecting = true;
    m_add->setEnabled(false);
    m_phase->setText(u"Detecting sites\u2026"_s);
    m_progress->setRange(0, 0);
    m_progress->setVisible(true);
    m_cancel->setVisible(true);
    m_cancel->setEnabled(true);
    // A fresh flag and counters: a worker of an earlier run may still hold the old ones.
    m_cancelled = std::make_shared<std::atomic_bool>(false);
    m_doneCount = std::make_shared<std::atomic_int>(0);
    m_totalCount = std::make_shared<std::atomic_int>(0);
    QList<QPolygon> covered;
    m_document.table().forEachHotSpot([&](int, const QString &coords, const QString &) {
        if (const auto corners = CornerList::parseWhole(coords); corners && corners->size() >= 3)
            covered.append(QPolygon(*corners));
    });
    m_poll->start();
    m_watcher.setFuture(QtConcurrent::run(
        [picture, covered, cancelled = m_cancelled, done = m_doneCount, total = m_totalCount] {
            QList<Found> found;
            if (picture.isNull())
                return found;
            const QList<SiteProposal> proposals = detectSites(
                picture, covered, [&] { return cancelled->load(); },
                [&](int d, int t) {
                    done->store(d);
                    total->store(t);
                });
            found.reserve(proposals.size());
            for (const SiteProposal &p : proposals) {
                Found f { p.site.outline, {}, p.touchesEdge(), p.sizeToMedian };
                if (DetectRules::mayBeSite({ {}, f.touchesEdge, f.sizeToMedian })
                    && !p.site.interior.isNull() && !cancelled->load())
                    f.crop = interiorCrop(picture, p.site);
                if (f.outline.size() >= 3)
                    found.append(std::move(f));
            }
            return found;
        }));
}

void DetectSitesWindow::detectionFinished()
{
    m_detecting = false;
    const QList<Found> found = m_watcher.result();
    m_rows.reserve(found.size());
    for (const Found &f : found) {
        Row row;
        row.found = f;
        row.read = f.crop.isNull();
        m_rows.append(row);
    }
    if (!m_cancelled->load()) {
        if (!m_reader) {
            m_reader = std::make_unique<NameReader>();
            connect(m_reader.get(), &NameReader::readingDone, this, &DetectSitesWindow::nameRead);
        }
        // The crops stay until the first readings are in: a doubtful one is read again.
        for (int i = 0; i < m_rows.size(); ++i) {
            if (!m_rows[i].read)
                m_tickets.insert(m_reader->enqueue(m_rows[i].found.crop), i);
        }
        m_issued = int(m_tickets.size());
        m_phase->setText(u"Reading names\u2026"_s);
    }
    rebuildList();
    finishIfDone();
}

void DetectSitesWindow::nameRead(quint64 ticket, const ReadResult &result)
{
    const auto it = m_tickets.constFind(ticket);
    if (it == m_tickets.cend())
        return;
    Row &row = m_rows[*it];
    m_tickets.erase(it);
    row.read = true;
    const QString text = result.ok ? result.text : QString();
    if (row.readings.isEmpty()) {
        row.confidence = result.confidence;
        row.characters = result.characters;
        row.name = text;
        row.sureness = text.isEmpty() ? 0 : Readings;
    }
    row.readings.append(text);
    if (!m_rereading) {
        // The list shows each name as it comes; the order and the checks follow at the end.
        for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = m_list->topLevelItem(i);
            if (&m_rows[item->data(NameColumn, RowRole).toInt()] == &row) {
                m_filling = true;
                item->setText(NameColumn, row.name);
                m_filling = false;
                break;
            }
        }
    }
    if (m_tickets.isEmpty() && !m_rereading && !m_cancelled->load())
        rereadDoubtful();
    finishIfDone();
}

void DetectSitesWindow::rereadDoubtful()
{
    // In doubt: no name, an unsure one, more or fewer characters than the label's shapes, or
    // the name of another proposal. Those are read at a larger scale and as one line; the name
    // is what two of the three readings say.
    QHash<QString, int> uses;
    for (const Row &row : std::as_const(m_rows))
        ++uses[row.name];
    m_rereading = true;
    for (int i = 0; i < m_rows.size(); ++i) {
        Row &row = m_rows[i];
        const QString &name = row.name;
        const auto characters =
            std::count_if(name.begin(), name.end(), [](QChar c) { return c.isLetterOrNumber(); });
        const bool doubtful = name.isEmpty() || row.confidence < SureConfidence
            || characters != row.characters || uses.value(name) > 1;
        if (doubtful && !row.found.crop.isNull() && row.characters > 0) {
            m_tickets.insert(m_reader->enqueue(row.found.crop, { RereadHeight, false }), i);
            m_tickets.insert(m_reader->enqueue(row.found.crop, { 0, true }), i);
        }
        row.found.crop = QImage();
    }
    m_issued += int(m_tickets.size());
}

void DetectSitesWindow::settleNames()
{
    for (Row &row : m_rows) {
        // Cancelled in between: the first reading stands.
        if (row.readings.size() == Readings) {
            QHash<QString, int> votes;
            for (const QString &reading : std::as_const(row.readings)) {
                if (!reading.isEmpty())
                    ++votes[reading];
            }
            row.name.clear();
            row.sureness = 0;
            for (auto it = votes.cbegin(); it != votes.cend(); ++it) {
                if (it.value() >= 2 && it.value() > row.sureness)
                    row.name = it.key(), row.sureness = it.value();
            }
        }
        if (!row.name.isEmpty() && !m_register.isEmpty())
            row.name = matchRegister(row.name, m_register);
    }
}

void DetectSitesWindow::finishIfDone()
{
    if (m_done || m_detecting || !m_tickets.isEmpty())
        return;
    if (m_rereading || m_cancelled->load()) {
        m_rereading = false;
        settleNames();
    }
    for (Row &row : m_rows)
        row.found.crop = QImage();
    m_done = true;
    m_poll->stop();
    m_progress->setVisible(false);
    m_cancel->setVisible(false);
    m_phase->setText(u"%1 regions found%2."_s.arg(m_rows.size())
                         .arg(m_cancelled->load() ? u" (cancelled)"_s : QString()));
    rebuildList();
    m_add->setEnabled(true);
    m_add->setFocus();
    emit finished();
}

void DetectSitesWindow::cancel()
{
    if (m_done)
        return;
    m_cancelled->store(true);
    if (m_reader)
        m_reader->cancelQueued();
    m_tickets.clear();
    finishIfDone();
}

void DetectSitesWindow::showProgress()
{
    if (m_detecting) {
        m_progress->setRange(0, std::max(1, m_totalCount->load()));
        m_progress->setValue(m_doneCount->load());
    } else {
        m_progress->setRange(0, std::max(1, m_issued));
        m_progress->setValue(m_issued - int(m_tickets.size()));
    }
}

void DetectSitesWindow::rebuildList()
{
    QList<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    if (m_done)
        std::stable_sort(order.begin(), order.end(),
            [this](int a, int b) { return SiteList::naturalLess(m_rows[a].name, m_rows[b].name); });
    m_filling = true;
    m_list->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(order.size());
    for (int i : std::as_const(order)) {
        const Row &row = m_rows[i];
        const QRect box = row.found.outline.boundingRect();
        auto *item = new QTreeWidgetItem({ row.name, QString::number(row.found.outline.size()),
            u"%1 \u00d7 %2"_s.arg(box.width()).arg(box.height()), QString() });
        item->setData(NameColumn, RowRole, i);
        item->setFlags(item->flags() | Qt::ItemIsEditable | Qt::ItemIsUserCheckable);
        item->setCheckState(NameColumn, Qt::Unchecked);
        item->setTextAlignment(CornersColumn, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
    }
    m_list->addTopLevelItems(items);
    m_filling = false;
    if (m_done)
        applyRules();
    for (int c = 0; c < m_list->columnCount(); ++c)
        m_list->resizeColumnToContents(c);
    emitProposals();
}

void DetectSitesWindow::applyRules()
{
    QList<DetectRules::Proposal> proposals;
    proposals.reserve(m_rows.size());
    for (const Row &row : std::as_const(m_rows))
        proposals.append({ row.name, row.found.touchesEdge, row.found.sizeToMedian, row.sureness });
    QStringList mapNames;
    m_document.table().forEachHotSpot(
        [&](int, const QString &, const QString &name) { mapNames.append(name); });
    const QList<DetectRules::Verdict> verdicts =
        DetectRules::judge(proposals, mapNames, m_register);
    m_filling = true;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_list->topLevelItem(i);
        const DetectRules::Verdict &v = verdicts[item->data(NameColumn, RowRole).toInt()];
        item->setText(StatusColumn, DetectRules::statusText(v.status));
        item->setCheckState(NameColumn, v.checked ? Qt::Checked : Qt::Unchecked);
    }
    m_filling = false;
}

void DetectSitesWindow::itemChanged(QTreeWidgetItem *item, int column)
{
    if (m_filling || column != NameColumn)
        return;
    Row &row = m_rows[rowOf(item)];
    const QString name = item->text(NameColumn).trimmed();
    if (name == row.name)
        return;
    // A name typed in: the statuses follow, and so does this row's check.
    row.name = name;
    row.sureness = Readings;
    QList<Qt::CheckState> kept;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        kept.append(m_list->topLevelItem(i)->checkState(NameColumn));
    if (!m_done)
        return;
    applyRules();
    m_filling = true;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        if (m_list->topLevelItem(i) != item)
            m_list->topLevelItem(i)->setCheckState(NameColumn, kept[i]);
    }
    m_filling = false;
}

int DetectSitesWindow::rowOf(const QTreeWidgetItem *item) const
{
    return item->data(NameColumn, RowRole).toInt();
}

void DetectSitesWindow::selectionChanged()
{
    emitProposals();
    const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
    if (!selected.isEmpty())
        emit proposalSelected(QRectF(m_rows[rowOf(selected.first())].found.outline.boundingRect()));
}

void DetectSitesWindow::emitProposals()
{
    QList<QPolygon> outlines;
    outlines.reserve(m_rows.size());
    for (const Row &row : std::as_const(m_rows))
        outlines.append(row.found.outline);
    const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
    emit proposalsChanged(outlines, selected.isEmpty() ? -1 : rowOf(selected.first()));
}

void DetectSitesWindow::addChecked()
{
    if (!m_done)
        return;
    QList<int> checked;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        if (m_list->topLevelItem(i)->checkState(NameColumn) == Qt::Checked)
            checked.append(rowOf(m_list->topLevelItem(i)));
    }
    std::stable_sort(checked.begin(), checked.end(),
        [this](int a, int b) { return SiteList::naturalLess(m_rows[a].name, m_rows[b].name); });
    const int room = m_document.freeSlots();
    if (checked.size() > room) {
        m_prompts.message(u"%1 sites are checked, but only %2 fit in the map. Nothing was added."_s
                              .arg(checked.size())
                              .arg(room),
            Prompts::Buttons::Ok, Prompts::Icon::None, Prompts::productName());
        return;
    }
    QList<std::pair<QString, QString>> spots;
    spots.reserve(checked.size());
    for (int i : std::as_const(checked))
        spots.append({ CornerList::text(m_rows[i].found.outline), m_rows[i].name });
    if (m_document.addHotSpots(spots) != MapDocument::AddResult::Added) {
        m_prompts.message(
            u"Every checked site needs a name of its own that no hot spot has. Nothing was added."_s,
            Prompts::Buttons::Ok, Prompts::Icon::None, Prompts::productName());
        return;
    }
    if (!spots.isEmpty())
        m_document.setIsSaved(false);
    close();
}

void DetectSitesWindow::closeEvent(QCloseEvent *event)
{
    cancel();
    QWidget::closeEvent(event);
}

void DetectSitesWindow::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_add->isEnabled()) {
        m_add->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DetectSitesWindow::hideEvent(QHideEvent *event)
{
    // Minimised is not closed: the work goes on.
    if (event->spontaneous()) {
        QWidget::hideEvent(event);
        return;
    }
    cancel();
    emit proposalsChanged({}, -1);
    QWidget::hideEvent(event);
}
