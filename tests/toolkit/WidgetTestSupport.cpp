#include "WidgetTestSupport.h"

#include "TestSupport.h"
#include "toolkit/Animation.h"
#include "toolkit/InterfaceStyle.h"

#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>

namespace tktest {

namespace {

// Every widget test runs with animations finishing at once.
class ToolkitEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        toolkit::setAnimationScale(0.0);
        toolkit::reloadInterfaceFonts();
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ToolkitEnvironment);

} // namespace

QColor bodyColor() { return QColor(50, 50, 62); }

QImage render(QWidget* widget, const QColor& backdrop)
{
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(backdrop);
    QPainter painter(&image);
    widget->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.end();
    return image;
}

QString savePng(const QImage& image, const QString& name)
{
    const QString path = nvtest::outputFolder(QStringLiteral("toolkit")) + QLatin1Char('/') + name + QStringLiteral(".png");
    EXPECT_TRUE(image.save(path)) << path;
    return path;
}

QImage saveRendering(QWidget* widget, const QString& name, const QColor& backdrop)
{
    const QImage image = render(widget, backdrop);
    savePng(image, name);
    return image;
}

QImage sheet(const QList<QImage>& images, int columns, const QColor& backdrop, int gap)
{
    int cellW = 0, cellH = 0;
    for (const QImage& i : images) {
        cellW = std::max(cellW, i.width());
        cellH = std::max(cellH, i.height());
    }
    const int rows = (static_cast<int>(images.size()) + columns - 1) / columns;
    QImage out(gap + columns * (cellW + gap), gap + rows * (cellH + gap), QImage::Format_ARGB32_Premultiplied);
    out.fill(backdrop);
    QPainter p(&out);
    for (int i = 0; i < images.size(); ++i)
        p.drawImage(gap + (i % columns) * (cellW + gap), gap + (i / columns) * (cellH + gap), images[i]);
    return out;
}

bool near(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance && std::abs(a.alpha() - b.alpha()) <= tolerance;
}

} // namespace tktest
