#include "sites/siteswindow.h"

#include "platform/prompts.h"
#include "platform/settingskeys.h"
#include "platform/settingsstore.h"
#include "sites/sitelist.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMultiHash>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

enum Column { NameColumn, CornersColumn, BoundsColumn, NoteColumn };
constexpr int OnMapRole = Qt::UserRole;

QString boundsText(const QRectF &r)
{
    return u"%1, %2 \u2013 %3, %4"_s.arg(r.left()).arg(r.top()).arg(r.right()).arg(r.bottom());
}

QTreeWidgetItem *siteItem(const QString &name)
{
    auto *item = new QTreeWidgetItem({ name });
    item->setTextAlignment(CornersColumn, Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QTreeWidgetItem *mapItem(const SiteEntry &entry)
{
    QTreeWidgetItem *item = siteItem(entry.name);
    item->setText(CornersColumn, QString::number(entry.corners));
    item->setText(BoundsColumn, boundsText(entry.bounds));
    item->setData(NameColumn, OnMapRole, true);
    return item;
}

} // namespace

SitesWindow::SitesWindow(
    const HotSpotTable &table, Prompts &prompts, SettingsStore &settings, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_table(table)
    , m_prompts(prompts)
    , m_settings(settings)
    , m_filter(new QLineEdit(this))
    , m_list(new QTreeWidget(this))
    , m_registerLabel(new QLabel(this))
{
    setObjectName(u"SitesWindow"_s);
    setWindowTitle(u"Sites"_s);
    m_filter->setObjectName(u"txtSiteFilter"_s);
    m_filter->setPlaceholderText(u"Filter"_s);
    m_filter->setClearButtonEnabled(true);
    m_list->setObjectName(u"lstSites"_s);
    m_list->setHeaderLabels({ u"Site"_s, u"Corners"_s, u"Bounding box"_s, u"Note"_s });
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setStretchLastSection(true);
    m_registerLabel->setObjectName(u"lblSiteRegister"_s);
    m_registerLabel->setTextFormat(Qt::PlainText);
    m_registerLabel->setWordWrap(true);

    auto *compare = new QPushButton(u"Compare with &Register\u2026"_s, this);
    compare->setObjectName(u"btnCompareRegister"_s);
    auto *top = new QHBoxLayout;
    top->addWidget(m_filter, 1);
    top->addWidget(compare);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_registerLabel);
    resize(520, 640);

    connect(m_filter, &QLineEdit::textChanged, this, &SitesWindow::applyFilter);
    connect(compare, &QPushButton::clicked, this, &SitesWindow::compareWithRegister);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &SitesWindow::selectionChanged);
    refresh();
}

void SitesWindow::tableChanged()
{
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    if (isVisible())
        QTimer::singleShot(0, this, [this] {
            if (m_refreshPending)
                refresh();
        });
}

void SitesWindow::showEvent(QShowEvent *event)
{
    if (m_refreshPending)
        refresh();
    QWidget::showEvent(event);
    sizeColumns();
}

void SitesWindow::sizeColumns()
{
    // Measuring every row is most of a rebuild's time; the widths of the first fill serve on.
    // A hidden list measures no rows, so it waits until it shows.
    if (m_columnsSized || !isVisible() || m_list->topLevelItemCount() == 0)
        return;
    m_columnsSized = true;
    for (const int column : { NameColumn, CornersColumn, BoundsColumn })
        m_list->resizeColumnToContents(column);
}

QTreeWidgetItem *SitesWindow::addGroup(const QString &title, qsizetype count)
{
    auto *group = new QTreeWidgetItem({ u"%1 (%2)"_s.arg(title).arg(count) });
    QFont bold = group->font(NameColumn);
    bold.setBold(true);
    group->setFont(NameColumn, bold);
    group->setFlags(Qt::ItemIsEnabled);
    m_list->addTopLevelItem(group);
    group->setFirstColumnSpanned(true);
    return group;
}

