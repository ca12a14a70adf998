// The named images: every name the code uses has our SVG, and a missing
// name gives a null image and a log line.
#include "WidgetTestSupport.h"

#include "TestSupport.h"
#include "platform/Log.h"
#include "toolkit/ImageCache.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

using toolkit::ImageCache;

namespace {

// Functions whose literal arguments are image names.
const QStringList kNamingCalls = {QStringLiteral("imageNamed"), QStringLiteral("pixmapNamed"),
                                  QStringLiteral("iconNamed"), QStringLiteral("imageName"),
                                  QStringLiteral("setImageName"), QStringLiteral("setImageFromFileNormalName")};

// The argument text of every call of `function` in `source` (balanced parentheses).
QStringList callArguments(const QString& source, const QString& function)
{
    QStringList arguments;
    const QRegularExpression call(QStringLiteral("\\b%1\\s*\\(").arg(function));
    auto it = call.globalMatch(source);
    while (it.hasNext()) {
        const auto m = it.next();
        qsizetype i = m.capturedEnd();
        int depth = 1;
        bool inString = false;
        const qsizetype start = i;
        for (; i < source.size() && depth > 0; ++i) {
            const QChar c = source[i];
            if (inString) {
                if (c == QLatin1Char('\\'))
                    ++i;
                else if (c == QLatin1Char('"'))
                    inString = false;
            } else if (c == QLatin1Char('"')) {
                inString = true;
            } else if (c == QLatin1Char('(')) {
                ++depth;
            } else if (c == QLatin1Char(')')) {
                --depth;
            }
        }
        arguments.push_back(source.mid(start, i - start - 1));
    }
    return arguments;
}

struct NameUse {
    QString name;
    QString file;
};

// Every literal image name in the repository's sources.
QList<NameUse> scanRepository(const QString& root)
{
    QList<NameUse> uses;
    const QRegularExpression literal(QStringLiteral("\"([^\"\\\\]*)\""));
    QDirIterator it(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(root).relativeFilePath(path);
        if (relative.startsWith(QLatin1String("build")) || relative.startsWith(QLatin1Char('.')))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString source = QString::fromUtf8(file.readAll());
        for (const QString& function : kNamingCalls) {
            if (!source.contains(function))
                continue;
            for (const QString& args : callArguments(source, function)) {
                auto lit = literal.globalMatch(args);
                while (lit.hasNext()) {
                    const QString name = lit.next().captured(1);
                    // Formats ("...%1...") are filled at run time; empty names mean "none".
                    if (name.isEmpty() || name.contains(QLatin1Char('%')))
                        continue;
                    uses.push_back({name, relative});
                }
            }
        }
    }
    return uses;
}

} // namespace

TEST(ImageCache, EveryImageNameUsedInTheSourcesHasAnImage)
{
    const QList<NameUse> uses = scanRepository(QStringLiteral(NULLVANE_SOURCE_DIR));
    QSet<QString> names;
    for (const NameUse& use : uses)
        names.insert(use.name);
    // The scan must see the toolkit's own uses, or it proves nothing.
    for (const char* known : {"step_loading", "step_ok", "step", "btn_pril_normal", "checkbox_yes", "checkbox_no"})
        EXPECT_TRUE(names.contains(QLatin1String(known))) << "the scan missed " << known;

    for (const NameUse& use : uses) {
        const QString svg = QStringLiteral(NULLVANE_SOURCE_DIR "/resources/images/") + use.name + QStringLiteral(".svg");
        EXPECT_TRUE(QFileInfo::exists(svg)) << "\"" << use.name << "\" used in " << use.file << " has no " << svg;
        EXPECT_FALSE(ImageCache::imageNamed(use.name).isNull()) << "\"" << use.name << "\" does not load";
    }
}

TEST(ImageCache, EveryShippedImageLoadsWithASize)
{
    const QDir dir(QStringLiteral(NULLVANE_SOURCE_DIR "/resources/images"));
    const QStringList files = dir.entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    QList<QImage> tiles;
    for (const QString& file : files) {
        const QString name = QFileInfo(file).completeBaseName();
        const toolkit::NamedImage image = ImageCache::imageNamed(name);
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_GT(image.size().width(), 0) << name;
        EXPECT_GT(image.size().height(), 0) << name;
        // Something is drawn: not every pixel stays transparent.
        const QPixmap pm = image.pixmap(image.size(), 2.0);
        const QImage px = pm.toImage();
        bool inked = false;
        for (int y = 0; y < px.height() && !inked; ++y)
            for (int x = 0; x < px.width() && !inked; ++x)
                inked = qAlpha(px.pixel(x, y)) > 0;
        EXPECT_TRUE(inked) << name << " draws nothing";

        // A labelled tile for the contact sheet.
        QImage tile(220, 64, QImage::Format_ARGB32_Premultiplied);
        tile.fill(tktest::bodyColor());
        QPainter p(&tile);
        const QSizeF s = image.size();
        const double scale = std::min(1.0, std::min(200.0 / s.width(), 40.0 / s.height()));
        image.draw(p, QRectF(4, 4, s.width() * scale, s.height() * scale));
        p.setPen(QColor(220, 220, 230));
        p.drawText(QRectF(4, 46, 212, 16), Qt::AlignLeft | Qt::AlignVCenter, name);
        p.end();
        tiles.push_back(tile);
    }
    tktest::savePng(tktest::sheet(tiles, 5), QStringLiteral("images_contact_sheet"));
}

TEST(ImageCache, MissingNameGivesANullImageAndOneLogLine)
{
    const QString missing = QStringLiteral("no-such-image-") + QString::number(4711);
    platform::LogCapture capture;
    EXPECT_TRUE(ImageCache::imageNamed(missing).isNull());
    EXPECT_TRUE(ImageCache::pixmapNamed(missing).isNull());
    EXPECT_TRUE(ImageCache::iconNamed(missing).isNull());
    int mentions = 0;
    for (const QString& line : capture.lines())
        mentions += line.contains(missing) ? 1 : 0;
    EXPECT_EQ(mentions, 1) << capture.lines();
}

TEST(ImageCache, SameNameGivesTheSameLoadedImage)
{
    const toolkit::NamedImage a = ImageCache::imageNamed(QStringLiteral("back"));
    const toolkit::NamedImage b = ImageCache::imageNamed(QStringLiteral("back"));
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.size(), QSizeF(32, 32));
    EXPECT_EQ(ImageCache::pixmapNamed(QStringLiteral("back"), QSizeF(), 2.0).size(), QSize(64, 64));
}

TEST(ImageCache, StretchableSkinsFillAnyRectangle)
{
    // Drawn into a rectangle of another shape, a skin covers all of it.
    const toolkit::NamedImage skin = ImageCache::imageNamed(QStringLiteral("btn_pril_normal"));
    QImage image(300, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    skin.draw(p, QRectF(0, 0, 300, 20));
    p.end();
    EXPECT_GT(qAlpha(image.pixel(150, 10)), 250);
    EXPECT_GT(qAlpha(image.pixel(296, 10)), 200) << "the skin kept its aspect ratio instead of stretching";
    EXPECT_GT(qAlpha(image.pixel(4, 10)), 200);
}
