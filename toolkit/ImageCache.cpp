#include "ImageCache.h"

#include "platform/Log.h"
#include "platform/Locations.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSet>
#include <QSvgRenderer>

namespace toolkit {

namespace {

struct CacheData {
    QHash<QString, std::shared_ptr<QSvgRenderer>> loaded;
    QSet<QString> missing;
};

CacheData& cache()
{
    static CacheData data;
    return data;
}

} // namespace

QSizeF NamedImage::size() const
{
    if (!renderer_)
        return {};
    const QRectF box = renderer_->viewBoxF();
    const QSize declared = renderer_->defaultSize();
    if (declared.isValid() && !declared.isEmpty())
        return QSizeF(declared);
    return box.size();
}

void NamedImage::draw(QPainter& painter, const QRectF& target, qreal opacity) const
{
    if (!renderer_ || target.isEmpty())
        return;
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    renderer_->render(&painter, target);
    painter.restore();
}

void NamedImage::draw(QPainter& painter, const QRectF& target, const QRectF& source, qreal opacity) const
{
    if (!renderer_ || target.isEmpty() || source.isEmpty())
        return;
    const QSizeF natural = size();
    if (source == QRectF(QPointF(0, 0), natural)) {
        draw(painter, target, opacity);
        return;
    }
    // Scale the whole image so that `source` lands on `target`, and clip.
    const double sx = target.width() / source.width();
    const double sy = target.height() / source.height();
    const QRectF whole(target.x() - source.x() * sx, target.y() - source.y() * sy,
                       natural.width() * sx, natural.height() * sy);
    painter.save();
    painter.setClipRect(target, Qt::IntersectClip);
    painter.setOpacity(painter.opacity() * opacity);
    renderer_->render(&painter, whole);
    painter.restore();
}

QPixmap NamedImage::pixmap(const QSizeF& pointSize, qreal devicePixelRatio) const
{
    if (!renderer_)
        return {};
    const QSizeF points = pointSize.isEmpty() ? size() : pointSize;
    const QSize pixels = (points * devicePixelRatio).toSize();
    if (pixels.isEmpty())
        return {};
    QPixmap pm(pixels);
    pm.fill(Qt::transparent);
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        renderer_->render(&p, QRectF(QPointF(0, 0), QSizeF(pixels)));
    }
    pm.setDevicePixelRatio(devicePixelRatio);
    return pm;
}

QString ImageCache::pathForName(const QString& name)
{
    return platform::resourcePath(QStringLiteral("images/") + name + QStringLiteral(".svg"));
}

NamedImage ImageCache::imageNamed(const QString& name)
{
    CacheData& c = cache();
    if (auto it = c.loaded.constFind(name); it != c.loaded.constEnd())
        return NamedImage(name, *it);
    if (name.isEmpty() || c.missing.contains(name))
        return {};

    const QString path = pathForName(name);
    auto renderer = std::make_shared<QSvgRenderer>();
    if (!QFile::exists(path) || !renderer->load(path) || !renderer->isValid()) {
        c.missing.insert(name);
        platform::log(QStringLiteral("image not found: \"%1\" (%2)").arg(name, path));
        return {};
    }
    renderer->setAspectRatioMode(Qt::IgnoreAspectRatio);
    c.loaded.insert(name, renderer);
    return NamedImage(name, renderer);
}

QPixmap ImageCache::pixmapNamed(const QString& name, const QSizeF& pointSize, qreal devicePixelRatio)
{
    return imageNamed(name).pixmap(pointSize, devicePixelRatio);
}

QIcon ImageCache::iconNamed(const QString& name)
{
    const NamedImage image = imageNamed(name);
    if (image.isNull())
        return {};
    QIcon icon;
    icon.addPixmap(image.pixmap(QSizeF(), 1.0));
    icon.addPixmap(image.pixmap(QSizeF(), 2.0));
    return icon;
}

void ImageCache::clear()
{
    cache().loaded.clear();
    cache().missing.clear();
}

} // namespace toolkit
