// The File Eraser's small views, drop-down lists, standards pickers and
// notices, each rendered and driven offscreen.
#include "ScreenTestSupport.h"

#include "tools/fileeraser/EndBgView.h"
#include "toolkit/FilePickerPanel.h"
#include "tools/fileeraser/FileEraserTable.h"
#include "toolkit/FileEraserSortVC.h"
#include "tools/erasepanels/FormatLTypeViewController.h"
#include "tools/fileeraser/MakeSureFileEraserViewControoler.h"
#include "tools/fileeraser/TextIconImageBtton.h"

#include "core/ErasureStandards.h"
#include "platform/Defaults.h"
#include "toolkit/EUHandButton.h"
#include "toolkit/ImageCache.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/MAAttachedWindow.h"
#include "toolkit/ModalDialog.h"
#include "toolkit/NamedImageView.h"
#include "toolkit/TextImageButton.h"

#include <QEnterEvent>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QRegularExpression>
#include <QTreeView>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

using screentest::darkBackdrop;
using screentest::labelColor;
using screentest::sendEnter;
using screentest::sendLeave;

static ::testing::Environment* const kNoAnimations = ::testing::AddGlobalTestEnvironment(new screentest::NoAnimations);

namespace {

struct SortSpy : FileEraserSortVCDelegate {
    QList<QPair<int, int>> choices;
    QList<bool> exits;
    void selectSortbyType(int t, int ad) override { choices << qMakePair(t, ad); }
    void mouseEixtView(bool exited) override { exits << exited; }
};

struct ConfirmSpy : MakeSureFileEraserVCDelegate {
    int confirmed = 0;
    void makeSureToEraserSelectFiles() override { ++confirmed; }
};

} // namespace

TEST(SmallViews, TextIconImageBttonStatesAndTitle)
{
    QWidget host;
    host.resize(140, 50);
    darkBackdrop(host);
    auto* button = new TextIconImageBtton(QRect(20, 10, 100, 30), &host);
    button->setButtonEnabled(true);
    button->setImageFromFileNormalName(QStringLiteral("btn_b_normal"), QStringLiteral("btn_b_hover"),
                                       QStringLiteral("btn_b_hover"), QStringLiteral("btn_b_normal"));
    button->setTextWithName(QStringLiteral("添加"), 12);
    button->setTextWithName(QStringLiteral("添加更多"), 12);
    EXPECT_EQ(button->findChildren<QLabel*>().size(), 1);
    EXPECT_EQ(button->textField()->text(), QStringLiteral("添加更多"));
    EXPECT_EQ(button->textField()->geometry().x(), 15);
    EXPECT_EQ(button->textField()->width(), 85);
    EXPECT_EQ(button->textField()->height(), 16);
    // The title takes its own colour, not the button's text colour.
    EXPECT_EQ(button->textField()->foregroundRole(), QPalette::WindowText);
    EXPECT_EQ(button->iconView()->imageName(), QStringLiteral("ic_add"));
    EXPECT_EQ(button->iconView()->geometry(), QRect(10, 9, 10, 12));
    EXPECT_EQ(button->currentImage(), toolkit::ButtonImage::Normal);
    EXPECT_EQ(button->titleColor(), toolkit::whiteAlpha(1.0f));
    host.show();
    screentest::savePng(&host, QStringLiteral("TextIconImageBtton-normal"));

    int clicks = 0;
    QObject::connect(button, &QAbstractButton::clicked, [&] { ++clicks; });
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(50, 15));
    EXPECT_EQ(clicks, 1);

    // Its own flag off: no click, the disabled image, a full-white title.
    button->setButtonEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(50, 15));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button->currentImage(), toolkit::ButtonImage::Disable);
    EXPECT_EQ(button->titleColor(), toolkit::whiteAlpha(1.0f));
    screentest::savePng(&host, QStringLiteral("TextIconImageBtton-unusable"));

    // A secondary skin dims its title.
    button->setButtonEnabled(true);
    button->setImageFromFileNormalName(QStringLiteral("btn_secl_normal"), QStringLiteral("btn_secl_press"),
                                       QStringLiteral("btn_secl_hover"), QStringLiteral("btn_secl_disable"));
    EXPECT_EQ(button->titleColor(), toolkit::whiteAlpha(0.7f));
    button->setTextWithName(QStringLiteral("大号"), 16);
    EXPECT_EQ(button->textField()->height(), 17);
}

