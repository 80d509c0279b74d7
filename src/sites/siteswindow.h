#pragma once

#include "sites/siteregister.h"

#include <QWidget>

#include <optional>

class HotSpotTable;
class Prompts;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;
class SettingsStore;

/// The Sites window: the map's hot spots in natural order with their corners and bounding
/// boxes, a filter, and the comparison with a site register. Not modal.
class SitesWindow : public QWidget
{
    Q_OBJECT

public:
    SitesWindow(const HotSpotTable &table, Prompts &prompts, SettingsStore &settings,
        QWidget *parent = nullptr);

    /// The table changed: the list follows once control is back in the event loop (at once
    /// when it is next shown, if hidden).
    void tableChanged();
    /// Rebuilds the list from the table now.
    void refresh();
    /// Compares with the register remembered in the settings, if any; a register that cannot
    /// be read is reported.
    void restoreRegister();
    /// Asks for a register file and compares the map with it.
    void compareWithRegister();
    /// Reads a register and, when it can be used, compares with it and remembers it; otherwise
    /// says why and leaves the list as it was.
    bool loadRegister(const QString &path);

    QTreeWidget *list() const { return m_list; }
    QLineEdit *filterField() const { return m_filter; }
    const QString &registerPath() const { return m_registerPath; }
    /// The sites of the register compared; none before a comparison.
    QStringList registerSites() const { return m_register ? m_register->sites : QStringList(); }

signals:
    /// A hot spot on the map was selected.
    void hotSpotSelected(const QString &name);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void sizeColumns();
    void applyFilter();
    void selectionChanged();
    QTreeWidgetItem *addGroup(const QString &title, qsizetype count);

    const HotSpotTable &m_table;
    Prompts &m_prompts;
    SettingsStore &m_settings;
    QLineEdit *m_filter;
    QTreeWidget *m_list;
    QLabel *m_registerLabel;
    std::optional<SiteRegister> m_register;
    QString m_registerPath;
    bool m_refreshPending = false;
    bool m_rebuilding = false;
    bool m_columnsSized = false;
};
