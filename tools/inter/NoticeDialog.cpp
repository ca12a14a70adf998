#include "NoticeDialog.h"

#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"

#include <QLabel>

NoticeDialog::NoticeDialog(const QSize& size, const QString& title, const QString& note, int noteHeight,
                           QObject* parent)
    : QObject(parent)
{
    view_ = new QWidget;
    view_->resize(size);
    toolkit::makeLabel(view_, QRect(28, 24, size.width() - 56, 26), title, toolkit::regularFont(16),
                       toolkit::whiteAlpha(1.0f));
    QLabel* text = toolkit::makeLabel(view_, QRect(28, 58, size.width() - 56, noteHeight), note, toolkit::lightFont(13),
                                      toolkit::whiteAlpha(0.6f), Qt::AlignLeft | Qt::AlignTop);
    text->setWordWrap(true);
}

NoticeDialog::~NoticeDialog()
{
    delete view_.data();
}

void NoticeDialog::closeWindow()
{
    if (superDelegate_)
        superDelegate_->close();
}