void SitesWindow::refresh()
{
    m_refreshPending = false;
    const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
    const QString selectedName = selected.isEmpty() ? QString() : selected.front()->text(0);

    m_rebuilding = true;
    m_list->clear();
    const QList<SiteEntry> entries = SiteList::entries(m_table);
    if (!m_register) {
        m_list->setRootIsDecorated(false);
        QList<QTreeWidgetItem *> items;
        items.reserve(entries.size());
        for (const SiteEntry &entry : entries)
            items.append(mapItem(entry));
        m_list->addTopLevelItems(items);
        m_registerLabel->setText(u"%1 hot spots. Compare with a site register to see which "
                                 u"sites are missing."_s.arg(entries.size()));
    } else {
        m_list->setRootIsDecorated(true);
        QStringList names;
        QMultiHash<QString, SiteEntry> byName;
        for (const SiteEntry &entry : entries) {
            names.append(entry.name);
            byName.insert(entry.name, entry);
        }
        const SiteList::Comparison result = SiteList::compare(names, m_register->sites);
        const auto noteFor = [&](const QString &name) {
            QStringList notes;
            if (result.registerDuplicates.contains(name))
                notes.append(
                    u"listed %1 times in the register"_s.arg(m_register->sites.count(name)));
            if (result.mapDuplicates.contains(name))
                notes.append(u"%1 hot spots with this name"_s.arg(byName.count(name)));
            return notes.join(u"; "_s);
        };
        const auto fill = [&](QTreeWidgetItem *group, const QStringList &groupNames) {
            QList<QTreeWidgetItem *> items;
            for (const QString &name : groupNames) {
                QList<SiteEntry> spots = byName.values(name);
                if (spots.isEmpty()) {
                    items.append(siteItem(name));
                    items.last()->setText(NoteColumn, noteFor(name));
                }
                // QMultiHash gives the latest first; show them in map order.
                std::reverse(spots.begin(), spots.end());
                for (const SiteEntry &spot : std::as_const(spots)) {
                    items.append(mapItem(spot));
                    items.last()->setText(NoteColumn, noteFor(name));
                }
            }
            group->addChildren(items);
            group->setExpanded(true);
        };
        fill(addGroup(u"In the register and on the map"_s, result.inBoth.size()), result.inBoth);
        fill(addGroup(u"In the register, not on the map"_s, result.registerOnly.size()),
            result.registerOnly);
        fill(addGroup(u"On the map, not in the register"_s, result.mapOnly.size()), result.mapOnly);
        m_registerLabel->setText(u"Site register: %1 (%2 sites)"_s.arg(
            m_registerPath, QString::number(m_register->sites.size())));
    }
    applyFilter();
    sizeColumns();

    if (!selectedName.isEmpty()) {
        const QList<QTreeWidgetItem *> again =
            m_list->findItems(selectedName, Qt::MatchExactly | Qt::MatchRecursive);
        if (!again.isEmpty())
            again.front()->setSelected(true);
    }
    m_rebuilding = false;
}

void SitesWindow::applyFilter()
{
    const QString text = m_filter->text().trimmed();
    // Hiding a row costs a layout pass even when nothing changes.
    const auto apply = [&](QTreeWidgetItem *item) {
        const bool hide =
            !text.isEmpty() && !item->text(NameColumn).contains(text, Qt::CaseInsensitive);
        if (item->isHidden() != hide)
            item->setHidden(hide);
    };
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem *top = m_list->topLevelItem(i);
        if (top->childCount() == 0 && top->data(NameColumn, OnMapRole).isValid()) {
            apply(top);
            continue;
        }
        for (int k = 0; k < top->childCount(); ++k)
            apply(top->child(k));
    }
}

void SitesWindow::selectionChanged()
{
    if (m_rebuilding)
        return;
    const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
    if (!selected.isEmpty() && selected.front()->data(NameColumn, OnMapRole).toBool())
        emit hotSpotSelected(selected.front()->text(NameColumn));
}

void SitesWindow::restoreRegister()
{
    const QString path = m_settings.ReadSetting(SettingsKeys::Section, SettingsKeys::SiteRegister);
    // A register that has gone is told of once, then forgotten.
    if (!path.isEmpty() && !loadRegister(path) && !QFileInfo::exists(path))
        m_settings.WriteSetting(SettingsKeys::Section, SettingsKeys::SiteRegister, QString());
}

void SitesWindow::compareWithRegister()
{
    Prompts::FileDialog dialog;
    dialog.filter = u"Site Register (*.csv;*.txt)|*.csv;*.txt|All Files (*.*)|*.*"_s;
    dialog.fileMustExist = true;
    dialog.hideReadOnly = true;
    const QString path = m_prompts.openFile(dialog);
    if (!path.isEmpty())
        loadRegister(path);
}

bool SitesWindow::loadRegister(const QString &path)
{
    try {
        m_register = SiteRegister::read(path);
    } catch (const SiteRegisterError &e) {
        m_prompts.message(
            e.message(), Prompts::Buttons::Ok, Prompts::Icon::None, Prompts::productName());
        return false;
    }
    m_registerPath = path;
    m_settings.WriteSetting(SettingsKeys::Section, SettingsKeys::SiteRegister, path);
    refresh();
    return true;
}
