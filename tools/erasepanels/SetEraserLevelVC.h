#pragma once
// The pass-count panel: five radio buttons (1, 2, 3, 7, 35 passes), Cancel
// and Save. Save stores "EraserTimes" and a standard of that many passes
// (see standardchoice::storeEraserLevel), so every label names what runs.

#include <QAbstractButton>
#include <QObject>
#include <QPointer>
#include <array>

#include "toolkit/ImageCache.h"

class TextImageButton;

class SetEraserLevelVCDelegate {
public:
    virtual ~SetEraserLevelVCDelegate() = default;
    // The host slides the panel away.
    virtual void closeSetEraserLevelView() {}
};

// One radio button of the panel: its image and its title.
class LevelRadioButton : public QAbstractButton {
    Q_OBJECT
public:
    LevelRadioButton(const QString& identifier, const QString& title, QWidget* parent);
    QString identifier() const { return identifier_; }
    void setImageName(const QString& name);
    QString imageName() const { return image_.name(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString identifier_;
    toolkit::NamedImage image_;
};

class SetEraserLevelVC : public QObject {
    Q_OBJECT
public:
    explicit SetEraserLevelVC(QObject* parent = nullptr);
    ~SetEraserLevelVC() override;

    QWidget* view() const;

    void setDelegate(SetEraserLevelVCDelegate* delegate) { delegate_ = delegate; }

    // Ticks the button of the stored "EraserTimes"; hosts call it after
    // loading the panel.
    void setEraserLevelSelect();
    // Ticks the button whose identifier is `text` (none for another text,
    // which is still kept).
    void setLevelStr(const QString& text);
    QString eraserLevel() const { return eraserLevel_; }

    void buttonAction(LevelRadioButton* sender);
    void saveButtonAction();
    void cancelButtonAction();

    // but_1, but_2, but_3, but_7, but_35 in that order.
    const std::array<LevelRadioButton*, 5>& radioButtons() const { return buttons_; }
    LevelRadioButton* button(const QString& identifier) const;
    TextImageButton* cancelButton() const { return cancelButton_; }
    TextImageButton* saveButton() const { return saveButton_; }

private:
    void loadView();

    QPointer<QWidget> view_;
    std::array<LevelRadioButton*, 5> buttons_{};
    TextImageButton* cancelButton_ = nullptr;
    TextImageButton* saveButton_ = nullptr;
    QString eraserLevel_;
    SetEraserLevelVCDelegate* delegate_ = nullptr;
};
