#include "BrowerButtonCell.h"

#include "toolkit/ImageCache.h"

#include <QPainter>

QString BrowerButtonCell::imageNameForState(int isSelect)
{
    switch (isSelect) {
    case 1: return toolkit::imageName("checkbox_yes");
    case 2: return toolkit::imageName("checkbox_election");
    default: return toolkit::imageName("checkbox_no");
    }
}

QRectF BrowerButtonCell::imageRectForCellFrame(const QRectF& frame)
{
    return QRectF(frame.center().x() - kImageSide / 2, frame.center().y() - kImageSide / 2, kImageSide, kImageSide);
}

QRectF BrowerButtonCell::hitBoxForCellFrame(const QRectF& frame)
{
    return imageRectForCellFrame(frame).adjusted(-4, -4, 4, 4);
}

void BrowerButtonCell::drawWithFrame(QPainter& painter, const QRectF& frame) const
{
    if (!image_.isNull())
        image_.paint(&painter, imageRectForCellFrame(frame).toAlignedRect());
}
