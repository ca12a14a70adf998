#include "FristAidViewController.h"

#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/NamedImageView.h"
#include "toolkit/TextImageButton.h"

#include <QLabel>

namespace {
constexpr int kWidth = 460;
constexpr int kHeight = 190;
} // namespace

FristAidViewController::FristAidViewController(QObject* parent) : QObject(parent)
{
    loadView();
}

FristAidViewController::~FristAidViewController()
{
    delete view_.data();
}

void FristAidViewController::loadView()
{
    view_ = new QWidget;
    view_->resize(kWidth, kHeight);
    auto* icon = new NamedImageView(QRect(28, 28, 48, 48), view_);
    icon->setImageName(QStringLiteral("ic_repair_sel"));
    topLabel_ = toolkit::makeLabel(view_, QRect(92, 26, kWidth - 120, 26), QString(), toolkit::regularFont(16),
                                   toolkit::whiteAlpha(1.0f));
    toolkit::makeLabel(view_, QRect(92, 56, kWidth - 120, 40),
                       QStringLiteral("“验证”只检查磁盘上的错误；“运行”会检查并修复错误。检查期间该宗卷会被暂时卸载。"),
                       toolkit::lightFont(12), toolkit::whiteAlpha(0.6f))
        ->setWordWrap(true);

    cancelBut_ = toolkit::makeTextButton(view_, QRect(kWidth - 3 * 100 - 2 * 12 - 24, 128, 100, 34),
                                         toolkit::secondaryButtonSkin(), QStringLiteral("取消"), 12);
    connect(cancelBut_, &QAbstractButton::clicked, this, &FristAidViewController::closeWindow);
    checkBut_ = toolkit::makeTextButton(view_, QRect(kWidth - 2 * 100 - 12 - 24, 128, 100, 34),
                                        toolkit::secondaryButtonSkin(), QStringLiteral("验证"), 12);
    connect(checkBut_, &QAbstractButton::clicked, this, &FristAidViewController::checkButAction);
    repairBut_ = toolkit::makeTextButton(view_, QRect(kWidth - 100 - 24, 128, 100, 34), toolkit::primaryButtonSkin(),
                                         QStringLiteral("运行"), 12);
    connect(repairBut_, &QAbstractButton::clicked, this, &FristAidViewController::repaireButAction);
}

void FristAidViewController::changeAidDiskName(const QString& name)
{
    topLabel_->setText(QStringLiteral("在'%1'上运行急救？").arg(name));
    topLabel_->setToolTip(topLabel_->text().toHtmlEscaped());
}

void FristAidViewController::checkButAction()
{
    closeWindow();
    if (delegate_)
        delegate_->checkDiskAction();
}

void FristAidViewController::repaireButAction()
{
    closeWindow();
    if (delegate_)
        delegate_->repairDiskAction();
}

void FristAidViewController::closeWindow()
{
    if (superDelegate_)
        superDelegate_->close();
}
