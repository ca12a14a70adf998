#include "TextListDropDown.h"

#include "InterfaceStyle.h"
#include "Label.h"

#include <QLabel>

namespace toolkit {

TextListDropDown::TextListDropDown(const QStringList& texts, int width, QObject* parent) : QObject(parent)
{
    view_ = new PointerTrackingView;
    view_->resize(width, kRowHeight * int(texts.size()));
    view_->onEntered = [this] { mouseEntered(); };
    view_->onExited = [this] { mouseExited(); };
    for (int i = 0; i < texts.size(); ++i) {
        auto* row = new SortSelectBgView(QRect(0, i * kRowHeight, width, kRowHeight), QString::number(i), view_);
        row->setDelegate(this);
        texts_ << makeLabel(row, QRect(14, 0, width - 20, kRowHeight), texts.at(i), lightFont(13), whiteAlpha(0.9f));
        rows_ << row;
    }
}

TextListDropDown::~TextListDropDown()
{
    delete view_.data();
}

void TextListDropDown::selectSortType(SortSelectBgView* row)
{
    if (!row)
        return;
    const int index = row->identifier().toInt();
    rowPicked(index);
    if (delegate_)
        delegate_->selectFormatbyType(index);
}

void TextListDropDown::mouseEntered()
{
    if (delegate_)
        delegate_->mouseEixtView(false);
}

void TextListDropDown::mouseExited()
{
    if (delegate_)
        delegate_->mouseEixtView(true);
}

} // namespace toolkit
