#include "Backdrop.h"

#include <QApplication>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace toolkit {
namespace {

// While a picture is taken, the windows behind paint for it; those paints are
// not changes under the window.
bool taking = false;

// How high a window lies: ordinary windows, then dialogs, then drop-downs.
int layerOf(const QWidget* w)
{
    switch (w->windowType()) {
    case Qt::Tool: return 2;
    case Qt::Dialog:
    case Qt::Sheet: return 1;
    default: return 0;
    }
}

bool countsAsBehind(const QWidget* w, const QWidget* self)
{
    if (w == self || !w->isVisible() || w->isMinimized())
        return false;
    const Qt::WindowType type = w->windowType();
    if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen || type == Qt::Desktop)
        return false;
    return layerOf(w) < layerOf(self);
}

// Adds (sign 1) or takes away (sign -1) `count` pixels to per-pixel sums,
// four channels each.
void accumulate(int* sums, const QRgb* pixels, int count, int sign)
{
    for (int i = 0; i < count; ++i, sums += 4) {
        const QRgb c = pixels[i];
        sums[0] += sign * int(qRed(c));
        sums[1] += sign * int(qGreen(c));
        sums[2] += sign * int(qBlue(c));
        sums[3] += sign * int(qAlpha(c));
    }
}

} // namespace

QImage boxBlur(const QImage& source, int reach)
{
    if (reach <= 0 || source.isNull())
        return source;
    QImage image = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = image.width(), h = image.height();
    const int n = 2 * reach + 1;
    // Past the ends, the end pixels repeat.
    const auto clamped = [](int k, int length) { return std::clamp(k, 0, length - 1); };

    // Rows: one running sum slides along each row, read from a copy of it.
    std::vector<QRgb> line(w);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::copy(row, row + w, line.begin());
        int sum[4] = {0, 0, 0, 0};
        for (int k = -reach; k <= reach; ++k)
            accumulate(sum, &line[clamped(k, w)], 1, 1);
        for (int x = 0; x < w; ++x) {
            row[x] = qRgba(sum[0] / n, sum[1] / n, sum[2] / n, sum[3] / n);
            accumulate(sum, &line[clamped(x - reach, w)], 1, -1);
            accumulate(sum, &line[clamped(x + reach + 1, w)], 1, 1);
        }
    }

    // Columns: a running sum for every column at once, moved down a row at a
    // time, so the image is read and written row by row.
    const QImage rows = image.copy();
    const auto rowOf = [&](int y) { return reinterpret_cast<const QRgb*>(rows.constScanLine(clamped(y, h))); };
    std::vector<int> sums(4 * std::size_t(w), 0);
    for (int k = -reach; k <= reach; ++k)
        accumulate(sums.data(), rowOf(k), w, 1);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int* s = &sums[4 * std::size_t(x)];
            row[x] = qRgba(s[0] / n, s[1] / n, s[2] / n, s[3] / n);
        }
        accumulate(sums.data(), rowOf(y - reach), w, -1);
        accumulate(sums.data(), rowOf(y + reach + 1), w, 1);
    }
    return image;
}

QColor backdropEmptyColor() { return QColor(50, 50, 62); }

QImage pictureBehind(const QWidget* self, const QRect& globalRect, const QColor& empty)
{
    QImage picture(globalRect.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(empty);
    if (globalRect.isEmpty())
        return picture;
    std::vector<QWidget*> behind;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (countsAsBehind(w, self))
            behind.push_back(w);
    std::stable_sort(behind.begin(), behind.end(),
                     [](const QWidget* a, const QWidget* b) { return layerOf(a) < layerOf(b); });
    QPainter painter(&picture);
    taking = true;
    for (QWidget* w : behind) {
        const QRect area = globalRect.intersected(QRect(w->mapToGlobal(QPoint(0, 0)), w->size()));
        if (area.isEmpty())
            continue;
        const QRect local(w->mapFromGlobal(area.topLeft()), area.size());
        const QPixmap shot = w->grab(local);
        painter.drawPixmap(QRect(area.topLeft() - globalRect.topLeft(), area.size()), shot);
    }
    taking = false;
    return picture;
}

QImage blurStrongly(const QImage& image, int radius)
{
    if (image.isNull() || radius <= 0)
        return image;
    // Blurring a small copy and enlarging it smoothly keeps the cost low
    // however wide the reach.
    const int shrink = std::clamp(radius / 25, 4, 16);
    const QSize small(std::max(1, image.width() / shrink), std::max(1, image.height() / shrink));
    QImage reduced = image.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const int reach = std::max(2, std::min(radius / shrink, std::max(small.width(), small.height())) / 4);
    reduced = boxBlur(boxBlur(reduced, reach), reach);
    return reduced.scaled(image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage blurSoftly(const QImage& image, int reach)
{
    return boxBlur(boxBlur(boxBlur(image, reach), reach), reach);
}

BackdropKeeper::BackdropKeeper(QWidget* window, int radius) : QObject(window), window_(window), radius_(radius)
{
    timer_.setSingleShot(true);
    timer_.setInterval(kRefreshMs);
    connect(&timer_, &QTimer::timeout, this, &BackdropKeeper::refresh);
    window_->installEventFilter(this);
}

void BackdropKeeper::setRadius(int radius)
{
    if (radius == radius_)
        return;
    radius_ = radius;
    const bool shown = window_->isVisible();
    watch(shown && radius_ > 0);
    if (shown && radius_ > 0)
        schedule();
}

QRect BackdropKeeper::pictureRect() const
{
    return QRect(window_->mapToGlobal(QPoint(0, 0)), window_->size()).adjusted(inset_, inset_, -inset_, -inset_);
}

void BackdropKeeper::refresh()
{
    timer_.stop();
    if (radius_ <= 0) {
        picture_ = QImage();
        return;
    }
    if (!window_->isVisible())
        return;
    picture_ = blurStrongly(pictureBehind(window_, pictureRect(), backdropEmptyColor()), radius_);
    window_->update();
}

void BackdropKeeper::schedule()
{
    if (!timer_.isActive())
        timer_.start();
}

void BackdropKeeper::watch(bool on)
{
    if (on == watching_)
        return;
    watching_ = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool BackdropKeeper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_) {
        switch (event->type()) {
        case QEvent::Show:
            refresh();
            // Without a blur nothing behind matters.
            watch(radius_ > 0);
            break;
        case QEvent::Hide: watch(false); break;
        case QEvent::Move:
        case QEvent::Resize:
            if (window_->isVisible() && radius_ > 0)
                schedule();
            break;
        default: break;
        }
        return false;
    }
    // A window behind repainting where it lies under ours. Only the painted
    // area counts: a parent hears of every repaint of its children, and the
    // whole window behind would otherwise always lie under ours.
    if (event->type() == QEvent::Paint && !taking && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        QWidget* top = w->window();
        if (top != window_ && countsAsBehind(top, window_)) {
            const QRegion painted =
                static_cast<QPaintEvent*>(event)->region().translated(w->mapToGlobal(QPoint(0, 0)));
            if (painted.intersects(pictureRect()))
                schedule();
        }
    }
    return false;
}

} // namespace toolkit