TEST(SmallViews, EndBgViewFillsItsBounds)
{
    EndBgView view;
    view.resize(60, 40);
    view.show();
    const QColor c = screentest::pixelAt(&view, QPoint(30, 20));
    EXPECT_EQ(c, QColor(50, 50, 62));
    EXPECT_EQ(screentest::pixelAt(&view, QPoint(0, 0)), QColor(50, 50, 62));
}

TEST(SortPopup, HoverRowsDrawTheirFillOnlyWhileThePointerIsIn)
{
    QWidget host;
    host.resize(100, 30);
    host.setAutoFillBackground(true);
    QPalette p = host.palette();
    p.setColor(QPalette::Window, Qt::black);
    host.setPalette(p);
    auto* row = new SortSelectBgView(QRect(0, 0, 100, 30), QStringLiteral("1"), &host);
    host.show();
    EXPECT_EQ(screentest::pixelAt(&host, QPoint(50, 15)), QColor(Qt::black));
    sendEnter(row);
    EXPECT_TRUE(row->isMouseIn());
    EXPECT_EQ(screentest::pixelAt(&host, QPoint(50, 15)), QColor(10, 132, 255));
    sendLeave(row);
    EXPECT_FALSE(row->isMouseIn());
    EXPECT_EQ(screentest::pixelAt(&host, QPoint(50, 15)), QColor(Qt::black));

    // Without a delegate a click goes nowhere; with one, the row reports itself.
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(10, 10));
    struct RowSpy : SortSelectBgViewDelegate {
        SortSelectBgView* clicked = nullptr;
        void selectSortType(SortSelectBgView* r) override { clicked = r; }
    } spy;
    row->setDelegate(&spy);
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(spy.clicked, row);
    EXPECT_EQ(spy.clicked->identifier().toInt(), 1);
}

TEST(SortPopup, ShowsTheChoiceAndReportsKindAndDirection)
{
    FileEraserSortVC sortVC;
    SortSpy spy;
    sortVC.setDelegate(&spy);
    sortVC.setSortTypeWithSortAD(1, 0);
    EXPECT_FALSE(sortVC.icon(1)->isVisibleTo(sortVC.view()));
    EXPECT_TRUE(sortVC.icon(2)->isVisibleTo(sortVC.view()));
    EXPECT_TRUE(sortVC.icon(4)->isVisibleTo(sortVC.view()));
    EXPECT_FALSE(sortVC.icon(5)->isVisibleTo(sortVC.view()));
    EXPECT_EQ(labelColor(sortVC.label(2)), toolkit::whiteAlpha(1.0f));
    EXPECT_EQ(labelColor(sortVC.label(1)), toolkit::whiteAlpha(0.7f));
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(sortVC.row(i)->identifier(), QString::number(i - 1));

    QWidget frame;
    darkBackdrop(frame);
    frame.resize(sortVC.view()->size());
    sortVC.view()->setParent(&frame);
    frame.show();
    sendEnter(sortVC.row(3));
    screentest::savePng(&frame, QStringLiteral("FileEraserSortVC"));
    sendLeave(sortVC.row(3));

    QTest::mouseClick(sortVC.row(5), Qt::LeftButton);
    ASSERT_EQ(spy.choices.size(), 1);
    EXPECT_EQ(spy.choices.last(), qMakePair(1, 1));
    EXPECT_TRUE(sortVC.icon(5)->isVisibleTo(sortVC.view()));
    EXPECT_FALSE(sortVC.icon(4)->isVisibleTo(sortVC.view()));
    EXPECT_EQ(labelColor(sortVC.label(5)), toolkit::whiteAlpha(1.0f));
    EXPECT_EQ(labelColor(sortVC.label(2)), toolkit::whiteAlpha(0.7f));

    QTest::mouseClick(sortVC.row(3), Qt::LeftButton);
    EXPECT_EQ(spy.choices.last(), qMakePair(2, 1));
    EXPECT_TRUE(sortVC.icon(3)->isVisibleTo(sortVC.view()));
    EXPECT_FALSE(sortVC.icon(2)->isVisibleTo(sortVC.view()));

    // A kind or direction it does not know changes nothing.
    sortVC.setSortTypeWithSortAD(7, 9);
    EXPECT_EQ(sortVC.sortType(), 2);
    EXPECT_EQ(sortVC.sortAD(), 1);

    sortVC.mouseEntered();
    sortVC.mouseExited();
    EXPECT_EQ(spy.exits, (QList<bool>{false, true}));
    sortVC.view()->setParent(nullptr);
}

