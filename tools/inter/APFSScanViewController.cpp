#include "APFSScanViewController.h"

#include "core/EULinkUrl.h"
#include "platform/gui/Workspace.h"
#include "toolkit/EUHandButton.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/TextImageButton.h"

#include <QLabel>

namespace {
constexpr int kWidth = 460;
constexpr int kHeight = 200;
} // namespace

APFSScanViewController::APFSScanViewController(QObject* parent) : QObject(parent)
{
    view_ = new QWidget;
    view_->resize(kWidth, kHeight);
    toolkit::makeLabel(view_, QRect(28, 24, kWidth - 56, 26), QStringLiteral("无法清理 Safari"),
                       toolkit::regularFont(16), toolkit::whiteAlpha(1.0f));
    QLabel* note = toolkit::makeLabel(view_, QRect(28, 58, kWidth - 56, 40),
                                      QStringLiteral("Safari 的文件夹不能写入，它的数据这次没有清理。其它浏览器已照常清理。"),
                                      toolkit::lightFont(13), toolkit::whiteAlpha(0.6f), Qt::AlignLeft | Qt::AlignTop);
    note->setWordWrap(true);
    toolkit::makeLabel(view_, QRect(28, 104, 200, 20), QStringLiteral("了解如何处理"), toolkit::lightFont(13),
                       toolkit::colorOf(31, 167, 242, 1.0f));
    linkButton_ = new EUHandButton(QRect(28, 104, 100, 20), view_);
    connect(linkButton_, &QAbstractButton::clicked, this, &APFSScanViewController::linkButtonAction);

    okButton_ = new TextImageButton(QRect(kWidth - 138, 140, 110, 36), view_);
    okButton_->setButtonEnabled(true);
    okButton_->setImageFromFileNormalName(QStringLiteral("btn_pri"), QStringLiteral("btn_pri_press"),
                                          QStringLiteral("btn_pri_press"), QStringLiteral("btn_pri_disable"));
    okButton_->setTextWithName(QStringLiteral("好"), 14);
    connect(okButton_, &QAbstractButton::clicked, this, &APFSScanViewController::okButtonAction);
}

APFSScanViewController::~APFSScanViewController()
{
    delete view_.data();
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

void APFSScanViewController::closeWindow()
{
    if (superDelegate_)
        superDelegate_->close();
}
