#include "ExportViewController.h"

#include "toolkit/Label.h"

#include "toolkit/InterfaceStyle.h"
#include "toolkit/StatusAttachedWindow.h"
#include "toolkit/TextImageButton.h"

#include <QLabel>

namespace {
constexpr int kWidth = 420;
constexpr int kHeight = 170;
} // namespace

ExportViewController::ExportViewController(QObject* parent) : QObject(parent)
{
    loadView();
}

ExportViewController::~ExportViewController()
{
    delete view_.data();
}

QWidget* ExportViewController::view() const
{
    return view_;
}

void ExportViewController::loadView()
{
    view_ = new QWidget;
    view_->resize(kWidth, kHeight);
    title_ = toolkit::makeLabel(view_, QRect(28, 24, kWidth - 56, 26), QString(), toolkit::regularFont(16),
                                     toolkit::whiteAlpha(1.0f));
    detail_ = toolkit::makeLabel(view_, QRect(28, 56, kWidth - 56, 44), QString(), toolkit::lightFont(12),
                                      toolkit::whiteAlpha(0.6f), Qt::AlignLeft | Qt::AlignTop);
    detail_->setWordWrap(true);
    closeButton_ = toolkit::makeTextButton(view_, QRect(kWidth - 28 - 100, kHeight - 56, 100, 34), toolkit::secondaryButtonSkin(),
                                           QStringLiteral("好"));
    connect(closeButton_, &QAbstractButton::clicked, this, &ExportViewController::closeButtonAction);
    setExported(QString());
}

void ExportViewController::setExported(const QString& path)
{
    title_->setText(QStringLiteral("擦除历史已导出"));
    detail_->setText(path);
}

void ExportViewController::setFailed(const QString& path, const QString& reason)
{
    title_->setText(QStringLiteral("擦除历史导出失败"));
    detail_->setText(reason.isEmpty() ? path : QStringLiteral("%1\n%2").arg(path, reason));
}

void ExportViewController::closeButtonAction()
{
    if (superDelegate_)
        superDelegate_->close();
}
