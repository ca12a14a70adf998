#include "MakeSureFormatViewController.h"

#include "RepairDiskRules.h"
#include "RepairDiskViews.h"

#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "toolkit/Coordinates.h"
#include "toolkit/DropDownHost.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/MAAttachedWindow.h"
#include "toolkit/NamedImageView.h"
#include "toolkit/TextImageButton.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kWidth = 520;
constexpr int kHeight = 270;
// Where the picker hangs from, in the host window's base coordinates.
const QPointF kPickerAnchor(282, 50);

// The box that shows the chosen file system and opens the picker.
class TypeBox : public QAbstractButton {
public:
    explicit TypeBox(QWidget* parent) : QAbstractButton(parent)
    {
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 2, 2);
        painter.fillPath(path, QColor(0, 0, 0, isEnabled() && underMouse() ? 70 : 51));
    }
};

} // namespace

MakeSureFormatViewController::MakeSureFormatViewController(QObject* parent, int pickerCloseMs) : QObject(parent)
{
    dropDown_ = new DropDownHost(toolkit::DropDownState::Reopen::IgnoreWhileOpen, this, nullptr, pickerCloseMs);
    loadView();
}

MakeSureFormatViewController::~MakeSureFormatViewController()
{
    delete dropDown_;
    dropDown_ = nullptr;
    delete view_.data();
}

void MakeSureFormatViewController::loadView()
{
    view_ = new QWidget;
    view_->resize(kWidth, kHeight);

    makeSureView_ = new QWidget(view_);
    makeSureView_->setGeometry(0, 0, kWidth, kHeight);
    nameLabel_ = toolkit::makeLabel(makeSureView_, QRect(28, 24, kWidth - 56, 26), QString(), toolkit::regularFont(16),
                                    toolkit::whiteAlpha(1.0f));
    nodeLabel_ = toolkit::makeLabel(makeSureView_, QRect(28, 54, kWidth - 56, 40), QString(), toolkit::lightFont(13),
                                    toolkit::whiteAlpha(0.6f), Qt::AlignLeft | Qt::AlignTop);
    nodeLabel_->setWordWrap(true);

    toolkit::makeLabel(makeSureView_, QRect(28, 104, 60, 30), QStringLiteral("名称:"), toolkit::lightFont(14),
                       toolkit::whiteAlpha(0.9f));
    auto* nameBg = new TextFiledBgView(makeSureView_);
    nameBg->setGeometry(96, 104, 240, 30);
    nameTextFiled_ = new QLineEdit(nameBg);
    nameTextFiled_->setGeometry(8, 0, 240 - 16, 30);
    nameTextFiled_->setFrame(false);
    nameTextFiled_->setFont(toolkit::lightFont(14));
    nameTextFiled_->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; color: white; }"
                                                 "QLineEdit:read-only { color: rgba(255,255,255,150); }"));
    nameTextFiled_->setReadOnly(true);

    toolkit::makeLabel(makeSureView_, QRect(28, 146, 60, 30), QStringLiteral("格式:"), toolkit::lightFont(14),
                       toolkit::whiteAlpha(0.9f));
    typeSelectBut_ = new TypeBox(makeSureView_);
    typeSelectBut_->setGeometry(96, 146, 240, 30);
    connect(typeSelectBut_, &QAbstractButton::clicked, this, &MakeSureFormatViewController::openMenuAction);
    typeLabel_ = toolkit::makeLabel(typeSelectBut_, QRect(8, 0, 200, 30), QString(), toolkit::lightFont(14),
                                    toolkit::whiteAlpha(1.0f));
    openImageV_ = new NamedImageView(QRect(240 - 22, 9, 12, 12), typeSelectBut_);
    openImageV_->setImageName(QStringLiteral("ic_format_arrow"));
    openImageV_->setAttribute(Qt::WA_TransparentForMouseEvents);

    noButton_ = toolkit::makeTextButton(makeSureView_, QRect(kWidth - 28 - 2 * 110 - 14, 206, 110, 36),
                                        toolkit::secondaryButtonSkin(), QStringLiteral("取消"), 12);
    connect(noButton_, &QAbstractButton::clicked, this, &MakeSureFormatViewController::noButtonAction);
    okButton_ = toolkit::makeTextButton(makeSureView_, QRect(kWidth - 28 - 110, 206, 110, 36),
                                        toolkit::primaryButtonSkin(), QStringLiteral("继续"), 12);
    connect(okButton_, &QAbstractButton::clicked, this, &MakeSureFormatViewController::okButtonAction);

    formatView_ = new QWidget(view_);
    formatView_->setGeometry(0, 0, kWidth, kHeight);
    loading_ = new LoadingSpinner(formatView_);
    loading_->setGeometry(kWidth / 2 - 20, 80, 40, 40);
    workingLabel_ = toolkit::makeLabel(formatView_, QRect(28, 136, kWidth - 56, 26), QString(), toolkit::lightFont(14),
                                       toolkit::whiteAlpha(0.9f), Qt::AlignCenter);
    formatView_->hide();
}

