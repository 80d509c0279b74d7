#include "app/help.h"

#include "platform/apperror.h"
#include "platform/prompts.h"

#include <QLabel>

using namespace Qt::StringLiterals;

namespace {

// Layout in twips, at 15 twips per pixel.
constexpr int px(int twips)
{
    return (twips + 7) / 15;
}

} // namespace

Help::Help(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"Help"_s);
    setWindowTitle(u"Form1"_s);
    setFixedSize(px(4560), px(3030));

    // A face small enough for the long first text to wrap inside its label.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);

    struct Text
    {
        const char16_t *name;
        int top;
        int height;
        QString text;
    };
    const Text texts[] = {
        { u"Label1", 180, 975,
            u"To create a hotspot Hold Shitkey down and left mouse click on corners of site BUT "
            u"release shift key before clicking on last corner, it will then popup and ask for "
            u"site number. Enter exactly what site is in KOVAL"_s },
        { u"Label2", 1380, 375, u"Left click on existing hotspot to rename"_s },
        { u"Label3", 1980, 555, u"Right click on existing hotspot to delete"_s },
    };
    for (const Text &t : texts) {
        auto *label = new QLabel(t.text, this);
        label->setObjectName(QString::fromUtf16(t.name));
        label->setGeometry(px(180), px(t.top), px(4035), px(t.height));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
    }
}

// QDialog centres itself when shown; this window opens where the window system puts a new one.
void Help::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
}

void Help::open(std::unique_ptr<Help> &help, Prompts &prompts)
{
    try {
        if (!help)
            help = std::make_unique<Help>();
        help->exec();
    } catch (const AppError &e) {
        prompts.message(
            u"mnuHelp_ERR: %1 %1"_s.arg(e.number), Prompts::Buttons::Ok, Prompts::Icon::None, {});
    }
}
