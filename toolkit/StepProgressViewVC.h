#pragma once
// The three-step indicator of a free-space wipe: three step marks with
// captions, joined by two connectors.

#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <optional>

class NamedImageView;
class QLabel;
class QWidget;
class StepLineView;

namespace toolkit {

// What step 1, 2 or 3 shows: the three marks and whether each connector is done.
struct StepProgressState {
    std::array<QString, 3> images;
    std::array<bool, 2> linesDone;
    std::array<bool, 2> linesRedrawn;
};

std::optional<StepProgressState> stepProgressState(int step);

} // namespace toolkit

class StepProgressViewVC : public QObject {
    Q_OBJECT
public:
    static constexpr int kWidth = 730;
    static constexpr int kHeight = 72;

    explicit StepProgressViewVC(QObject* parent = nullptr);
    ~StepProgressViewVC() override;

    // The view, built on first use; owned by this controller.
    QWidget* view();

    void setLabelString_lebel_1(const QString& label1, const QString& label2, const QString& label3);

    // Shows step 1, 2 or 3 as the current one; any other value changes nothing.
    void runProgressStep(int step);

    NamedImageView* image_1() { view(); return image_1_; }
    NamedImageView* image_2() { view(); return image_2_; }
    NamedImageView* image_3() { view(); return image_3_; }
    QLabel* label_1() { view(); return label_1_; }
    QLabel* label_2() { view(); return label_2_; }
    QLabel* label_3() { view(); return label_3_; }
    StepLineView* line_1() { view(); return line_1_; }
    StepLineView* line_2() { view(); return line_2_; }

private:
    void loadView();

    QPointer<QWidget> view_;
    NamedImageView* image_1_ = nullptr;
    NamedImageView* image_2_ = nullptr;
    NamedImageView* image_3_ = nullptr;
    QLabel* label_1_ = nullptr;
    QLabel* label_2_ = nullptr;
    QLabel* label_3_ = nullptr;
    StepLineView* line_1_ = nullptr;
    StepLineView* line_2_ = nullptr;
};
