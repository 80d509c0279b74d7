#include "sites/findhotspotbox.h"

#include "platform/prompts.h"
#include "platform/settingsstore.h"
#include "sites/sitelist.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

FindHotSpotBox::FindHotSpotBox(const HotSpotTable &table, Prompts &prompts, QWidget *parent)
    : QDialog(parent)
    , m_table(table)
    , m_prompts(prompts)
    , m_name(new QLineEdit(this))
    , m_completer(new QCompleter(this))
    , m_names(new QStringListModel(this))
{
    setObjectName(u"FindHotSpotBox"_s);
    setWindowTitle(u"Find Hot Spot"_s);
    setModal(false);
    m_name->setObjectName(u"txtFindName"_s);
    m_name->setClearButtonEnabled(true);

    m_completer->setModel(m_names);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    m_name->setCompleter(m_completer);
    // The completer takes Return for itself while its list is open; a whole name typed there
    // must still be found.
    m_completer->popup()->installEventFilter(this);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *findButton = buttons->addButton(u"&Find"_s, QDialogButtonBox::ActionRole);
    QPushButton *closeButton = buttons->addButton(QDialogButtonBox::Close);
    for (QPushButton *button : { findButton, closeButton })
        button->setAutoDefault(false);

    auto *form = new QFormLayout;
    form->addRow(u"Hot Spot &name:"_s, m_name);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(m_name, &QLineEdit::returnPressed, this, &FindHotSpotBox::findTyped);
    connect(findButton, &QPushButton::clicked, this, &FindHotSpotBox::findTyped);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    connect(m_completer, qOverload<const QString &>(&QCompleter::activated), this,
        [this](const QString &name) { find(name); });
}

void FindHotSpotBox::updateNames()
{
    QStringList names;
    for (const SiteEntry &entry : SiteList::entries(m_table))
        names.append(entry.name);
    names.removeDuplicates();
    m_names->setStringList(names);
}

void FindHotSpotBox::showEvent(QShowEvent *event)
{
    updateNames();
    QDialog::showEvent(event);
}

bool FindHotSpotBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_completer->popup() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // A highlighted entry is already in the field.
            m_completer->popup()->hide();
            findTyped();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FindHotSpotBox::findTyped()
{
    find(m_name->text());
}

bool FindHotSpotBox::find(const QString &name)
{
    QString key = name;
    std::optional<QRectF> bounds = SiteList::hotSpotBounds(m_table, key);
    if (!bounds && name.trimmed() != name) {
        key = name.trimmed();
        bounds = SiteList::hotSpotBounds(m_table, key);
    }
    if (!bounds) {
        m_prompts.message(u"Hot Spot "_s + name + u" not found"_s, Prompts::Buttons::Ok,
            Prompts::Icon::None, Prompts::productName());
        return false;
    }
    emit found(key, *bounds);
    return true;
}
