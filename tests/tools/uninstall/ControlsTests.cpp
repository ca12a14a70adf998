// The uninstaller's small views and cells: the kind switcher, the search box,
// the name cell, the icon-and-title cell, the dark segmented cell with its
// inner shadow, and the progress dialog part way through; each rendered.
#include "ScreenTestSupport.h"

#include "toolkit/ImageCache.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/CustemOutlineView.h"
#include "toolkit/ProgressView.h"
#include "toolkit/RFOverlayScroller.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/TextImageButton.h"
#include "tools/uninstall/CustemSegmentVC.h"
#include "tools/uninstall/CustemTextField.h"
#include "tools/uninstall/ImageTextCell.h"
#include "tools/uninstall/MakeSureUninstallViewController.h"
#include "tools/uninstall/MCAdditions.h"
#include "tools/uninstall/SNRHUDSegmentedCell.h"
#include "tools/uninstall/SearchBgView.h"
#include "tools/uninstall/UninstallCell.h"
#include "tools/uninstall/UninstallProgressViewController.h"

#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

namespace {

struct KindSpy : CustemSegmentVCDelegate {
    QList<int> kinds;
    void segmentSelectWithIndex(int kind) override { kinds << kind; }
};

struct EditSpy : CustemTextFieldDelegate {
    int began = 0;
    void beginToEnditForTextField() override { ++began; }
};

QImage canvas(const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(50, 50, 62));
    return image;
}

void save(const QImage& image, const QString& name)
{
    EXPECT_TRUE(image.save(nvtest::outputFolder(QStringLiteral("uninstall")) + QLatin1Char('/') + name + QStringLiteral(".png")));
}

} // namespace

TEST(UninstallControls, TheKindSwitcherReportsOnlyWhileItAcceptsClicks)
{
    CustemSegmentVC segment;
    KindSpy spy;
    segment.setDelegate(&spy);
    EXPECT_EQ(CustemSegmentVC::tabImages("0"), (QStringList{"tab_app_sel", "tab_wid", "tab_plugin"}));
    EXPECT_EQ(CustemSegmentVC::tabImages("1"), (QStringList{"tab_app", "tab_wid_sel", "tab_plugin"}));
    EXPECT_EQ(CustemSegmentVC::tabImages("2"), (QStringList{"tab_app", "tab_wid", "tab_plugin_sel"}));

    QTest::mouseClick(segment.tab(3), Qt::LeftButton);
    EXPECT_EQ(spy.kinds, QList<int>{2});
    EXPECT_EQ(segment.tab(3)->normalImageName(), QStringLiteral("tab_plugin_sel"));
    segment.setSegmentEndit(false);
    QTest::mouseClick(segment.tab(2), Qt::LeftButton);
    EXPECT_EQ(spy.kinds, QList<int>{2});
    EXPECT_EQ(segment.tabImageName(3), QStringLiteral("tab_plugin_sel"));
    segment.setSegmentEndit(true);
    QTest::mouseClick(segment.tab(2), Qt::LeftButton);
    EXPECT_EQ(spy.kinds, (QList<int>{2, 1}));
    segment.buttonSelectAction("7");
    EXPECT_EQ(spy.kinds, (QList<int>{2, 1}));

    QWidget frame;
    screentest::bodyBackdrop(frame);
    frame.resize(segment.view()->size() + QSize(20, 20));
    segment.view()->setParent(&frame);
    segment.view()->move(10, 10);
    frame.show();
    screentest::savePng(&frame, "CustemSegmentVC");
}

