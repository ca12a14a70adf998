#include "CloseBrowerViewController.h"

#include "toolkit/TextImageButton.h"

namespace {
constexpr int kWidth = 460;
constexpr int kHeight = 200;
} // namespace

CloseBrowerViewController::CloseBrowerViewController(QObject* parent)
    : NoticeDialog(QSize(kWidth, kHeight), QStringLiteral("需要关闭正在运行的浏览器"),
                   QStringLiteral("浏览器运行时会不断写入它的数据，清理前需要先关闭它。关闭前请保存正在浏览或编辑的内容。"),
                   56, parent)
{
    cancelButton_ = toolkit::makeTextButton(view(), QRect(kWidth - 264, 140, 110, 36), toolkit::secondaryButtonSkin(),
                                            QStringLiteral("取消"), 14);
    connect(cancelButton_, &QAbstractButton::clicked, this, &CloseBrowerViewController::cancelButtonAction);
    closeButton_ = toolkit::makeTextButton(view(), QRect(kWidth - 138, 140, 110, 36), toolkit::primaryButtonSkin(),
                                           QStringLiteral("关闭"), 14);
    connect(closeButton_, &QAbstractButton::clicked, this, &CloseBrowerViewController::closeButtonAction);
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