TEST(Confirmation, ShowsTheStandardLetsItChangeAndConfirms)
{
    platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), 9);
    {
        MakeSureFileEraserViewControoler dialog;
        EXPECT_EQ(dialog.formatTypeText()->text(), QStringLiteral("HMG Infosec Standard 5 (擦除1次)"));
    }
    platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), 4);
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 3);
    QWidget mainWindow;
    mainWindow.resize(960, 620);
    mainWindow.show();

    MakeSureFileEraserViewControoler dialog;
    ConfirmSpy spy;
    dialog.setDelegate(&spy);
    EXPECT_EQ(dialog.formatTypeText()->text(), erasureStandardLabel(4));
    EXPECT_EQ(dialog.okButton()->textField()->text(), QStringLiteral("继续"));
    EXPECT_EQ(dialog.noButton()->textField()->text(), QStringLiteral("取消"));

    bool checked = false;
    screentest::whenDialogShown([&](StatusAttachedWindow* window) {
        screentest::savePng(window, QStringLiteral("MakeSureFileEraserViewControoler"));
        dialog.openMenuAction();
        ASSERT_TRUE(dialog.isPopSortWin());
        QWidget* dropDown = dialog.sortAttachedWindow();
        ASSERT_NE(dropDown, nullptr);
        EXPECT_TRUE(dropDown->isVisible());
        // The list hangs below the standard's box.
        EXPECT_GE(dropDown->geometry().top(), dialog.menuButton()->mapToGlobal(QPoint(0, 0)).y());
        screentest::savePng(dropDown, QStringLiteral("MakeSureFileEraserViewControoler-standards"));
        // A second click while it is open changes nothing.
        FormatLTypeViewController* first = dialog.formatTypeVC();
        dialog.openMenuAction();
        EXPECT_EQ(dialog.formatTypeVC(), first);
        dialog.mouseEixtView(false);
        QTest::mouseClick(first->row(7), Qt::LeftButton);
        EXPECT_EQ(dialog.formatTypeText()->text(), erasureStandardLabel(6));
        EXPECT_FALSE(dialog.isPopSortWin());
        EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), 7);
        checked = true;
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    });
    toolkit::runDialog(dialog.view(), &mainWindow,
                            [&](StatusAttachedWindow* window) { dialog.setSuperDelegate(window); });
    EXPECT_TRUE(checked);
    EXPECT_EQ(spy.confirmed, 1);
    EXPECT_EQ(screentest::runningDialog(), nullptr);

    // Leaving the list closes it; the timed close does nothing after the pointer entered.
    MakeSureFileEraserViewControoler second;
    second.openMenuAction();
    ASSERT_TRUE(second.isPopSortWin());
    second.mouseEixtView(false);
    nvtest::pump(2300);
    EXPECT_TRUE(second.isPopSortWin()) << "closed although the pointer was inside";
    second.mouseEixtView(true);
    EXPECT_FALSE(second.isPopSortWin());
    second.openMenuAction();
    ASSERT_TRUE(second.isPopSortWin());
    EXPECT_TRUE(nvtest::pumpUntil([&] { return !second.isPopSortWin(); }, 4000)) << "the untouched list stayed open";
    // Cancel keeps a standard picked meanwhile, and does not confirm.
    ConfirmSpy none;
    second.setDelegate(&none);
    second.noButtonAction();
    EXPECT_EQ(none.confirmed, 0);
}

