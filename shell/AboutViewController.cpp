#include "AboutViewController.h"

#include "DialogViews.h"
#include "UpdateManifest.h"

#include "core/EULinkUrl.h"
#include "platform/gui/Workspace.h"
#include "toolkit/ImageCache.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/StatusAttachedWindow.h"
#include "toolkit/TextImageButton.h"

#include <QLabel>
#include <QUrl>

AboutViewController::AboutViewController(QObject* parent)
    : QObject(parent)
{
    view_ = std::make_unique<QWidget>();
    view_->resize(kWidth, kHeight);

    auto* logo = new QLabel(view_.get());
    logo->setGeometry(168, 26, 64, 64);
    logo->setScaledContents(true);
    logo->setPixmap(toolkit::ImageCache::pixmapNamed(QStringLiteral("app_logo"), QSizeF(64, 64), 2.0));

    toolkit::makeLabel(view_.get(), QRect(20, 98, 360, 28), QStringLiteral("Nullvane"), toolkit::boldFont(20),
                       toolkit::whiteAlpha(1.0f), Qt::AlignCenter);
    auto* versionBackdrop = new AboutVersionBgView(view_.get());
    versionBackdrop->setGeometry(120, 132, 160, 22);
    versionLabel = toolkit::makeLabel(view_.get(), QRect(120, 132, 160, 22), versionText(), toolkit::lightFont(12),
                                      toolkit::whiteAlpha(0.9f), Qt::AlignCenter);
    QLabel* summary = toolkit::makeLabel(view_.get(), QRect(16, 166, 368, 40),
                                         QStringLiteral("安全擦除文件、磁盘与剩余空间，清理软件与浏览器留下的痕迹。"),
                                         toolkit::lightFont(12), toolkit::whiteAlpha(0.6f), Qt::AlignCenter);
    summary->setWordWrap(true);
    toolkit::makeLabel(view_.get(), QRect(20, 208, 360, 18), QStringLiteral("© Corvel 保留所有权利。"),
                       toolkit::lightFont(11), toolkit::whiteAlpha(0.4f), Qt::AlignCenter);

    aboutButton = toolkit::makeTextButton(view_.get(), QRect(86, 244, 108, 32), toolkit::primaryButtonSkin(),
                                          QStringLiteral("访问官网"));
    connect(aboutButton, &QAbstractButton::clicked, this, &AboutViewController::aboutButtonAction);

    closeButton = toolkit::makeTextButton(view_.get(), QRect(206, 244, 108, 32), toolkit::secondaryButtonSkin(),
                                          QStringLiteral("关闭"));
    connect(closeButton, &QAbstractButton::clicked, this, &AboutViewController::closeWindow);
}

AboutViewController::~AboutViewController() = default;

QString AboutViewController::versionText()
{
    return QStringLiteral("版本 %1 (%2)").arg(QStringLiteral(NULLVANE_VERSION)).arg(localVersionCheck());
}

void AboutViewController::aboutButtonAction()
{
    const QString link = EULinkUrl::GetUrl(QStringLiteral("AboutURL"));
    if (!link.isEmpty())
        platform::workspace::openUrl(QUrl(link));
}

void AboutViewController::closeWindow()
{
    if (superDelegate)
        superDelegate->close();
}
