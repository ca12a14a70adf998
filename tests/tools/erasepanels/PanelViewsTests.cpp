// The panels the File Eraser and the disk wipe share: the erasure-standard
// drop-down, the pass-count panel and the NTFS notice, each rendered and
// driven offscreen.
#include "ScreenTestSupport.h"

#include "tools/erasepanels/FormatLTypeViewController.h"
#include "tools/erasepanels/NTFSViewController.h"
#include "tools/erasepanels/SetEraserLevelVC.h"

#include "core/ErasureStandards.h"
#include "core/PublicUtilities.h"
#include "platform/Defaults.h"
#include "toolkit/EUHandButton.h"
#include "toolkit/ModalDialog.h"
#include "toolkit/TextImageButton.h"

#include <QEnterEvent>
#include <QLabel>
#include <QTest>

using screentest::darkBackdrop;
using screentest::labelColor;
using screentest::sendEnter;
using screentest::sendLeave;

static ::testing::Environment* const kNoAnimations = ::testing::AddGlobalTestEnvironment(new screentest::NoAnimations);

namespace {

struct FormatSpy : FormatLTypeVCDelegate {
    QList<int> picked;
    QList<bool> exits;
    void selectFormatbyType(int index) override { picked << index; }
    void mouseEixtView(bool exited) override { exits << exited; }
};

struct LevelSpy : SetEraserLevelVCDelegate {
    int closed = 0;
    void closeSetEraserLevelView() override { ++closed; }
};

} // namespace

TEST(Standards, TheDropDownStoresTheStandardItPicks)
{
    FormatLTypeViewController list;
    FormatSpy spy;
    list.setDelegate(&spy);
    for (int i = 1; i <= 8; ++i) {
        EXPECT_EQ(list.row(i)->identifier(), QString::number(i - 1));
        EXPECT_EQ(list.text(i)->text(), erasureStandardLabel(i - 1));
    }
    QWidget frame;
    darkBackdrop(frame);
    frame.resize(list.view()->size());
    list.view()->setParent(&frame);
    frame.show();
    sendEnter(list.row(5));
    screentest::savePng(&frame, QStringLiteral("FormatLTypeViewController"));
    sendLeave(list.row(5));

    QTest::mouseClick(list.row(8), Qt::LeftButton);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), 35);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimesTag")), 7);
    for (int row : {1, 2, 3}) {
        QTest::mouseClick(list.row(row), Qt::LeftButton);
        EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), 1);
        EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimesTag")), row - 1);
    }
    QTest::mouseClick(list.row(5), Qt::LeftButton);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), 3);
    EXPECT_EQ(spy.picked, (QList<int>{7, 0, 1, 2, 4}));

    // A row whose identifier names no multi-pass standard stores one pass.
    list.row(1)->setIdentifier(QStringLiteral("12"));
    QTest::mouseClick(list.row(1), Qt::LeftButton);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), 1);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimesTag")), 12);

    list.mouseEntered();
    list.mouseExited();
    EXPECT_EQ(spy.exits, (QList<bool>{false, true}));
    list.view()->setParent(nullptr);
}

