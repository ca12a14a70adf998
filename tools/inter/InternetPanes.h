#pragma once
// The Browser Cleaner's four panels, built in code: start (the scan button
// over the loading backdrop), loading (the turning image), result (both
// lists, the browser's name, clean and back) and end (after a clean).
// The screen controller owns the state; this only builds. Main thread only.

#include "BroTableView.h"

#include <QTimer>
#include <QWidget>

class QLabel;
class QScrollArea;
class RightBgView;
class TCImageButton;
class TextImageButton;

// The loading animation: an arc that turns while the view is shown.
class LoadImageView : public QWidget {
    Q_OBJECT
public:
    explicit LoadImageView(QWidget* parent = nullptr);
    int angle() const { return angle_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer timer_;
    int angle_ = 0;
};

struct InternetPanes {
    QWidget* scanNodeView = nullptr;
    TextImageButton* scanButton = nullptr;
    RightBgView* loadBgView = nullptr;
    QWidget* loadAnView = nullptr;
    LoadImageView* loadImageView = nullptr;
    QWidget* detailBGView = nullptr;
    BroTableView* leftTableView = nullptr;
    BroTableView* rightTableView = nullptr;
    QScrollArea* leftScroll = nullptr;
    QScrollArea* rightScroll = nullptr;
    QLabel* nameLabel = nullptr;
    TextImageButton* cleanButton = nullptr;
    TCImageButton* backHomeButton = nullptr;
    RightBgView* cleanEndView = nullptr;
    TCImageButton* cleanEndBack = nullptr;
    TextImageButton* cleanEndOkBut = nullptr;
};

// Builds every panel into `root` (the 730 × 580 tool area), in the order
// they stack, with the start panel showing.
InternetPanes buildInternetPanes(QWidget* root);
