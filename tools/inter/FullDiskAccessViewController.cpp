#include "FullDiskAccessViewController.h"

#include "core/PublicUtilities.h"
#include "platform/gui/Workspace.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/TextImageButton.h"

#include <QLabel>

namespace {
constexpr int kWidth = 480;
constexpr int kHeight = 220;
} // namespace

FullDiskAccessViewController::FullDiskAccessViewController(QObject* parent) : QObject(parent)
{
    view_ = new QWidget;
    view_->resize(kWidth, kHeight);
    toolkit::makeLabel(view_, QRect(28, 24, kWidth - 56, 26), QStringLiteral("需要“完全磁盘访问权限”"),
                       toolkit::regularFont(16), toolkit::whiteAlpha(1.0f));
    QLabel* note = toolkit::makeLabel(view_, QRect(28, 58, kWidth - 56, 76),
                                      QStringLiteral("系统保护着浏览器的数据，本程序现在无法读取其中的一部分，"
                                                     "这些项目会显示为零。请在系统设置的“隐私与安全性”中为本程序"
                                                     "打开“完全磁盘访问权限”，然后重新扫描。"),
                                      toolkit::lightFont(13), toolkit::whiteAlpha(0.6f), Qt::AlignLeft | Qt::AlignTop);
    note->setWordWrap(true);
    laterButton_ = toolkit::makeTextButton(view_, QRect(kWidth - 264, 160, 110, 36), toolkit::secondaryButtonSkin(),
                                           QStringLiteral("以后再说"), 14);
    connect(laterButton_, &QAbstractButton::clicked, this, &FullDiskAccessViewController::closeWindow);
    openButton_ = toolkit::makeTextButton(view_, QRect(kWidth - 138, 160, 110, 36), toolkit::primaryButtonSkin(),
                                          QStringLiteral("打开设置"), 14);
    connect(openButton_, &QAbstractButton::clicked, this, [this] {
        openSetView();
        closeWindow();
    });
}

FullDiskAccessViewController::~FullDiskAccessViewController()
{
    delete view_.data();
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

void FullDiskAccessViewController::closeWindow()
{
    if (superDelegate_)
        superDelegate_->close();
}