TEST(UninstallControls, TheSearchBoxTellsWhenEditingStartsAndDrawsItsOwnInsertionPoint)
{
    QWidget frame;
    frame.resize(214, 44);
    auto* bg = new SearchBgView(&frame);
    bg->move(10, 10);
    EXPECT_EQ(bg->size(), QSize(194, 24));
    auto* field = new CustemTextField(bg);
    field->setGeometry(30, 0, 140, 24);
    field->setPlaceholder("搜索");
    EditSpy spy;
    field->setCTdelegate(&spy);
    frame.show();
    frame.activateWindow();
    field->setFocus();
    ASSERT_TRUE(nvtest::pumpUntil([field] { return field->hasFocus(); }));
    EXPECT_EQ(spy.began, 1);
    EXPECT_EQ(CustemTextFieldCell::insertionPointColor(), toolkit::whiteAlpha(0.6f));
    EXPECT_EQ(field->style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, field), 0);
    bg->setBeEenditing(true);
    EXPECT_TRUE(bg->isEditing());

    // The background: white at 0.16 over the dark body, rounded corners.
    const QImage shown = frame.grab().toImage();
    const QColor inside = shown.pixelColor(10 + 97, 10 + 2);
    EXPECT_GT(inside.red(), 60);
    QTest::keyClicks(field, "Re<i>");
    EXPECT_EQ(field->text(), QStringLiteral("Re<i>"));
    screentest::savePng(&frame, "SearchBgView");
}

TEST(UninstallControls, TheNameCellPlacesIconNameAndIdentifier)
{
    ImageTextCell cell;
    const QRectF frame(45, 100, 320, 50);
    cell.setPrimaryTextKeyPath("Name");
    cell.setSecondaryTextKeyPath("org.example.name");
    EXPECT_EQ(cell.primaryTextRect(frame), QRectF(45 + 48, 105, 260, 20));
    EXPECT_EQ(cell.secondaryTextRect(frame), QRectF(45 + 48, 122, 200, 20));
    EXPECT_EQ(cell.iconRect(frame, false), QRectF(50, 109, 32, 32));
    EXPECT_EQ(cell.iconRect(frame, true), QRectF(50, 100 + 50 - 9 - 32, 32, 32));
    cell.setSecondaryTextKeyPath(QString());
    EXPECT_EQ(cell.primaryTextRect(frame), QRectF(45 + 48, 114, 260, 20));

    cell.setSecondaryTextKeyPath("com.example.a-very-long-identifier-that-does-not-fit-in-two-hundred-points");
    cell.setPrimaryTextKeyPath("<b>Not bold</b> & a name long enough to be cut at the tail of its box");
    cell.setIconImage(toolkit::ImageCache::iconNamed("ic_uninstall_sel"));
    QImage image = canvas(QSize(380, 60));
    QPainter painter(&image);
    cell.drawWithFrame(painter, QRectF(10, 5, 320, 50));
    painter.end();
    save(image, "ImageTextCell");
}

TEST(UninstallControls, TheIconAndTitleCellGeometry)
{
    UninstallCell cell;
    const QRectF frame(0, 10, 300, 36);
    EXPECT_TRUE(cell.imageFrameForCellFrame(frame, QSizeF(24, 24)).isNull());
    cell.setImage(toolkit::ImageCache::iconNamed("ic_trash"));
    EXPECT_EQ(cell.imageFrameForCellFrame(frame, QSizeF(24, 24)), QRectF(3, 16, 24, 24));
    EXPECT_EQ(cell.imageFrameForCellFrame(QRectF(0, 0, 10, 25), QSizeF(24, 24)), QRectF(3, 1, 24, 24));
    EXPECT_EQ(cell.imageDrawRect(frame, true), QRectF(3, 10 - 24 + 30, 24, 24));
    EXPECT_EQ(cell.imageDrawRect(frame, false), QRectF(3, 10 - 24 + 6, 24, 24));
    EXPECT_EQ(cell.editFrame(frame, QSizeF(24, 24)), QRectF(27, 10, 273, 36));
    EXPECT_EQ(cell.cellSize(QSizeF(100, 17), QSizeF(24, 24)), QSizeF(127, 17));
    cell.setFont(toolkit::regularFont(13));
    const QRectF title = cell.titleRectForBounds(frame);
    EXPECT_EQ(title.x(), 27 + 8);
    EXPECT_NEAR(title.center().y(), frame.center().y() - 0.5, 0.01);
    cell.setTitle("com.example.<tag>.plist");
    QImage image = canvas(QSize(300, 56));
    QPainter painter(&image);
    cell.drawWithFrame(painter, frame);
    painter.end();
    save(image, "UninstallCell");
}

