// The drop target: files and folders come through as local paths, always
// as a copy; image data is taken and ignored; other things are refused.
#include "WidgetTestSupport.h"

#include "TestSupport.h"
#include "platform/Log.h"
#include "toolkit/DragView.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

struct Recorder : DragViewDelegate {
    QList<QStringList> drops;
    void viewDragAction(const QStringList& paths) override { drops << paths; }
};

struct DropResult {
    bool enterAccepted = false;
    bool dropAccepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

DropResult drag(DragView& view, QMimeData* data, Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction)
{
    DropResult result;
    const QPoint at(50, 50);
    QDragEnterEvent enter(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &enter);
    result.enterAccepted = enter.isAccepted();
    if (!result.enterAccepted)
        return result;
    QDropEvent drop(QPointF(at), actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &drop);
    result.dropAccepted = drop.isAccepted();
    result.action = drop.dropAction();
    return result;
}

// A drop target of 400 × 300 that tells a recorder what it takes.
class DragViewWithDelegate : public ::testing::Test {
protected:
    DragViewWithDelegate() { view.setDelegate(&recorder); }
    Recorder recorder;
    DragView view{QRect(0, 0, 400, 300), nullptr};
};

} // namespace

TEST(DragView, FilesAndFoldersArriveAsLocalPathsInOrderAsACopy)
{
    const QString folder = nvtest::freshFolder(QStringLiteral("drop"));
    ASSERT_TRUE(nvtest::writeFile(folder + QStringLiteral("/b 文件.txt"), "b"));
    ASSERT_TRUE(nvtest::writeFile(folder + QStringLiteral("/a.bin"), "a"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/子文件夹")));
    const QStringList paths = {folder + QStringLiteral("/b 文件.txt"), folder + QStringLiteral("/子文件夹"),
                               folder + QStringLiteral("/a.bin")};

    Recorder recorder;
    DragView view(QRect(0, 0, 400, 300), nullptr);
    view.setDelegate(&recorder);
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    data->setUrls(urls);
    const DropResult result = drag(view, data);
    delete data;
    EXPECT_TRUE(result.enterAccepted);
    EXPECT_TRUE(result.dropAccepted);
    EXPECT_EQ(result.action, Qt::CopyAction) << "never a move";
    ASSERT_EQ(recorder.drops.size(), 1) << "every path in one call";
    EXPECT_EQ(recorder.drops[0], paths);
}

TEST_F(DragViewWithDelegate, ASourceThatCannotCopyIsRefused)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/x"))});
    const DropResult result = drag(view, &data, Qt::MoveAction);
    EXPECT_FALSE(result.enterAccepted);
    EXPECT_TRUE(recorder.drops.isEmpty());
}

TEST_F(DragViewWithDelegate, ImageDataIsTakenAndIgnoredEvenBesideFileNames)
{
    QMimeData data;
    data.setData(DragView::kTiffMimeType, QByteArray("II*\0fake tiff", 13));
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/picture.tiff"))});
    const DropResult result = drag(view, &data);
    EXPECT_TRUE(result.dropAccepted);
    EXPECT_EQ(result.action, Qt::CopyAction);
    EXPECT_TRUE(recorder.drops.isEmpty()) << "the image wins; its file names are not delivered";
}

TEST_F(DragViewWithDelegate, EmptyImageDataIsRefusedWithALogLine)
{
    QMimeData data;
    data.setData(DragView::kTiffMimeType, QByteArray());
    platform::LogCapture capture;
    const DropResult result = drag(view, &data);
    EXPECT_TRUE(result.enterAccepted);
    EXPECT_FALSE(result.dropAccepted);
    EXPECT_TRUE(capture.contains(QStringLiteral("Error: MyNSView performDragOperation zPasteboardData == nil")));
}

TEST_F(DragViewWithDelegate, AddressesOfOtherMachinesAreLeftOut)
{
    QMimeData mixed;
    mixed.setUrls({QUrl(QStringLiteral("https://example.org/file.zip")), QUrl::fromLocalFile(QStringLiteral("/tmp/local.txt")),
                   QUrl(QStringLiteral("file://fileserver/share/remote.txt")), QUrl(QStringLiteral("smb://nas/x"))});
    EXPECT_TRUE(drag(view, &mixed).dropAccepted);
    ASSERT_EQ(recorder.drops.size(), 1);
    EXPECT_EQ(recorder.drops[0], QStringList{QStringLiteral("/tmp/local.txt")});

    QMimeData remoteOnly;
    remoteOnly.setUrls({QUrl(QStringLiteral("https://example.org/file.zip"))});
    EXPECT_FALSE(drag(view, &remoteOnly).enterAccepted) << "nothing local: not offered for drop";
    platform::LogCapture capture;
    EXPECT_FALSE(view.performDragOperation(&remoteOnly));
    EXPECT_TRUE(capture.contains(QStringLiteral("Error MyNSView performDragOperation")));
    EXPECT_EQ(recorder.drops.size(), 1);
}

TEST(DragView, TextAloneIsNotTaken)
{
    DragView view(QRect(0, 0, 400, 300), nullptr);
    QMimeData text;
    text.setText(QStringLiteral("/tmp/looks-like-a-path"));
    EXPECT_FALSE(drag(view, &text).enterAccepted);
}

TEST(DragView, WithoutADelegateAFileDropIsAQuietSuccess)
{
    DragView view(QRect(0, 0, 400, 300), nullptr);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/x"))});
    EXPECT_TRUE(drag(view, &data).dropAccepted);
    EXPECT_TRUE(view.acceptDrops());
}

TEST(DragView, IsInvisible)
{
    QWidget pane;
    pane.resize(400, 200);
    DragView view(QRect(20, 20, 360, 160), &pane);
    const QImage image = tktest::render(&view, QColor(50, 50, 62));
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            ASSERT_EQ(QColor::fromRgba(image.pixel(x, y)), QColor(50, 50, 62)) << x << "," << y;
    tktest::savePng(image, QStringLiteral("dragview_invisible"));
}
