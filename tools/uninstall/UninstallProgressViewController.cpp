#include "UninstallProgressViewController.h"

#include "platform/Log.h"
#include "toolkit/Coordinates.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/NamedImageView.h"
#include "toolkit/ProgressView.h"
#include "toolkit/TextImageButton.h"

#include <QFontMetrics>
#include <QLabel>

namespace {
constexpr int kTitleBarHeight = 28;
constexpr int kPaneHeight = UninstallProgressViewController::kHeight - kTitleBarHeight;
} // namespace

UninstallProgressViewController::UninstallProgressViewController(QObject* parent) : QObject(parent)
{
    loadView();
}

UninstallProgressViewController::~UninstallProgressViewController()
{
    if (tabBarView_)
        tabBarView_->setDelegate(nullptr);
    delete view_.data();
}

void UninstallProgressViewController::loadView()
{
    view_ = new QWidget;
    view_->resize(kWidth, kHeight);

    tabBarView_ = new TabBarView(view_);
    tabBarView_->setGeometry(14, 10, 60, 16);
    tabBarView_->setDelegate(this);

    progressView_ = new QWidget(view_);
    progressView_->setGeometry(0, kTitleBarHeight, kWidth, kPaneHeight);
    toolkit::makeLabel(progressView_, QRect(32, 24, kWidth - 64, 26), QStringLiteral("正在卸载所选项目…"),
                       toolkit::regularFont(16), toolkit::whiteAlpha(1.0f));
    // The bar: (32, 118, 496, 4) from the pane's bottom-left corner.
    progressBar_ = new ProgressView(toolkit::flipRect(QRectF(32, 118, 496, 4), kPaneHeight).toRect(), progressView_);
    progressBar_->changeProgressValue(0);
    progressBar_->show();
    pathLabel_ = toolkit::makeLabel(progressView_, QRect(32, progressBar_->geometry().bottom() + 14, 496, 20), QString(),
                                    toolkit::lightFont(12), toolkit::whiteAlpha(0.6f));

    endView_ = new QWidget(view_);
    endView_->setGeometry(0, kTitleBarHeight, kWidth, kPaneHeight);
    endView_->hide();
    endIcon_ = new NamedImageView(QRect(32, 22, 48, 48), endView_);
    endIcon_->setImageName(QStringLiteral("result_success"));
    messageLabel_ = toolkit::makeLabel(endView_, QRect(96, 18, kWidth - 128, 78), QString(), toolkit::regularFont(14),
                                       toolkit::whiteAlpha(0.9f));
    messageLabel_->setWordWrap(true);
    okButton_ = toolkit::makeTextButton(endView_, QRect(kWidth - 32 - 110, kPaneHeight - 24 - 36, 110, 36),
                                        toolkit::primaryButtonSkin(), QStringLiteral("好"));
    connect(okButton_, &QAbstractButton::clicked, this, &UninstallProgressViewController::okButtonAction);
}

void UninstallProgressViewController::changeProgressValue(int percent, const QString& path)
{
    percent_ = percent;
    progressBar_->changeProgressValue(static_cast<float>(std::clamp(percent, 0, 100)));
    pathLabel_->setText(QFontMetrics(pathLabel_->font()).elidedText(path, Qt::ElideMiddle, pathLabel_->width()));
    platform::log(QStringLiteral("------%1").arg(percent));
    emit progressChanged(percent, path);
    if (percent < 100)
        return;
    platform::log(QStringLiteral("2------%1").arg(percent));
    progressView_->hide();
    endView_->show();
    // The result is a dialog like the others: "好" closes it, no window buttons.
    tabBarView_->hide();
}

void UninstallProgressViewController::changeLabel(const QString& message, bool allRemoved)
{
    messageLabel_->setText(message);
    endIcon_->setImageName(allRemoved ? QStringLiteral("result_success") : QStringLiteral("result_fail"));
}

void UninstallProgressViewController::okButtonAction()
{
    if (delegate_)
        delegate_->uninstallEnd();
    closeWindow();
}

void UninstallProgressViewController::closeWindowAction()
{
    okButtonAction();
}

void UninstallProgressViewController::closeWindow()
{
    if (superDelegate_)
        superDelegate_->close();
}