TEST(UninstallControls, TheDarkSegmentedCellLaysOutAndShadesItsSegments)
{
    SNRHUDSegmentedCell cell;
    cell.segments = {{"应用程序", {}, 0, true}, {"小部件", {}, 0, true}, {"插件", {}, 0, false}};
    const QRectF frame(0, 0, 301, 25);
    EXPECT_EQ(SNRHUDSegmentedCell::backgroundRect(frame), QRectF(0.5, 0.5, 300, 23));
    const QList<QRectF> rects = cell.segmentRects(frame);
    ASSERT_EQ(rects.size(), 3);
    EXPECT_DOUBLE_EQ(rects[0].width(), 98 + 3);
    EXPECT_DOUBLE_EQ(rects[1].x(), 0.5 + 101);
    EXPECT_DOUBLE_EQ(rects[2].width(), 98);
    EXPECT_DOUBLE_EQ(rects[2].right(), 300.5);
    cell.segments[1].width = 60;
    EXPECT_DOUBLE_EQ(cell.segmentRects(frame)[1].width(), 63);
    cell.segments[1].width = 0;
    EXPECT_EQ(SNRHUDSegmentedCell::labelRect(rects[0]), rects[0].adjusted(5, 0, -5, 0));

    cell.selectedSegment = 0;
    QImage image = canvas(QSize(321, 45));
    QPainter painter(&image);
    painter.translate(10, 10);
    cell.drawWithFrame(painter, frame, 1);
    painter.translate(0, 0);
    painter.end();
    save(image, "SNRHUDSegmentedCell");
    // The chosen segment is sunk in: darker just under its top edge than in
    // its middle.
    const QColor top = image.pixelColor(10 + 20, 10 + 3);
    const QColor middle = image.pixelColor(10 + 20, 10 + 14);
    EXPECT_LT(top.lightness(), middle.lightness());

    // A disabled cell draws at half opacity: closer to the body colour.
    SNRHUDSegmentedCell off = cell;
    off.enabled = false;
    off.selectedSegment = -1;
    QImage dim = canvas(QSize(321, 45));
    QPainter p2(&dim);
    p2.translate(10, 10);
    off.drawWithFrame(p2, frame);
    p2.end();
    save(dim, "SNRHUDSegmentedCell-disabled");
    EXPECT_NE(dim.pixelColor(10 + 150, 10 + 20), image.pixelColor(10 + 150, 10 + 20));

    SNRHUDSegmentedControl control;
    control.cell() = cell;
    control.resize(301, 25);
    control.show();
    QList<int> chosen;
    QObject::connect(&control, &SNRHUDSegmentedControl::segmentSelected, [&](int i) { chosen << i; });
    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(150, 12));
    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(250, 12)); // disabled segment
    EXPECT_EQ(chosen, QList<int>{1});
    EXPECT_EQ(control.cell().selectedSegment, 1);
}

TEST(UninstallControls, TheInnerShadowStaysInsideThePath)
{
    QImage image(QSize(60, 60), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    QPainterPath path;
    path.addRect(QRectF(10, 10, 40, 40));
    mcadditions::fillWithInnerShadow(painter, path, {QColor(0, 0, 0, 255), QPointF(0, 2), 3});
    painter.end();
    save(image, "fillWithInnerShadow");
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::white));    // outside: untouched
    EXPECT_EQ(image.pixelColor(55, 30), QColor(Qt::white));
    EXPECT_LT(image.pixelColor(30, 11).lightness(), 200);   // under the top edge: shadow
    EXPECT_EQ(image.pixelColor(30, 30), QColor(Qt::white));  // the middle: clear
}