void MakeSureFormatViewController::setName(const QString& name, const QString& type)
{
    nameLabel_->setText(QStringLiteral("格式化'%1'?").arg(name));
    nodeLabel_->setText(QStringLiteral("'%1'上的所有数据在格式化后都将被删除，是否格式化？").arg(name));
    workingLabel_->setText(QStringLiteral("正在格式化'%1'…").arg(name));
    nameTextFiled_->setText(name);
    nameTextFiled_->setReadOnly(true);
    typeLabel_->setText(type);
    toolkit::setLabelColor(typeLabel_, QColor::fromRgbF(1, 1, 1, 1));
    openImageV_->show();
    typeSelectBut_->setEnabled(true);
    if (repairdisk::keepsItsType(type)) {
        toolkit::setLabelColor(typeLabel_, QColor::fromRgbF(0.5, 0.5, 0.5, 1));
        openImageV_->hide();
        typeSelectBut_->setEnabled(false);
    }
    // The field becomes editable once the dialog is up.
    QPointer<MakeSureFormatViewController> self(this);
    platform::dispatch::main([self] {
        if (self)
            self->chengTextStart();
    });
}

void MakeSureFormatViewController::chengTextStart()
{
    nameTextFiled_->setReadOnly(false);
}

bool MakeSureFormatViewController::isPopSortWin() const
{
    return dropDown_->isShown();
}

FormatTypeViewController* MakeSureFormatViewController::formatTypeVC() const
{
    return qobject_cast<FormatTypeViewController*>(dropDown_->listController());
}

QWidget* MakeSureFormatViewController::sortAttachedWindow() const
{
    return dropDown_->attachedWindow();
}

void MakeSureFormatViewController::openMenuAction()
{
    if (!typeSelectBut_->isEnabled() || !dropDown_->canOpen())
        return;
    QWidget* hostWindow = superDelegate_ ? static_cast<QWidget*>(superDelegate_.data()) : view_->window();
    // The anchor is given in the dialog view's own base coordinates; inside
    // a host window the view sits at its view frame.
    QPointF origin(0, 0);
    if (superDelegate_)
        origin = superDelegate_->viewFrame().topLeft();
    auto* list = new FormatTypeViewController;
    list->setDelegate(this);
    dropDown_->open(list, list->view(), hostWindow, origin + kPickerAnchor, 3, 0.0f);
}

void MakeSureFormatViewController::selectFormatbyType(int row)
{
    if (const auto type = repairdisk::formatTypeForRow(row))
        typeLabel_->setText(*type);
    dropDown_->choiceMade();
}

void MakeSureFormatViewController::mouseEixtView(bool exited)
{
    dropDown_->mouseEixtView(exited);
}

void MakeSureFormatViewController::closeMattachedWindow()
{
    dropDown_->closeMattachedWindow();
}

void MakeSureFormatViewController::okButtonAction()
{
    dropDown_->choiceMade();
    makeSureView_->hide();
    formatView_->show();
    loading_->startAnimation();
    platform::log(QStringLiteral("format asked as %1").arg(typeLabel_->text()));
    if (delegate_)
        delegate_->makeSureToFormatSelectVolumeWithName(nameTextFiled_->text(), typeLabel_->text());
}

void MakeSureFormatViewController::noButtonAction()
{
    closeWindow();
}

void MakeSureFormatViewController::closeWindow()
{
    dropDown_->choiceMade();
    loading_->stopAnimation();
    if (superDelegate_)
        superDelegate_->close();
}
