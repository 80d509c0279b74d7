#include "app/about.h"

#include <QLabel>

using namespace Qt::StringLiterals;

namespace {

// Layout in twips, at 15 twips per pixel.
constexpr int px(int twips)
{
    return (twips + 7) / 15;
}

} // namespace

About::About(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"About"_s);
    setWindowTitle(u"About"_s);
    // Without a parent the dialog opens centred on the screen.
    setFixedSize(px(4680), px(3090));

    auto *label = new QLabel(u"Quorvel"_s, this);
    label->setObjectName(u"Label2"_s);
    label->setGeometry(px(840), px(120), px(3135), px(375));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // The window system substitutes its nearest face when this one is missing.
    QFont face(u"MS Sans Serif"_s, 12, QFont::Bold);
    face.setItalic(false);
    face.setUnderline(false);
    face.setStrikeOut(false);
    label->setFont(face);
}
