#include "FormatEndViewController.h"

#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/NamedImageView.h"
#include "toolkit/TextImageButton.h"

#include <QLabel>
#include <algorithm>

namespace {
constexpr int kWidth = 440;
constexpr int kHeight = 200;
constexpr int kDetailHeight = 60;
constexpr int kButtonY = 138;
} // namespace

FormatEndViewController::FormatEndViewController(QObject* parent) : QObject(parent)
{
    view_ = new QWidget;
    view_->resize(kWidth, kHeight);
    resultImage_ = new NamedImageView(QRect(28, 28, 56, 56), view_);
    titleLabel_ = toolkit::makeLabel(view_, QRect(100, 28, kWidth - 128, 26), QString(), toolkit::regularFont(16),
                                     toolkit::whiteAlpha(1.0f));
    detailLabel_ = toolkit::makeLabel(view_, QRect(100, 58, kWidth - 128, kDetailHeight), QString(),
                                      toolkit::lightFont(13), toolkit::whiteAlpha(0.6f), Qt::AlignLeft | Qt::AlignTop);
    detailLabel_->setWordWrap(true);
    closeButton_ = toolkit::makeTextButton(view_, QRect(kWidth - 28 - 110, kButtonY, 110, 36),
                                           toolkit::primaryButtonSkin(), QStringLiteral("好"), 14);
    connect(closeButton_, &QAbstractButton::clicked, this, &FormatEndViewController::closeWindow);
}

FormatEndViewController::~FormatEndViewController()
{
    delete view_.data();
}

void FormatEndViewController::setResult(const QString& name, const QString& type, bool succeeded, const QString& reason)
{
    if (succeeded) {
        resultImage_->setImageName(QStringLiteral("result_success"));
        titleLabel_->setText(QStringLiteral("格式化完成"));
        detailLabel_->setText(QStringLiteral("'%1'已格式化为%2。").arg(name, type));
    } else {
        resultImage_->setImageName(QStringLiteral("result_fail"));
        titleLabel_->setText(QStringLiteral("格式化失败"));
        QString text = QStringLiteral("磁盘工具未能将'%1'格式化为%2。").arg(name, type);
        if (!reason.isEmpty())
            text += QLatin1Char('\n') + reason;
        detailLabel_->setText(text);
    }
    // A long reason (a refused name says what FAT takes) is shown whole: the
    // dialog grows downward by what its lines need.
    const int grow = std::max(0, detailLabel_->heightForWidth(detailLabel_->width()) - kDetailHeight);
    detailLabel_->resize(detailLabel_->width(), kDetailHeight + grow);
    closeButton_->move(closeButton_->x(), kButtonY + grow);
    view_->resize(kWidth, kHeight + grow);
}

void FormatEndViewController::closeWindow()
{
    if (superDelegate_)
        superDelegate_->close();
}