TEST(UninstallControls, TheProgressDialogPartWayAndAtItsEnd)
{
    UninstallProgressViewController progress;
    EXPECT_EQ(progress.okButton()->textField()->text(), QStringLiteral("好"));
    EXPECT_EQ(progress.progressBar()->geometry(), QRect(32, 192 - 118 - 4, 496, 4));
    QWidget frame;
    screentest::bodyBackdrop(frame);
    frame.resize(progress.view()->size());
    progress.view()->setParent(&frame);
    frame.show();
    progress.changeProgressValue(33, "/Applications/Some <b>Tool</b>.app/Contents/Resources/a very long path/that goes on.plist");
    EXPECT_EQ(progress.pathLabel()->textFormat(), Qt::PlainText);
    EXPECT_TRUE(progress.progressView()->isVisible());
    EXPECT_FALSE(progress.endView()->isVisible());
    EXPECT_EQ(progress.progressBar()->pProgress1()->width(), qRound(496 * 0.33));
    screentest::savePng(&frame, "UninstallProgressViewController-running");
    progress.changeLabel("Nullvane已成功删除所选应用程序和所有关联文件。释放1.00 MB磁盘空间。");
    progress.changeProgressValue(100, "/Applications/Tool.app");
    EXPECT_FALSE(progress.progressView()->isVisible());
    EXPECT_TRUE(progress.endView()->isVisible());
    EXPECT_EQ(progress.messageLabel()->textFormat(), Qt::PlainText);
    // The result shows no window buttons: where they stood is body colour.
    const QImage end = frame.grab().toImage();
    screentest::savePng(&frame, "UninstallProgressViewController-result");
    for (int x = 10; x < 80; ++x)
        for (int y = 6; y < 30; ++y)
            ASSERT_EQ(end.pixelColor(x, y), QColor(50, 50, 62)) << x << "," << y;
}

TEST(UninstallControls, TheConfirmationTreeScrollsWithTheOverlayScrollerOfEveryList)
{
    AMAppItemList group;
    for (int i = 0; i < 20; ++i) {
        auto item = std::make_shared<AMAppItem>();
        item->path = QStringLiteral("/nowhere/related-%1").arg(i);
        item->name = QStringLiteral("related-%1").arg(i);
        item->size = QStringLiteral("1.00 KB");
        group << item;
    }
    MakeSureUninstallViewController dialog({group});
    QWidget frame;
    screentest::bodyBackdrop(frame);
    frame.resize(dialog.view()->size());
    dialog.view()->setParent(&frame);
    frame.show();
    nvtest::pump(50);

    CustemOutlineView* tree = dialog.outlineView();
    auto* scroller = tree->parentWidget()->findChild<RFOverlayScroller*>();
    ASSERT_NE(scroller, nullptr);
    EXPECT_FALSE(tree->verticalScrollBar()->isVisible()) << "no classic bar with arrows";
    EXPECT_TRUE(scroller->isVisible());
    // Drawn: the rows keep the list's whole width, and the slim knob lies
    // over their right edge, lighter than the rows under it.
    EXPECT_EQ(tree->viewport()->width(), tree->width() - 2 * tree->frameWidth());
    const QImage image = frame.grab().toImage();
    save(image, "MakeSureUninstallViewController-scroller");
    const QRect knob = scroller->knobRect().toAlignedRect().translated(scroller->mapTo(&frame, QPoint(0, 0)));
    ASSERT_FALSE(knob.isEmpty());
    const QColor rows = image.pixelColor(knob.left() - 20, knob.center().y());
    EXPECT_GT(image.pixelColor(knob.center()).lightness(), rows.lightness() + 20);
    EXPECT_LE(knob.width(), 12) << "a slim knob, not a classic bar";
}
