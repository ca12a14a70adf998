#include "StepProgressViewVC.h"

#include "InterfaceStyle.h"
#include "NamedImageView.h"
#include "StepLineView.h"

#include <QLabel>
#include <QWidget>

namespace toolkit {

std::optional<StepProgressState> stepProgressState(int step)
{
    const QString current = imageName("step_loading");
    const QString coming = imageName("step");
    const QString done = imageName("step_ok");
    switch (step) {
    case 1: return StepProgressState{{current, coming, coming}, {false, false}, {false, false}};
    case 2: return StepProgressState{{done, current, coming}, {true, false}, {true, false}};
    case 3: return StepProgressState{{done, done, current}, {true, true}, {true, true}};
    default: return std::nullopt;
    }
}

} // namespace toolkit

namespace {

// Step centres across the tool area's width.
constexpr int kCentres[3] = {165, 365, 565};
constexpr int kMark = 24;
constexpr int kMarkTop = 8;
constexpr int kLineGap = 10;
constexpr int kCaptionWidth = 180;

} // namespace

StepProgressViewVC::StepProgressViewVC(QObject* parent) : QObject(parent) {}

StepProgressViewVC::~StepProgressViewVC()
{
    delete view_.data();
}

QWidget* StepProgressViewVC::view()
{
    if (!view_)
        loadView();
    return view_;
}

void StepProgressViewVC::loadView()
{
    auto* root = new QWidget;
    root->resize(kWidth, kHeight);
    root->setAttribute(Qt::WA_TranslucentBackground);

    NamedImageView** images[3] = {&image_1_, &image_2_, &image_3_};
    QLabel** labels[3] = {&label_1_, &label_2_, &label_3_};
    for (int i = 0; i < 3; ++i) {
        *images[i] = new NamedImageView(QRect(kCentres[i] - kMark / 2, kMarkTop, kMark, kMark), root);
        auto* label = new QLabel(root);
        label->setGeometry(kCentres[i] - kCaptionWidth / 2, kMarkTop + kMark + 10, kCaptionWidth, 20);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setTextFormat(Qt::PlainText);
        label->setFont(toolkit::lightFont(13));
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, toolkit::whiteAlpha(0.8f));
        label->setPalette(palette);
        *labels[i] = label;
    }
    const int lineY = kMarkTop + kMark / 2 - 1;
    line_1_ = new StepLineView(root);
    line_1_->setGeometry(kCentres[0] + kMark / 2 + kLineGap, lineY, kCentres[1] - kCentres[0] - kMark - 2 * kLineGap, 2);
    line_2_ = new StepLineView(root);
    line_2_->setGeometry(kCentres[1] + kMark / 2 + kLineGap, lineY, kCentres[2] - kCentres[1] - kMark - 2 * kLineGap, 2);
    view_ = root;
}

void StepProgressViewVC::setLabelString_lebel_1(const QString& label1, const QString& label2, const QString& label3)
{
    view();
    label_1_->setText(label1);
    label_2_->setText(label2);
    label_3_->setText(label3);
}

void StepProgressViewVC::runProgressStep(int step)
{
    const auto state = toolkit::stepProgressState(step);
    if (!state)
        return;
    view();
    StepLineView* lines[2] = {line_1_, line_2_};
    for (int i = 0; i < 2; ++i) {
        lines[i]->setIsRuned(state->linesDone[i]);
        if (state->linesRedrawn[i])
            lines[i]->update();
    }
    image_1_->setImageName(state->images[0]);
    image_2_->setImageName(state->images[1]);
    image_3_->setImageName(state->images[2]);
}
