#pragma once
// The small notice after an export of the erase history: whether the page
// was written, and where.

#include <QObject>
#include <QPointer>

#include "toolkit/StatusAttachedWindow.h"

class QLabel;
class TextImageButton;

class ExportViewController : public QObject {
    Q_OBJECT
public:
    explicit ExportViewController(QObject* parent = nullptr);
    ~ExportViewController() override;

    QWidget* view() const;

    void setSuperDelegate(StatusAttachedWindow* window) { superDelegate_ = window; }

    // The export's outcome: the file written, or why nothing was.
    void setExported(const QString& path);
    void setFailed(const QString& path, const QString& reason);

    void closeButtonAction();

    TextImageButton* closeButton() const { return closeButton_; }
    QLabel* titleLabel() const { return title_; }
    QLabel* detailLabel() const { return detail_; }

private:
    void loadView();

    QPointer<QWidget> view_;
    QLabel* title_ = nullptr;
    QLabel* detail_ = nullptr;
    TextImageButton* closeButton_ = nullptr;
    QPointer<StatusAttachedWindow> superDelegate_;
};
