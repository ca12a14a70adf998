#include "StandardConfirmViewController.h"

#include "ErasureStandardChoice.h"
#include "toolkit/Label.h"
#include "toolkit/Coordinates.h"

#include "core/ErasureStandards.h"
#include "toolkit/DropDownHost.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/MAAttachedWindow.h"
#include "toolkit/StatusAttachedWindow.h"
#include "toolkit/TextImageButton.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int kWidth = 560;
constexpr int kHeight = 240;
} // namespace

StandardMenuButton::StandardMenuButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

void StandardMenuButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath box;
    box.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    painter.fillPath(box, toolkit::colorOf(255, 255, 255, underMouse() ? 0.22 : 0.16));
    // The drop-down's triangle at the right end.
    const double cx = width() - 16.0;
    const double cy = height() / 2.0;
    QPainterPath arrow;
    arrow.moveTo(cx - 5, cy - 2.5);
    arrow.lineTo(cx + 5, cy - 2.5);
    arrow.lineTo(cx, cy + 3.5);
    arrow.closeSubpath();
    painter.fillPath(arrow, toolkit::whiteAlpha(0.8f));
}

StandardConfirmViewController::StandardConfirmViewController(const QString& title, const QString& message,
                                                             const QPointF& menuAnchor, QObject* parent)
    : QObject(parent), menuAnchor_(menuAnchor)
{
    dropDown_ = new DropDownHost(toolkit::DropDownState::Reopen::IgnoreWhileOpen, this);
    loadView(title, message);
}

StandardConfirmViewController::~StandardConfirmViewController()
{
    delete dropDown_;
    dropDown_ = nullptr;
    delete view_.data();
}

QWidget* StandardConfirmViewController::view() const
{
    return view_;
}

void StandardConfirmViewController::loadView(const QString& title, const QString& message)
{
    view_ = new QWidget;
    view_->resize(kWidth, kHeight);
    toolkit::makeLabel(view_, QRect(28, 24, kWidth - 56, 26), title,
                            toolkit::regularFont(16), toolkit::whiteAlpha(1.0f));
    toolkit::makeLabel(view_, QRect(28, 56, kWidth - 56, 36),
                            message,
                            toolkit::lightFont(13), toolkit::whiteAlpha(0.6f));
    toolkit::makeLabel(view_, QRect(28, 104, 150, 32), QStringLiteral("擦除标准:"), toolkit::lightFont(14),
                            toolkit::whiteAlpha(0.9f));

    menuButton_ = new StandardMenuButton(view_);
    menuButton_->setGeometry(190, 104, 330, 32);
    connect(menuButton_, &QAbstractButton::clicked, this, &StandardConfirmViewController::openMenuAction);
    formatTypeText_ = toolkit::makeLabel(menuButton_, QRect(12, 0, 330 - 40, 32), QString(), toolkit::lightFont(13),
                                              toolkit::whiteAlpha(1.0f));

    noButton_ = toolkit::makeTextButton(view_, QRect(296, 178, 110, 36), toolkit::secondaryButtonSkin(),
                                        QStringLiteral("取消"));
    connect(noButton_, &QAbstractButton::clicked, this, &StandardConfirmViewController::noButtonAction);

    okButton_ = toolkit::makeTextButton(view_, QRect(420, 178, 110, 36), toolkit::primaryButtonSkin(),
                                        QStringLiteral("继续"));
    connect(okButton_, &QAbstractButton::clicked, this, &StandardConfirmViewController::okButtonAction);

    // The stored index, compared as its "%d" text with "0" … "7".
    formatTypeText_->setText(standardchoice::chosenStandardLabel());
}

void StandardConfirmViewController::setLevelStr(const QString& text)
{
    formatTypeText_->setText(standardchoice::labelForTagText(text));
}

bool StandardConfirmViewController::isPopSortWin() const
{
    return dropDown_->isShown();
}

FormatLTypeViewController* StandardConfirmViewController::formatTypeVC() const
{
    return qobject_cast<FormatLTypeViewController*>(dropDown_->listController());
}

QWidget* StandardConfirmViewController::sortAttachedWindow() const
{
    return dropDown_->attachedWindow();
}

void StandardConfirmViewController::openMenuAction()
{
    if (!dropDown_->canOpen())
        return;
    QWidget* parentWindow = superDelegate_ ? static_cast<QWidget*>(superDelegate_.data()) : view_->window();
    // The view's origin inside its window, in the window's base coordinates.
    const QPointF origin = superDelegate_ ? superDelegate_->viewFrame().topLeft()
                                          : toolkit::windowBasePoint(view_, QPointF(0, view_->height()));
    auto* list = new FormatLTypeViewController;
    list->setDelegate(this);
    dropDown_->open(list, list->view(), parentWindow, origin + menuAnchor_, 1, 0.0f);
}

void StandardConfirmViewController::closeMattachedWindow()
{
    dropDown_->closeMattachedWindow();
}

void StandardConfirmViewController::mouseEixtView(bool exited)
{
    dropDown_->mouseEixtView(exited);
}

void StandardConfirmViewController::selectFormatbyType(int index)
{
    if (index >= 0 && index < erasureStandardCount())
        formatTypeText_->setText(erasureStandardLabel(index));
    dropDown_->choiceMade();
}

void StandardConfirmViewController::okButtonAction()
{
    // The list closes first, so the run does not start under it.
    dropDown_->choiceMade();
    confirmed();
    closeWindow();
}

void StandardConfirmViewController::noButtonAction()
{
    dropDown_->choiceMade();
    closeWindow();
}

void StandardConfirmViewController::closeWindow()
{
    if (superDelegate_)
        superDelegate_->close();
}
