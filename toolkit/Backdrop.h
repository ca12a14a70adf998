#pragma once
// The blurred picture a translucent dialog or drop-down is drawn over. The
// desktop cannot blur behind a window here, so the window takes a picture of
// what of the application's own windows lies behind it, blurs it strongly and
// paints it as the base of its background path; the fill, the outline and the
// arrow go on top unchanged. Where nothing of ours lies behind, the picture
// is the body colour, opaque.

#include <QColor>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QTimer>

class QWidget;

namespace toolkit {

// The window body colour, what lies behind where none of our windows does.
QColor backdropEmptyColor();

// What of the application's visible windows below `self` lies under
// `globalRect` (Qt global coordinates), over `empty` where none does. Below
// means: ordinary windows under dialogs, both under drop-downs and tool
// windows; pop-up menus and tooltips never count.
QImage pictureBehind(const QWidget* self, const QRect& globalRect, const QColor& empty);

// A box blur over the rows and then the columns, `reach` pixels each way, the
// edge pixels repeating past the edges; alpha is blurred with the colours
// (premultiplied). Same size.
QImage boxBlur(const QImage& image, int reach);

// Detail gone, colours kept: a strong blur of `image`, same size. `radius` is
// the blur's reach in points (the system asks for 400: nothing of the shapes
// behind stays).
QImage blurStrongly(const QImage& image, int radius);

// A soft, nearly Gaussian blur (three box passes of `reach` pixels each way),
// same size; alpha is blurred with the colours.
QImage blurSoftly(const QImage& image, int reach);

// Keeps the blurred picture behind `window` current while it is shown: taken
// when it shows, moves or is resized, and when one of the windows behind it
// repaints under it (gathered, at most every kRefreshMs).
class BackdropKeeper : public QObject {
public:
    static constexpr int kRefreshMs = 80;

    BackdropKeeper(QWidget* window, int radius);

    // 0: no blur, and no listening to the windows behind.
    void setRadius(int radius);
    // The transparent band around the body (its shadow's room): the picture
    // covers only what lies inside it.
    void setInset(int inset) { inset_ = inset; }
    // The current picture, the size of the window inside its inset; null
    // until the window shows.
    const QImage& picture() const { return picture_; }
    // Takes the picture now and repaints the window.
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void schedule();
    // Listens to the repaints of the whole application, or stops.
    void watch(bool on);
    // Where the picture is taken, in global coordinates.
    QRect pictureRect() const;

    QWidget* window_;
    int radius_;
    int inset_ = 0;
    QImage picture_;
    QTimer timer_;
    bool watching_ = false;
};

} // namespace toolkit
