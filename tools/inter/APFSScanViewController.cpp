#include "APFSScanViewController.h"

#include "core/EULinkUrl.h"
#include "platform/gui/Workspace.h"
#include "toolkit/EUHandButton.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/TextImageButton.h"

namespace {
constexpr int kWidth = 460;
constexpr int kHeight = 200;
} // namespace

APFSScanViewController::APFSScanViewController(QObject* parent)
    : NoticeDialog(QSize(kWidth, kHeight), QStringLiteral("无法清理 Safari"),
                   QStringLiteral("Safari 的文件夹不能写入，它的数据这次没有清理。其它浏览器已照常清理。"), 40, parent)
{
    toolkit::makeLabel(view(), QRect(28, 104, 200, 20), QStringLiteral("了解如何处理"), toolkit::lightFont(13),
                       toolkit::colorOf(31, 167, 242, 1.0f));
    linkButton_ = new EUHandButton(QRect(28, 104, 100, 20), view());
    connect(linkButton_, &QAbstractButton::clicked, this, &APFSScanViewController::linkButtonAction);

    okButton_ = new TextImageButton(QRect(kWidth - 138, 140, 110, 36), view());
    okButton_->setButtonEnabled(true);
    okButton_->setImageFromFileNormalName(QStringLiteral("btn_pri"), QStringLiteral("btn_pri_press"),
                                          QStringLiteral("btn_pri_press"), QStringLiteral("btn_pri_disable"));
    okButton_->setTextWithName(QStringLiteral("好"), 14);
    connect(okButton_, &QAbstractButton::clicked, this, &APFSScanViewController::okButtonAction);
}

QUrl APFSScanViewController::helpUrl()
{
    return QUrl(EULinkUrl::sitePage(QStringLiteral("/articles/disable-SIP-on-mac.html")));
}

void APFSScanViewController::okButtonAction()
{
    closeWindow();
}

void APFSScanViewController::linkButtonAction()
{
    if (openUrl_)
        openUrl_(helpUrl());
    else
        platform::workspace::openUrl(helpUrl());
}
