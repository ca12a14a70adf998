#pragma once
// An image view showing a named image scaled to its bounds.

#include "ImageCache.h"

#include <QWidget>

class NamedImageView : public QWidget {
    Q_OBJECT
public:
    explicit NamedImageView(QWidget* parent = nullptr);
    NamedImageView(const QRect& frame, QWidget* parent);

    void setImageName(const QString& name);
    QString imageName() const { return image_.name(); }
    const toolkit::NamedImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    toolkit::NamedImage image_;
};