TEST(Standards, ThePassCountPanelTicksSavesAndCancels)
{
    platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), 4);
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 5);
    SetEraserLevelVC panel;
    LevelSpy spy;
    panel.setDelegate(&spy);
    panel.setEraserLevelSelect();
    for (LevelRadioButton* b : panel.radioButtons())
        EXPECT_EQ(b->imageName(), QStringLiteral("radiobutton_no")) << b->identifier();
    EXPECT_EQ(panel.eraserLevel(), QStringLiteral("5"));
    EXPECT_EQ(panel.cancelButton()->textField()->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(panel.saveButton()->textField()->text(), QStringLiteral("Save"));
    panel.view()->show();
    screentest::savePng(panel.view(), QStringLiteral("SetEraserLevelVC-none"));
    QTest::mouseClick(panel.saveButton(), Qt::LeftButton);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), 5);
    // No standard overwrites five times: the label names the count alone.
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimesTag")), kPassCountOnlyTag);
    EXPECT_EQ(PublicUtilities::getEraserTimes(), QStringLiteral("自定义 (擦除5次)"));
    EXPECT_EQ(spy.closed, 1);

    // Cancel after ticking another button stores nothing.
    QTest::mouseClick(panel.button(QStringLiteral("7")), Qt::LeftButton);
    EXPECT_EQ(panel.button(QStringLiteral("7"))->imageName(), QStringLiteral("radiobutton_sel"));
    QTest::mouseClick(panel.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), 5);
    EXPECT_EQ(spy.closed, 2);

    QTest::mouseClick(panel.button(QStringLiteral("35")), Qt::LeftButton);
    EXPECT_EQ(panel.button(QStringLiteral("35"))->imageName(), QStringLiteral("radiobutton_sel"));
    EXPECT_EQ(panel.button(QStringLiteral("7"))->imageName(), QStringLiteral("radiobutton_no"));
    screentest::savePng(panel.view(), QStringLiteral("SetEraserLevelVC-35"));
    QTest::mouseClick(panel.saveButton(), Qt::LeftButton);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), 35);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimesTag")), 7);
    EXPECT_EQ(PublicUtilities::getEraserTimes(), erasureStandardLabel(7));

    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 3);
    panel.setEraserLevelSelect();
    EXPECT_EQ(panel.button(QStringLiteral("3"))->imageName(), QStringLiteral("radiobutton_sel"));
}

TEST(NtfsNotice, LinksAndTheirStyle)
{
    NTFSViewController notice;
    QList<QUrl> opened;
    notice.setUrlOpener([&](const QUrl& url) { opened << url; });
    EXPECT_EQ(notice.okButton()->textField()->text(), QStringLiteral("好"));
    EXPECT_TRUE(notice.linkLabel()->font().underline());
    EXPECT_EQ(labelColor(notice.linkLabel()), QColor(0, 182, 255));
    EXPECT_TRUE(notice.nodeTLabel()->text().contains(QStringLiteral("text-decoration:underline")));
    EXPECT_TRUE(notice.linkToWinBut()->isVisibleTo(notice.view()));

    QWidget mainWindow;
    mainWindow.resize(960, 620);
    mainWindow.show();
    screentest::whenDialogShown([&](StatusAttachedWindow* window) {
        screentest::savePng(window, QStringLiteral("NTFSViewController"));
        sendEnter(notice.linkToHelp());
        EXPECT_EQ(notice.linkToHelp()->cursor().shape(), Qt::PointingHandCursor);
        sendLeave(notice.linkToHelp());
        EXPECT_EQ(notice.linkToHelp()->cursor().shape(), Qt::ArrowCursor);
        QTest::mouseClick(notice.linkToHelp(), Qt::LeftButton);
        QTest::mouseClick(notice.linkToWinBut(), Qt::LeftButton);
        QTest::mouseClick(notice.okButton(), Qt::LeftButton);
    });
    toolkit::runDialog(notice.view(), &mainWindow,
                            [&](StatusAttachedWindow* window) { notice.setSuperDelegate(window); });
    ASSERT_EQ(opened.size(), 2);
    EXPECT_TRUE(opened.at(0).toString().endsWith(QStringLiteral("/articles/wipe-ntfs-on-mac.html"))) << opened.at(0).toString();
    EXPECT_EQ(opened.at(1), NTFSViewController::homePageUrl());
    EXPECT_FALSE(opened.at(1).isEmpty());
    // The link sits over the words it names.
    const QFontMetrics metrics(notice.nodeTLabel()->font());
    EXPECT_EQ(notice.linkToWinBut()->width(), metrics.horizontalAdvance(NTFSViewController::kWindowsVersionWords) + 2);

    // A text without the words stays plain, and the link is not offered.
    notice.nodeTLabel()->setTextFormat(Qt::PlainText);
    notice.nodeTLabel()->setText(QStringLiteral("<b>没有链接</b>"));
    EXPECT_FALSE(notice.setTwoLinkLabelStyle());
    EXPECT_EQ(notice.nodeTLabel()->textFormat(), Qt::PlainText);
    EXPECT_FALSE(notice.linkToWinBut()->isVisibleTo(notice.view()));
}
