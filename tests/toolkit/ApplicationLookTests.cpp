// Qt's own windows under the application look the test program sets up as
// the program does: dark, in the interface font, with Chinese buttons.
#include "WidgetTestSupport.h"

#include "DialogGuard.h"
#include "TestSupport.h"
#include "toolkit/ApplicationLook.h"
#include "toolkit/FilePickerPanel.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QLocale>
#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QLabel>
#include <QListWidget>
#include <QSet>
#include <QTextLayout>
#include <QTreeView>
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

// How many colours a part of an image holds: a bare row has one or two, an
// icon many.
static int coloursIn(const QImage& image, const QRect& area)
{
    QSet<QRgb> seen;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.rect().contains(x, y))
                seen.insert(image.pixel(x, y));
    return int(seen.size());
}

TEST(ApplicationLook, TheFilePanelsAreOursDarkWithTheDesktopsIconsAndWholePlaces)
{
    const QString folder = nvtest::freshFolder(QStringLiteral("panel"));
    ASSERT_TRUE(nvtest::writeFile(folder + "/report.html", "r"));
    ASSERT_TRUE(nvtest::writeFile(folder + "/notes.txt", "n"));
    ASSERT_TRUE(nvtest::writeFile(folder + "/home/a", "a"));
    for (const auto kind : {FilePickerPanel::Kind::Open, FilePickerPanel::Kind::Save}) {
        const bool saving = kind == FilePickerPanel::Kind::Save;
        SCOPED_TRACE(saving ? "save" : "open");
        FilePickerPanel panel(nullptr, kind);
        if (saving) {
            panel.setSuffix(QStringLiteral("html"));
            panel.setFileName(QStringLiteral("擦除历史(2026-12-07 10-00-00)"));
        }
        panel.setDirectory(folder);
        panel.show();
        QFileSystemModel* model = panel.fileModel();
        const QModelIndex root = model->index(folder);
        // Saving lists the folders and the pages only.
        const int rows = saving ? 2 : 3;
        ASSERT_TRUE(nvtest::pumpUntil([&] { return model->rowCount(root) == rows; }, 5000));
        ASSERT_TRUE(nvtest::pumpUntil([&] {
            for (int r = 0; r < rows; ++r)
                if (model->data(model->index(r, 0, root), Qt::DecorationRole).value<QIcon>().isNull())
                    return false;
            return true;
        }, 5000));
        nvtest::pump(50);
        const QImage image = grabOf(&panel);
        tktest::savePng(image, saving ? QStringLiteral("look_file_panel_save") : QStringLiteral("look_file_panel_open"));
        EXPECT_GT(darkShare(image), 0.75) << "the body and the lists are dark";
        EXPECT_EQ(panel.prompt(), saving ? QStringLiteral("保存") : QStringLiteral("添加"));
        EXPECT_EQ(panel.nameEdit() != nullptr, saving);

        // Each row starts with its icon, drawn.
        QTreeView* tree = panel.tree();
        for (int r = 0; r < rows; ++r) {
            const QRect cell = tree->visualRect(model->index(r, 0, root));
            const QPoint at = tree->viewport()->mapTo(&panel, cell.topLeft());
            EXPECT_GT(coloursIn(image, QRect(at, QSize(tree->iconSize().isValid() ? tree->iconSize().width() + 4 : 20,
                                                      cell.height()))), 4)
                << model->fileName(model->index(r, 0, root)).toStdString();
        }
        // The places read whole.
        QListWidget* places = panel.places();
        for (int i = 0; i < places->count(); ++i) {
            const QRect item = places->visualItemRect(places->item(i));
            EXPECT_LE(item.left() + places->fontMetrics().horizontalAdvance(places->item(i)->text()),
                      places->viewport()->width()) << places->item(i)->text().toStdString();
        }
        panel.hide();
    }
}

// Where a wrapped line ends: the last character of each line but the last
// and the first of the next, as a pair.
static QStringList lineJoints(const QStringList& lines)
{
    QStringList joints;
    for (int i = 0; i + 1 < lines.size(); ++i)
        if (!lines[i].isEmpty() && !lines[i + 1].isEmpty())
            joints << lines[i].right(1) + lines[i + 1].left(1);
    return joints;
}

TEST(ApplicationLook, WrappedLabelsBreakBetweenWordsNeverInsideOne)
{
    // Dialog texts at every width their labels could have: Qt alone splits
    // 磁/盘, 检/查 and 保/存 at some of them; the labels never do, and lose
    // no character.
    const QStringList words{QStringLiteral("磁盘"), QStringLiteral("检查"), QStringLiteral("保存"),
                            QStringLiteral("错误"), QStringLiteral("文件"), QStringLiteral("空间")};
    const QList<std::pair<QString, QFont>> texts{
        {QStringLiteral("Nullvane已成功删除所选应用程序和所有关联文件。释放1.00 MB磁盘空间。"), toolkit::regularFont(14)},
        {QStringLiteral("“验证”只检查磁盘上的错误；“运行”会检查并修复错误。检查期间该宗卷会被暂时卸载。"), toolkit::lightFont(13)},
        {QStringLiteral("浏览器运行时会不断写入它的数据，清理前需要先关闭它。关闭前请保存正在浏览或编辑的内容。"), toolkit::lightFont(13)}};
    int qtSplits = 0;
    for (const auto& [text, font] : texts) {
        for (int width = 160; width <= 520; width += 3) {
            QTextLayout plain(text, font);
            plain.beginLayout();
            QStringList qtLines;
            for (QTextLine line = plain.createLine(); line.isValid(); line = plain.createLine()) {
                line.setLineWidth(width);
                qtLines << text.mid(line.textStart(), line.textLength());
            }
            plain.endLayout();
            const QStringList ours = toolkit::wrappedLines(text, font, width);
            EXPECT_EQ(ours.join(QString()).remove(QLatin1Char(' ')), QString(text).remove(QLatin1Char(' '))) << width;
            for (const QString& joint : lineJoints(qtLines))
                qtSplits += words.contains(joint) ? 1 : 0;
            for (const QString& joint : lineJoints(ours))
                EXPECT_FALSE(words.contains(joint)) << joint.toStdString() << " split at width " << width << ": "
                                                    << ours.join(QStringLiteral(" | ")).toStdString();
            for (const QString& line : ours)
                EXPECT_LE(QFontMetrics(font).horizontalAdvance(line), width) << line.toStdString();
        }
    }
    EXPECT_GT(qtSplits, 0) << "the widths tried never made Qt split a word";

    // A wrapping label draws those lines: as many bands of ink as lines.
    QWidget holder;
    const QString text = texts[0].first;
    QLabel* label = toolkit::makeLabel(&holder, QRect(0, 0, 300, 80), text, texts[0].second, Qt::white,
                                       Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    holder.resize(300, 80);
    const QImage image = tktest::render(&holder, Qt::black);
    tktest::savePng(image, QStringLiteral("look_wrapped_label"));
    int bands = 0;
    bool inInk = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = qGray(image.pixel(x, y)) > 128;
        bands += ink && !inInk ? 1 : 0;
        inInk = ink;
    }
    EXPECT_EQ(bands, toolkit::wrappedLines(text, texts[0].second, 300).size());
    EXPECT_EQ(label->heightForWidth(300),
              toolkit::wrappedLines(text, texts[0].second, 300).size() * QFontMetrics(texts[0].second).lineSpacing());
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