TEST(FilePicker, SpeaksTheListsWordsAndStandsApartFromTheWindow)
{
    const QString folder = nvtest::freshFolder(QStringLiteral("picker"));
    ASSERT_TRUE(nvtest::writeFile(folder + "/three.bin", QByteArray(3000, 'x')));
    ASSERT_TRUE(nvtest::writeFile(folder + "/Inner/a.txt", "a"));
    FilePickerPanel picker;
    picker.setDirectory(folder);
    picker.show();
    QFileSystemModel* model = picker.fileModel();
    const QModelIndex root = model->index(folder);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return model->rowCount(root) == 2; }, 5000));

    // The list's column words, not Qt's.
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("名称"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("大小"));
    EXPECT_EQ(model->headerData(3, Qt::Horizontal).toString(), QStringLiteral("修改日期"));
    // Sizes through the list's own formatter: decimal, "3.00 KB", not "2.93 KiB".
    const QModelIndex file = model->index(folder + "/three.bin");
    const QModelIndex inner = model->index(folder + "/Inner");
    EXPECT_EQ(model->data(file.siblingAtColumn(1)).toString(), QStringLiteral("3.00 KB"));
    EXPECT_EQ(model->data(inner.siblingAtColumn(1)).toString(), QStringLiteral("--"));
    // Dates in the Chinese form.
    const QString date = model->data(file.siblingAtColumn(3)).toString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}/\\d{1,2}/\\d{1,2} \\d{2}:\\d{2}$")).match(date).hasMatch()) << date;
    EXPECT_EQ(FilePickerPanel::dateText(QDateTime(QDate(2026, 1, 5), QTime(9, 7))), QStringLiteral("2026/1/5 09:07"));

    // An edge lighter than the body all round, so the picker does not melt
    // into the window of the same colour.
    nvtest::pump(50);
    const QImage image = picker.grab().toImage();
    screentest::savePng(&picker, QStringLiteral("FilePickerPanel-edge"));
    const QColor body(50, 50, 62);
    const int h = image.height(), w = image.width();
    for (const QPoint& p : {QPoint(0, h / 2), QPoint(w - 1, h / 2), QPoint(w / 2, 0), QPoint(w / 2, h - 1)}) {
        const QColor edge = image.pixelColor(p);
        EXPECT_GT(qGray(edge.rgb()), qGray(body.rgb()) + 20) << p.x() << "," << p.y() << " " << edge.name().toStdString();
    }
    // Inside the edge, the places list starts at once.
    EXPECT_LT(qGray(image.pixelColor(1, h / 2).rgb()), qGray(body.rgb()));
}


TEST(SmallViews, TheSearchColumnDrawsTheMagnifier)
{
    const QRect cell(0, 0, 40, 48);
    const QRectF icon(12, 16, 16, 16);
    const auto drawn = [&](const std::function<void(QPainter&)>& draw) {
        QImage image(cell.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(50, 50, 61));
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
        return image;
    };
    SearchCellDelegate delegate;
    QStyleOptionViewItem option;
    option.rect = cell;
    const QImage shown = drawn([&](QPainter& p) { delegate.paint(&p, option, QModelIndex()); });
    const auto alone = [&](const QString& name) {
        return drawn([&](QPainter& p) { toolkit::imageNamed(name).draw(p, icon); });
    };
    EXPECT_EQ(shown, alone(QStringLiteral("ic_search"))) << "the magnifier, centred in the cell";
    EXPECT_NE(shown, alone(QStringLiteral("ic_export")));
}
