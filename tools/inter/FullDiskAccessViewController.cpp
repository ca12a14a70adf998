#include "FullDiskAccessViewController.h"

#include "core/PublicUtilities.h"
#include "platform/gui/Workspace.h"
#include "toolkit/TextImageButton.h"

namespace {
constexpr int kWidth = 480;
constexpr int kHeight = 220;
} // namespace

FullDiskAccessViewController::FullDiskAccessViewController(QObject* parent)
    : NoticeDialog(QSize(kWidth, kHeight), QStringLiteral("需要“完全磁盘访问权限”"),
                   QStringLiteral("系统保护着浏览器的数据，本程序现在无法读取其中的一部分，这些项目会显示为零。"
                                  "请在系统设置的“隐私与安全性”中为本程序打开“完全磁盘访问权限”，然后重新扫描。"),
                   76, parent)
{
    laterButton_ = toolkit::makeTextButton(view(), QRect(kWidth - 264, 160, 110, 36), toolkit::secondaryButtonSkin(),
                                           QStringLiteral("以后再说"), 14);
    connect(laterButton_, &QAbstractButton::clicked, this, &FullDiskAccessViewController::closeWindow);
    openButton_ = toolkit::makeTextButton(view(), QRect(kWidth - 138, 160, 110, 36), toolkit::primaryButtonSkin(),
                                          QStringLiteral("打开设置"), 14);
    connect(openButton_, &QAbstractButton::clicked, this, [this] {
        openSetView();
        closeWindow();
    });
}

void FullDiskAccessViewController::openSetView()
{
    if (PublicUtilities::getSystemVersion() < 1014)
        return;
    const QUrl url(QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles"));
    if (openUrl_)
        openUrl_(url);
    else
        platform::workspace::openUrl(url);
}
