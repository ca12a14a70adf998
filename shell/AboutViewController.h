#pragma once
// The About dialog: the product, its version and build, and a button to the
// maker's page ("AboutURL").

#include <QObject>
#include <QPointer>
#include <memory>

class QLabel;
class QWidget;
class StatusAttachedWindow;
class TextImageButton;

class AboutViewController : public QObject {
    Q_OBJECT
public:
    explicit AboutViewController(QObject* parent = nullptr);
    ~AboutViewController() override;

    QWidget* view() const { return view_.get(); }

    // The hosting pop-up window; closing does nothing while it is unset.
    QPointer<StatusAttachedWindow> superDelegate;

    // Opens the "AboutURL" link.
    void aboutButtonAction();
    void closeWindow();

    // "版本 1.0.0 (100)": the program's version and the local build number.
    static QString versionText();

    static constexpr int kWidth = 400;
    static constexpr int kHeight = 300;

    QLabel* versionLabel = nullptr;
    TextImageButton* aboutButton = nullptr;
    TextImageButton* closeButton = nullptr;

private:
    std::unique_ptr<QWidget> view_;
};
