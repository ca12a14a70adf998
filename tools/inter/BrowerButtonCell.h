#pragma once
// The tick box of a row of the browser cleaner's lists: it shows the node's
// state (none, ticked, partly ticked) and remembers the node it stands for,
// so a click acts on that node. Main thread only.

#include "BrowerObj.h"

#include <QIcon>
#include <QRectF>

class QPainter;

class BrowerButtonCell {
public:
    static constexpr double kImageSide = 16;

    BrowerObjPtr broObj() const { return broObj_.lock(); }
    void setBroObj(const BrowerObjPtr& node) { broObj_ = node; }
    void setImage(const QIcon& image) { image_ = image; }
    QIcon image() const { return image_; }

    // The image name of a node's state: "checkbox_no", "checkbox_yes" or
    // "checkbox_election".
    static QString imageNameForState(int isSelect);

    // The box drawn (and hit) in a cell `frame`: the image centred.
    static QRectF imageRectForCellFrame(const QRectF& frame);
    // A click counts a little around the image.
    static QRectF hitBoxForCellFrame(const QRectF& frame);
    void drawWithFrame(QPainter& painter, const QRectF& frame) const;

private:
    std::weak_ptr<BrowerObj> broObj_;
    QIcon image_;
};
