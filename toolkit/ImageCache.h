#pragma once
// Named images: our own SVG art compiled in under ":/nullvane/images/",
// loaded once per name and kept for the life of the application.
//
// Code names an image by passing a literal to imageNamed(), pixmapNamed(),
// iconNamed() or setImageFromFileNormalName(); names kept in tables are
// wrapped in imageName() so that the repository scan, which checks that
// every name used has an SVG, finds them too.

#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <memory>

class QPainter;
class QSvgRenderer;

namespace toolkit {

// An image as the interface uses it: drawn scaled into any rectangle.
// A null image draws nothing.
class NamedImage {
public:
    NamedImage() = default;

    bool isNull() const { return !renderer_; }
    QString name() const { return name_; }
    // The size the SVG declares, in points.
    QSizeF size() const;

    // Draws the whole image scaled into `target` (Qt coordinates).
    void draw(QPainter& painter, const QRectF& target, qreal opacity = 1.0) const;
    // Draws the part `source` (in the image's own points, y down) into `target`.
    void draw(QPainter& painter, const QRectF& target, const QRectF& source, qreal opacity = 1.0) const;

    // A pixmap of `pointSize` (the natural size when empty) for a screen of
    // `devicePixelRatio`.
    QPixmap pixmap(const QSizeF& pointSize = QSizeF(), qreal devicePixelRatio = 1.0) const;

    bool operator==(const NamedImage& other) const { return renderer_ == other.renderer_ && name_ == other.name_; }
    bool operator!=(const NamedImage& other) const { return !(*this == other); }

private:
    friend class ImageCache;
    NamedImage(QString name, std::shared_ptr<QSvgRenderer> renderer)
        : name_(std::move(name)), renderer_(std::move(renderer)) {}

    QString name_;
    std::shared_ptr<QSvgRenderer> renderer_;
};

class ImageCache {
public:
    // The image of that name; a null image (and one log line per name) when
    // there is no such image. Main thread only.
    static NamedImage imageNamed(const QString& name);
    static QPixmap pixmapNamed(const QString& name, const QSizeF& pointSize = QSizeF(),
                               qreal devicePixelRatio = 1.0);
    static QIcon iconNamed(const QString& name);

    // Resource path of a name's SVG.
    static QString pathForName(const QString& name);

    // Drops every loaded image (tests that swap the resource folder).
    static void clear();
};

inline NamedImage imageNamed(const QString& name) { return ImageCache::imageNamed(name); }

// Marks a literal as an image name for the repository scan; returns it as is.
inline QString imageName(const char* name) { return QString::fromUtf8(name); }

} // namespace toolkit
