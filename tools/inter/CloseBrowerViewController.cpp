#include "CloseBrowerViewController.h"

#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/TextImageButton.h"

#include <QLabel>

namespace {
constexpr int kWidth = 460;
constexpr int kHeight = 200;
} // namespace

CloseBrowerViewController::CloseBrowerViewController(QObject* parent) : QObject(parent)
{
    view_ = new QWidget;
    view_->resize(kWidth, kHeight);
    toolkit::makeLabel(view_, QRect(28, 24, kWidth - 56, 26), QStringLiteral("需要关闭正在运行的浏览器"),
                       toolkit::regularFont(16), toolkit::whiteAlpha(1.0f));
    QLabel* note = toolkit::makeLabel(view_, QRect(28, 58, kWidth - 56, 56),
                                      QStringLiteral("浏览器运行时会不断写入它的数据，清理前需要先关闭它。"
                                                     "关闭前请保存正在浏览或编辑的内容。"),
                                      toolkit::lightFont(13), toolkit::whiteAlpha(0.6f),
                                      Qt::AlignLeft | Qt::AlignTop);
    note->setWordWrap(true);

    cancelButton_ = toolkit::makeTextButton(view_, QRect(kWidth - 264, 140, 110, 36), toolkit::secondaryButtonSkin(),
                                            QStringLiteral("取消"), 14);
    connect(cancelButton_, &QAbstractButton::clicked, this, &CloseBrowerViewController::cancelButtonAction);
    closeButton_ = toolkit::makeTextButton(view_, QRect(kWidth - 138, 140, 110, 36), toolkit::primaryButtonSkin(),
                                           QStringLiteral("关闭"), 14);
    connect(closeButton_, &QAbstractButton::clicked, this, &CloseBrowerViewController::closeButtonAction);
}

CloseBrowerViewController::~CloseBrowerViewController()
{
    delete view_.data();
}

void CloseBrowerViewController::cancelButtonAction()
{
    closeWindow();
}

void CloseBrowerViewController::closeButtonAction()
{
    closeWindow();
    if (delegate_)
        delegate_->closeBrowerButtonAction();
}

void CloseBrowerViewController::closeWindow()
{
    if (superDelegate_)
        superDelegate_->close();
}
