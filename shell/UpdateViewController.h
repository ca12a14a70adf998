#pragma once
// The update dialog: it checks on a worker whether a newer build is
// published and then shows exactly one of three views for good: no network,
// no update, or the new version with its change list and an install button.

#include "Lifeline.h"

#include <QObject>
#include <QPointer>
#include <QVariant>
#include <memory>

class QFont;
class QLabel;
class QScrollArea;
class QWidget;
class StatusAttachedWindow;
class TextImageButton;

class UpdateViewController : public QObject {
    Q_OBJECT
public:
    // Builds the view and starts the check.
    explicit UpdateViewController(QObject* parent = nullptr);
    ~UpdateViewController() override;

    QWidget* view() const { return view_.get(); }

    enum class State { Checking, NoNetwork, NoUpdate, HaveUpdate };
    State state() const { return state_; }

    // The hosting pop-up window; closing does nothing while it is unset.
    QPointer<StatusAttachedWindow> superDelegate;

    void closeWindow();
    void closeWindowAction() { closeWindow(); }
    // Closes the dialog, then opens the "UpdateURL" link.
    void updateClickHereAction();

    // Compares the manifest with the local build and fills the views.
    void whatIsNewVersionDiff(const QVariant& manifest);
    // The height `text` needs in `font` when wrapped to `width`.
    static double heightForStringDrawing(const QString& text, const QFont& font, double width);

    static constexpr int kWidth = 460;
    static constexpr int kHeight = 320;
    static constexpr int kListWidth = 416;
    static constexpr int kListHeight = 170;

    QWidget* checkProgressView = nullptr;
    QWidget* noNetworkView = nullptr;
    QWidget* noUpdateView = nullptr;
    QWidget* haveUpdateView = nullptr;
    QLabel* titleLable = nullptr;
    QLabel* versionLabel = nullptr;
    QScrollArea* changeValueScrollView = nullptr;
    QWidget* showVersionScrollView = nullptr;
    TextImageButton* proClose = nullptr;
    TextImageButton* noNetClose = nullptr;
    TextImageButton* noUpdateClose = nullptr;
    TextImageButton* haveClose = nullptr;
    TextImageButton* updateButton = nullptr;

signals:
    // The check has ended in one of the three views.
    void checkFinished();

private:
    void awakeFromNib();
    void buildViews();
    void getVersionChange();
    void showOnly(QWidget* visible, State state);

    std::unique_ptr<QWidget> view_;
    State state_ = State::Checking;
    Lifeline lifeline_{this};
};
