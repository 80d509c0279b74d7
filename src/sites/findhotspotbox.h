#pragma once

#include <QDialog>

class HotSpotTable;
class Prompts;
class QCompleter;
class QLineEdit;
class QRectF;
class QStringListModel;

/// The Find Hot Spot box: a name field that completes from the map's names. It stays open
/// after each search.
class FindHotSpotBox : public QDialog
{
    Q_OBJECT

public:
    FindHotSpotBox(const HotSpotTable &table, Prompts &prompts, QWidget *parent = nullptr);

    /// Looks the name up; emits found() or says it is not on the map.
    bool find(const QString &name);
    /// The map's names changed: the completion list follows.
    void updateNames();

    QLineEdit *nameField() const { return m_name; }
    QCompleter *completer() const { return m_completer; }

signals:
    /// \a bounds is the hot spot's bounding box in picture pixels.
    void found(const QString &name, const QRectF &bounds);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void findTyped();

    const HotSpotTable &m_table;
    Prompts &m_prompts;
    QLineEdit *m_name;
    QCompleter *m_completer;
    QStringListModel *m_names;
};
