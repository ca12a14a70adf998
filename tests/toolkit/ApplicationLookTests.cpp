// Qt's own windows under the application look the test program sets up as
// the program does: dark, in the interface font, with Chinese buttons.
#include "WidgetTestSupport.h"

#include "DialogGuard.h"
#include "TestSupport.h"
#include "toolkit/ApplicationLook.h"
#include "toolkit/InterfaceStyle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QLocale>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QAbstractProxyModel>
#include <QFileSystemModel>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QToolTip>
#include <gtest/gtest.h>

namespace {

// How bright a colour is, 0–255.
int lightness(const QColor& c) { return qGray(c.rgb()); }

// The share of an image's pixels darker than `limit`.
double darkShare(const QImage& image, int limit = 90)
{
    int dark = 0;
    int all = 0;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3, ++all)
            if (lightness(image.pixelColor(x, y)) < limit)
                ++dark;
    return all ? double(dark) / all : 0;
}

QImage grabOf(QWidget* w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

QString buttonTexts(QWidget* w)
{
    QStringList texts;
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
        if (!b->text().isEmpty())
            texts << b->text();
    return texts.join(QLatin1Char('|'));
}

} // namespace

TEST(ApplicationLook, TheMessageBoxIsDarkAndAnswersInChinese)
{
    nvtest::ExpectDialogs shownAndHidden; // a message box is modal; the test hides it itself
    QMessageBox box(QMessageBox::Question, QStringLiteral("导出擦除历史"), QStringLiteral("existing.html 已存在。"),
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    box.show();
    const QImage image = grabOf(&box);
    tktest::savePng(image, QStringLiteral("look_message_box"));
    EXPECT_GT(darkShare(image), 0.7) << "the body is dark";
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("是"))) << box.button(QMessageBox::Yes)->text();
    EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("否")));
    EXPECT_EQ(box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->font().family(),
              toolkit::regularFont(13).family());
    // The default button stands out in the primary blue.
    QPushButton* standing = box.defaultButton();
    ASSERT_TRUE(standing);
    const QImage button = grabOf(standing);
    const QColor middle = button.pixelColor(6, button.height() / 2);
    EXPECT_GT(middle.blue(), middle.red() + 60) << "the default button is blue";
    box.hide();

    QMessageBox notice(QMessageBox::Critical, QStringLiteral("文件擦除"), QStringLiteral("无法打开"), QMessageBox::Ok);
    notice.show();
    EXPECT_EQ(notice.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
    notice.hide();
}

TEST(ApplicationLook, TheFileDialogIsQtsOwnDarkAndInChinese)
{
    EXPECT_TRUE(QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs));
    const QString folder = nvtest::freshFolder(QStringLiteral("export"));
    ASSERT_TRUE(nvtest::writeFile(folder + "/report.html", "r"));
    ASSERT_TRUE(nvtest::writeFile(folder + "/home/a", "a"));
    // Listed before the dialog is readied: the kinds read in Chinese all the same.
    QFileDialog dialog(nullptr, QStringLiteral("导出"), folder);
    toolkit::prepareFileDialog(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.show();
    EXPECT_GE(dialog.width(), 700) << "wide enough for the list's columns";
    // The kinds of items in Chinese too.
    auto* files = dialog.findChild<QFileSystemModel*>();
    QAbstractProxyModel* shown = dialog.proxyModel();
    ASSERT_TRUE(files && shown);
    const QModelIndex home = shown->mapFromSource(files->index(folder + "/home").siblingAtColumn(2));
    const QModelIndex page = shown->mapFromSource(files->index(folder + "/report.html").siblingAtColumn(2));
    EXPECT_EQ(shown->data(home).toString(), QStringLiteral("文件夹"));
    EXPECT_EQ(shown->data(page).toString(), QStringLiteral("HTML 文件"));
    const QImage image = grabOf(&dialog);
    tktest::savePng(image, QStringLiteral("look_file_dialog"));
    EXPECT_GT(darkShare(image), 0.75) << "the body and the lists are dark";
    const QString texts = buttonTexts(&dialog);
    EXPECT_TRUE(texts.contains(QStringLiteral("保存"))) << texts;
    EXPECT_TRUE(texts.contains(QStringLiteral("取消"))) << texts;
    EXPECT_FALSE(texts.contains(QStringLiteral("Cancel"))) << texts;
    // Dates in the list read in Chinese, as the system's time locale says.
    const QString date = QLocale::system().toString(QDateTime(QDate(2026, 12, 7), QTime(10, 0)), QLocale::ShortFormat);
    EXPECT_TRUE(date.startsWith(QStringLiteral("2026/12/7"))) << date;
    dialog.hide();
}

TEST(ApplicationLook, MenusAndToolTipsAreDark)
{
    QMenu menu;
    menu.addAction(QStringLiteral("打开"));
    menu.addAction(QStringLiteral("在文件夹中查看"));
    menu.popup(QPoint(100, 100));
    const QImage image = grabOf(&menu);
    tktest::savePng(image, QStringLiteral("look_menu"));
    EXPECT_GT(darkShare(image), 0.8);
    EXPECT_EQ(menu.font().family(), toolkit::regularFont(13).family());
    menu.hide();

    QWidget anchor;
    anchor.resize(100, 40);
    anchor.show();
    QToolTip::showText(anchor.mapToGlobal(QPoint(10, 10)), QStringLiteral("上一级"), &anchor);
    QWidget* tip = nullptr;
    ASSERT_TRUE(nvtest::pumpUntil([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->inherits("QTipLabel") && w->isVisible())
                tip = w;
        return tip != nullptr;
    }, 3000));
    const QImage tipImage = grabOf(tip);
    tktest::savePng(tipImage, QStringLiteral("look_tooltip"));
    EXPECT_GT(darkShare(tipImage), 0.6);
    EXPECT_EQ(tip->font().family(), toolkit::regularFont(13).family());
    QToolTip::hideText();
}

TEST(ApplicationLook, OurOwnWidgetsAreLeftToThemselves)
{
    // The sheet goes to Qt's own windows only, never to the application.
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
    QDialogButtonBox plain(QDialogButtonBox::Cancel);
    EXPECT_TRUE(plain.styleSheet().isEmpty());
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor(50, 50, 62));
}
