#include "SetEraserLevelVC.h"

#include "ErasureStandardChoice.h"
#include "toolkit/Label.h"
#include "toolkit/ToolArea.h"

#include "platform/Defaults.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/RightBgView.h"
#include "toolkit/TextImageButton.h"

#include <QPainter>

LevelRadioButton::LevelRadioButton(const QString& identifier, const QString& title, QWidget* parent)
    : QAbstractButton(parent), identifier_(identifier)
{
    setText(title);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setImageName(QStringLiteral("radiobutton_no"));
}

void LevelRadioButton::setImageName(const QString& name)
{
    image_ = toolkit::ImageCache::imageNamed(name);
    update();
}

void LevelRadioButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    image_.draw(painter, QRectF(0, (height() - 16) / 2.0, 16, 16));
    painter.setFont(toolkit::lightFont(14));
    painter.setPen(toolkit::whiteAlpha(0.9f));
    painter.drawText(QRectF(26, 0, width() - 26, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}

SetEraserLevelVC::SetEraserLevelVC(QObject* parent) : QObject(parent)
{
    loadView();
}

SetEraserLevelVC::~SetEraserLevelVC()
{
    delete view_.data();
}

QWidget* SetEraserLevelVC::view() const
{
    return view_;
}

void SetEraserLevelVC::loadView()
{
    view_ = new RightBgView;
    view_->resize(toolkit::kToolWidth, toolkit::kToolHeight);
    toolkit::makeLabel(view_, QRect(48, 36, 500, 28), QStringLiteral("擦除次数"), toolkit::regularFont(20),
                            toolkit::whiteAlpha(1.0f));
    toolkit::makeLabel(view_, QRect(48, 70, 634, 40),
                            QStringLiteral("选择覆盖文件内容的次数。次数越多，擦除所需的时间越长。"),
                            toolkit::lightFont(13), toolkit::whiteAlpha(0.6f));

    const QStringList levels = standardchoice::levelChoices();
    for (int i = 0; i < levels.size(); ++i) {
        auto* button = new LevelRadioButton(levels.at(i), QStringLiteral("擦除%1次").arg(levels.at(i)), view_);
        button->setGeometry(48, 130 + i * 44, 240, 32);
        connect(button, &QAbstractButton::clicked, this, [this, button] { buttonAction(button); });
        buttons_[static_cast<size_t>(i)] = button;
    }

    cancelButton_ = toolkit::makeTextButton(view_, QRect(440, 500, 116, 36), toolkit::secondaryButtonSkin(),
                                            QStringLiteral("Cancel"));
    connect(cancelButton_, &QAbstractButton::clicked, this, &SetEraserLevelVC::cancelButtonAction);

    saveButton_ = toolkit::makeTextButton(view_, QRect(566, 500, 116, 36), toolkit::secondaryButtonSkin(),
                                          QStringLiteral("Save"));
    connect(saveButton_, &QAbstractButton::clicked, this, &SetEraserLevelVC::saveButtonAction);
}

LevelRadioButton* SetEraserLevelVC::button(const QString& identifier) const
{
    for (LevelRadioButton* b : buttons_)
        if (b->identifier() == identifier)
            return b;
    return nullptr;
}

void SetEraserLevelVC::setEraserLevelSelect()
{
    setLevelStr(QString::asprintf("%d", platform::defaults::integerForKey(QStringLiteral("EraserTimes"))));
}

void SetEraserLevelVC::setLevelStr(const QString& text)
{
    for (LevelRadioButton* b : buttons_)
        b->setImageName(QStringLiteral("radiobutton_no"));
    eraserLevel_ = text;
    if (LevelRadioButton* b = button(text))
        b->setImageName(QStringLiteral("radiobutton_sel"));
}

void SetEraserLevelVC::buttonAction(LevelRadioButton* sender)
{
    if (sender)
        setLevelStr(sender->identifier());
}

void SetEraserLevelVC::saveButtonAction()
{
    standardchoice::storeEraserLevel(eraserLevel_);
    cancelButtonAction();
}

void SetEraserLevelVC::cancelButtonAction()
{
    if (delegate_)
        delegate_->closeSetEraserLevelView();
}
