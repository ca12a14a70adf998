// The App Uninstaller tab driven as a person drives it, over fixture
// Applications and Library trees under NULLVANE_ROOT and a fake pkexec: kinds,
// search, sorts, ticks and counters, the trash icon, the confirmation tree and
// whole removals to their end message.
#include "ScreenTestSupport.h"
#include "UninstallFixtures.h"

#include "core/CommUti.h"
#include "platform/Privileged.h"
#include "platform/Dispatch.h"
#include "platform/FileAttributes.h"
#include "toolkit/CheckButtonCell.h"
#include "toolkit/CustemOutlineView.h"
#include "toolkit/CustomHeaderCell.h"
#include "toolkit/CustomTableView.h"
#include "toolkit/DropDownHost.h"
#include "toolkit/MAAttachedWindow.h"
#include "toolkit/NamedImageView.h"
#include "toolkit/ProgressView.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/TextImageButton.h"
#include "tools/uninstall/ImageTextCell.h"
#include "tools/uninstall/RelatedAppFilesScanner.h"
#include "tools/uninstall/SearchBgView.h"
#include "tools/uninstall/UninstallTable.h"
#include "tools/uninstall/UninstallViewController.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <QTextDocument>

static ::testing::Environment* const kNoAnimations = ::testing::AddGlobalTestEnvironment(new screentest::NoAnimations);

namespace {

using screentest::plainText;

// The image buttons' usable flag (which they call isDisabled).
bool usable(const ImageButtonBase* button)
{
    return button->isDisabled();
}

QString headerTitle(UninstallViewController& screen)
{
    return screen.tableModel()->headerData(UninstallTableModel::AppNameColumn, Qt::Horizontal, Qt::DisplayRole).toString();
}

using screentest::buttonTitled;

class UninstallScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx::resetRoot();
        alpha = fx::makeBundle(fx::at("/Applications/Alpha Editor.app"),
                               fx::appInfo("Alpha Editor", "com.alpha.editor", "2.1"));
        fx::makeFile(alpha + "/Contents/MacOS/Alpha Editor", 4000);
        alphaFiles = {fx::makeFile(fx::at("~/Library/Preferences/com.alpha.editor.plist"), 1000),
                      fx::makeFolder(fx::at("~/Library/Caches/com.alpha.editor"))};
        fx::makeFile(alphaFiles[1] + "/Cache.db", 3000);
        beta = fx::makeBundle(fx::at("/Applications/Beta <b>Viewer & Co.app"),
                              fx::appInfo("Beta <b>Viewer & Co", "com.beta.viewer", "1.0 & <i>beta</i>"));
        fx::makeFile(beta + "/Contents/MacOS/Beta", 120000);
        cpp = fx::makeBundle(fx::at("~/Applications/C++ Studio (1).app"), fx::appInfo("C++ Studio (1)", "org.cpp.studio", "14"));
        fx::makeFile(cpp + "/Contents/MacOS/studio", 2000000);
        delta = fx::makeBundle(fx::at("/Applications/Utilities/Delta.app"), fx::appInfo("Delta", "net.delta", ""));
        fx::makeBundle(fx::at("/Applications/Safari.app"), fx::appInfo("Safari", "com.apple.Safari", "17"));
        fx::makeBundle(fx::at("~/Library/Widgets/Clock.wdgt"), fx::appInfo("Clock", "com.example.clock"));
        fx::makeBundle(fx::at("/Library/Widgets/Weather.wdgt"), fx::appInfo("Weather", "com.example.weather"));
        fx::makeBundle(fx::at("/Library/Internet Plug-Ins/Flash Player.plugin"), fx::appInfo("Flash Player", "com.example.flash"));
        fx::makeBundle(fx::at("~/Library/QuickLook/Preview.qlgenerator"), fx::appInfo("Preview", "com.example.ql"));
        fx::makeFile(fx::at("~/Library/Safari/Extensions/Blocker.safariextz"), 50);
    }

    void open()
    {
        screen = std::make_unique<UninstallViewController>();
        window.resize(730, 580);
        screen->view()->setParent(&window);
        screen->view()->move(0, 0);
        window.show();
        ASSERT_TRUE(nvtest::pumpUntil([this] { return !screen->engine().isScan(); }));
        nvtest::pump(20);
    }

    void TearDown() override
    {
        screen.reset();
        platform::dispatch::waitForGlobalQueues(20000);
    }

    QStringList rows() const { return fx::namesOf(screen->list().showListArr()); }
    QSet<QString> rowSet() const
    {
        const QStringList r = rows();
        return QSet<QString>(r.begin(), r.end());
    }

    // Every listed size measured (they are measured once drawn).
    void measureSizes()
    {
        window.grab();
        ASSERT_TRUE(nvtest::pumpUntil([this] {
            for (const AMAppItemPtr& item : screen->list().showListArr())
                if (item->size == QLatin1String("0KB"))
                    return false;
            return true;
        }));
    }

    // A press released on the centre of a table cell.
    void clickCell(int row, int column)
    {
        CustomTableView* table = screen->listViewTabel();
        const QRect cell = table->visualRect(table->model()->index(row, column));
        QPoint at = cell.center();
        if (column == UninstallTableModel::CheckBoxColumn)
            at = QPoint(31, cell.y() + 25);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
        nvtest::pump(CheckButtonCell::kLatchMs + 20);
    }

    int rowOf(const QString& name) const
    {
        const QStringList r = rows();
        return static_cast<int>(r.indexOf(name));
    }

    // The next confirmation is confirmed with "卸载"; `onProgress` sees its
    // progress dialog, and `atEnd` its end view, before "好" closes it.
    // `removeDelayMs` < 0 keeps the dialog's own wait.
    void confirmNextRemoval(std::function<void(UninstallProgressViewController*)> onProgress,
                            std::function<void(UninstallProgressViewController*, QWidget*)> atEnd, int removeDelayMs = 50,
                            std::function<void(MakeSureUninstallViewController*)> onDialog = {})
    {
        screen->setConfirmationHook([onProgress, atEnd, removeDelayMs, onDialog](MakeSureUninstallViewController* dialog) {
            if (onDialog)
                onDialog(dialog);
            if (removeDelayMs >= 0)
                dialog->setRemoveDelayMs(removeDelayMs);
            dialog->setProgressHook([onProgress, atEnd](UninstallProgressViewController* progress) {
                if (onProgress)
                    onProgress(progress);
                if (!atEnd)
                    return;
                screentest::whenShown<QWidget>(
                    [progress]() -> QWidget* { return progress->endView()->isVisible() ? progress->view()->window() : nullptr; },
                    [atEnd, progress](QWidget* window) {
                        atEnd(progress, window);
                        QTest::mouseClick(progress->okButton(), Qt::LeftButton);
                    });
            });
            screentest::whenDialogShown([](StatusAttachedWindow* window) {
                QTest::mouseClick(buttonTitled(window, QStringLiteral("卸载")), Qt::LeftButton);
            });
        });
    }

    // "Gamma", in a folder of its own under /Applications, listed, and that
    // folder locked so that only a privileged removal can take it.
    bool listLockedGamma()
    {
        lockedFolder = fx::makeFolder(fx::at("/Applications/Locked"));
        gamma = fx::makeBundle(lockedFolder + "/Gamma.app", fx::appInfo("Gamma", "org.gamma", "3"));
        screen->refButtonAction();
        if (!nvtest::pumpUntil([this] { return rows().contains("Gamma"); }))
            return false;
        gammaLock = std::make_unique<fx::FolderLock>(lockedFolder);
        screen->selectSortbyType(0, 0);
        return gammaLock->locked();
    }

    QWidget window;
    std::unique_ptr<UninstallViewController> screen;
    QString lockedFolder, gamma;
    std::unique_ptr<fx::FolderLock> gammaLock;
    QString alpha, beta, cpp, delta;
    QStringList alphaFiles;
};

} // namespace

TEST_F(UninstallScreen, ScanFillsTheKindsWithTheirHeadersAndTheSwitcherWaitsForIt)
{
    screen = std::make_unique<UninstallViewController>();
    // While the first scan runs the switcher and refresh do not answer.
    EXPECT_FALSE(screen->typeSegment()->isEndit());
    EXPECT_FALSE(usable(screen->refButton()));
    screen->segmentSelectWithIndex(0);
    screen->typeSegment()->buttonSelectAction("1");
    EXPECT_EQ(screen->typeSegment()->tabImageName(1), QStringLiteral("tab_app_sel"));
    screen.reset();
    open();

    EXPECT_TRUE(screen->typeSegment()->isEndit());
    EXPECT_TRUE(usable(screen->refButton()));
    EXPECT_EQ(rowSet(),
              (QSet<QString>{"Alpha Editor", "Beta <b>Viewer & Co", "C++ Studio (1)", "Delta"}));
    EXPECT_EQ(headerTitle(*screen), QStringLiteral("   应用程序(共: 4 个程序)"));
    EXPECT_EQ(plainText(screen->selectCountLabel()), QStringLiteral("共: 4 个程序"));
    EXPECT_EQ(screen->selectAllBut()->textField()->text(), QStringLiteral("全选"));
    EXPECT_FALSE(usable(screen->uninstallButton()));
    EXPECT_EQ(screen->uninstallButton()->textField()->text(), QStringLiteral("卸载"));
    EXPECT_EQ(screen->refButton()->textField()->text(), QStringLiteral("刷新"));
    // The switcher stands at (20, 544) from the tool area's bottom-left.
    QWidget* segment = screen->typeSegment()->view();
    EXPECT_EQ(segment->x(), 20);
    EXPECT_EQ(580 - segment->y() - segment->height(), 544);
    measureSizes();
    screentest::savePng(&window, "UninstallViewController-applications");

    QTest::mouseClick(screen->typeSegment()->tab(2), Qt::LeftButton);
    EXPECT_EQ(screen->appsType(), 1);
    EXPECT_EQ(rowSet(), (QSet<QString>{"Clock.wdgt", "Weather.wdgt"}));
    EXPECT_EQ(headerTitle(*screen), QStringLiteral("   项(共: 2 项)"));
    EXPECT_EQ(screen->typeSegment()->tabImageName(1), QStringLiteral("tab_app"));
    EXPECT_EQ(screen->typeSegment()->tabImageName(2), QStringLiteral("tab_wid_sel"));
    EXPECT_EQ(plainText(screen->selectCountLabel()), QStringLiteral("共: 2 个程序"));
    screentest::savePng(&window, "UninstallViewController-widgets");

    QTest::mouseClick(screen->typeSegment()->tab(3), Qt::LeftButton);
    EXPECT_EQ(screen->appsType(), 2);
    EXPECT_EQ(rowSet(),
              (QSet<QString>{"Flash Player.plugin", "Preview.qlgenerator", "Blocker.safariextz"}));
    EXPECT_EQ(headerTitle(*screen), QStringLiteral("   项(共: 3 项)"));
    EXPECT_EQ(screen->typeSegment()->tabImageName(3), QStringLiteral("tab_plugin_sel"));
    screentest::savePng(&window, "UninstallViewController-plugins");

    // Refresh walks the kind again: a plug-in removed behind our back is gone.
    QDir(fx::at("/Library/Internet Plug-Ins/Flash Player.plugin")).removeRecursively();
    QTest::mouseClick(screen->refButton(), Qt::LeftButton);
    EXPECT_EQ(rowSet(), (QSet<QString>{"Preview.qlgenerator", "Blocker.safariextz"}));
    EXPECT_EQ(headerTitle(*screen), QStringLiteral("   项(共: 2 项)"));
    QTest::mouseClick(screen->typeSegment()->tab(1), Qt::LeftButton);
    EXPECT_EQ(rows().size(), 4);
    QTest::mouseClick(screen->refButton(), Qt::LeftButton);
    ASSERT_TRUE(nvtest::pumpUntil([this] { return rows().size() == 4; }));
}

TEST_F(UninstallScreen, SearchIsLiteralAndNamesStayPlainText)
{
    open();
    CustemTextField* field = screen->searchTextFiled();
    EXPECT_EQ(field->placeholderText(), QStringLiteral("搜索"));
    EXPECT_TRUE(screen->searchBarIcon()->isVisible());
    EXPECT_FALSE(screen->closeSearchButtonView()->isVisible());
    field->setFocus();
    screen->beginToEnditForTextField();
    EXPECT_FALSE(screen->searchBarIcon()->isVisible());
    EXPECT_TRUE(screen->closeSearchButtonView()->isVisible());

    QTest::keyClicks(field, "c++");
    EXPECT_EQ(rows(), QStringList{"C++ Studio (1)"});
    EXPECT_EQ(headerTitle(*screen), QStringLiteral("   应用程序(共: 1 个程序)"));
    field->clear();
    QTest::keyClicks(field, "<B>");
    EXPECT_EQ(rows(), QStringList{"Beta <b>Viewer & Co"});
    screentest::savePng(&window, "UninstallViewController-search");
    // The name is drawn as it is written, markup and all.
    auto* nameCell = static_cast<ImageTextCellItemDelegate*>(
        screen->listViewTabel()->itemDelegateForColumn(UninstallTableModel::AppNameColumn));
    const ImageTextCell cell = nameCell->preparedCell(screen->tableModel()->index(0, UninstallTableModel::AppNameColumn));
    EXPECT_EQ(cell.primaryTextKeyPath(), QStringLiteral("Beta <b>Viewer & Co"));
    EXPECT_EQ(cell.secondaryTextKeyPath(), QStringLiteral("com.beta.viewer"));
    for (const QString& key : {QStringLiteral("("), QStringLiteral("(1)"), QStringLiteral(".*"), QStringLiteral("[a-z]"),
                               QStringLiteral("\\"), QStringLiteral("&")}) {
        field->clear();
        QTest::keyClicks(field, key);
        const QStringList expected = key == "(" || key == "(1)" ? QStringList{"C++ Studio (1)"}
                                     : key == "&"                ? QStringList{"Beta <b>Viewer & Co"}
                                                                 : QStringList();
        EXPECT_EQ(rows(), expected) << key;
    }
    // The identifier is not searched.
    field->clear();
    QTest::keyClicks(field, "alpha.editor");
    EXPECT_TRUE(rows().isEmpty());

    // Ticks made under a search stay; the close button shows everything again.
    field->clear();
    QTest::keyClicks(field, "E");
    EXPECT_EQ(rowSet(), (QSet<QString>{"Alpha Editor", "Beta <b>Viewer & Co", "Delta"}));
    clickCell(rowOf("Delta"), UninstallTableModel::CheckBoxColumn);
    QTest::mouseClick(screen->closeSearchButtonView(), Qt::LeftButton);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(rows().size(), 4);
    EXPECT_EQ(headerTitle(*screen), QStringLiteral("   应用程序(共: 4 个程序)"));
    EXPECT_FALSE(screen->closeSearchButtonView()->isVisible());
    EXPECT_TRUE(screen->searchBarIcon()->isVisible());
    EXPECT_EQ(fx::namesOf(screen->list().currentSelection()), QStringList{"Delta"});

    // A kind switch empties the box and shows the whole kind.
    QTest::keyClicks(field, "x");
    screen->segmentSelectWithIndex(1);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(rows().size(), 2);
}

TEST_F(UninstallScreen, HeaderClicksAndThePopUpSortTheRows)
{
    open();
    measureSizes();
    QHeaderView* header = screen->listViewTabel()->horizontalHeader();
    const auto clickHeader = [header](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    };
    // The first click sorts descending; each later one reverses.
    clickHeader(UninstallTableModel::SizeColumn);
    EXPECT_EQ(rows(), (QStringList{"C++ Studio (1)", "Beta <b>Viewer & Co", "Alpha Editor", "Delta"}));
    CustomHeaderCell* sizeHeader = screen->listViewTabel()->customHeader()->headerCell(UninstallTableModel::SizeColumn);
    EXPECT_EQ(sizeHeader->priority(), 0);
    EXPECT_FALSE(sizeHeader->ascending());
    screentest::savePng(&window, "UninstallViewController-sorted-by-size");
    clickHeader(UninstallTableModel::AppNameColumn);
    EXPECT_EQ(rows(), (QStringList{"Alpha Editor", "Beta <b>Viewer & Co", "C++ Studio (1)", "Delta"}));
    EXPECT_EQ(screen->listViewTabel()->customHeader()->headerCell(UninstallTableModel::SizeColumn)->priority(), 1);
    EXPECT_TRUE(screen->listViewTabel()->customHeader()->headerCell(UninstallTableModel::AppNameColumn)->ascending());
    clickHeader(UninstallTableModel::AppNameColumn);
    EXPECT_EQ(rows(), (QStringList{"Delta", "C++ Studio (1)", "Beta <b>Viewer & Co", "Alpha Editor"}));
    // The version column does not sort.
    clickHeader(UninstallTableModel::VersionColumn);
    EXPECT_EQ(rows(), (QStringList{"Delta", "C++ Studio (1)", "Beta <b>Viewer & Co", "Alpha Editor"}));

    // The pop-up: its title names the choice; a kind keeps the direction.
    EXPECT_EQ(screen->sortTitleLabel()->text(), QStringLiteral("名称、升序"));
    nvtest::ExpectDialogs popUps;
    screen->sortButtonAction();
    FileEraserSortVC* sortVC = screen->fileEraserSortVC();
    ASSERT_NE(sortVC, nullptr);
    ASSERT_NE(screen->sortDropDown()->attachedWindow(), nullptr);
    screentest::savePng(screen->sortDropDown()->attachedWindow(), "UninstallViewController-sort-popup");
    QTest::mouseClick(sortVC->row(2), Qt::LeftButton);
    EXPECT_EQ(screen->sortTitleLabel()->text(), QStringLiteral("大小、升序"));
    EXPECT_EQ(rows(), (QStringList{"Delta", "Alpha Editor", "Beta <b>Viewer & Co", "C++ Studio (1)"}));
    EXPECT_FALSE(screen->sortDropDown()->isShown());
    screen->sortButtonAction();
    QTest::mouseClick(screen->fileEraserSortVC()->row(5), Qt::LeftButton);
    EXPECT_EQ(screen->sortTitleLabel()->text(), QStringLiteral("大小、降序"));
    EXPECT_EQ(rows(), (QStringList{"C++ Studio (1)", "Beta <b>Viewer & Co", "Alpha Editor", "Delta"}));
    screen->sortButtonAction();
    QTest::mouseClick(screen->fileEraserSortVC()->row(1), Qt::LeftButton);
    EXPECT_EQ(screen->sortTitleLabel()->text(), QStringLiteral("名称、降序"));
    EXPECT_EQ(rows(), (QStringList{"Delta", "C++ Studio (1)", "Beta <b>Viewer & Co", "Alpha Editor"}));
}

TEST_F(UninstallScreen, TicksCountersAndSelectAll)
{
    open();
    screen->selectSortbyType(0, 0);
    clickCell(2, UninstallTableModel::CheckBoxColumn);
    clickCell(0, UninstallTableModel::CheckBoxColumn);
    EXPECT_EQ(fx::namesOf(screen->list().currentSelection()), (QStringList{"C++ Studio (1)", "Alpha Editor"}));
    EXPECT_EQ(plainText(screen->selectCountLabel()), QStringLiteral("已选择: 2/4 个程序"));
    EXPECT_TRUE(screen->selectCountLabel()->text().contains(QStringLiteral("font-size:14px")));
    EXPECT_TRUE(usable(screen->uninstallButton()));
    EXPECT_EQ(screen->selectAllBut()->textField()->text(), QStringLiteral("全选"));
    screentest::savePng(&window, "UninstallViewController-ticked");

    QTest::mouseClick(screen->selectAllBut(), Qt::LeftButton);
    EXPECT_EQ(screen->list().currentSelection().size(), 4);
    EXPECT_EQ(screen->selectAllBut()->textField()->text(), QStringLiteral("取消全选"));
    EXPECT_EQ(plainText(screen->selectCountLabel()), QStringLiteral("已选择: 4/4 个程序"));
    QTest::mouseClick(screen->selectAllBut(), Qt::LeftButton);
    EXPECT_TRUE(screen->list().currentSelection().isEmpty());
    EXPECT_FALSE(usable(screen->uninstallButton()));
    EXPECT_EQ(plainText(screen->selectCountLabel()), QStringLiteral("共: 4 个程序"));

    // Each kind keeps its own ticks.
    clickCell(1, UninstallTableModel::CheckBoxColumn);
    screen->segmentSelectWithIndex(2);
    EXPECT_EQ(plainText(screen->selectCountLabel()), QStringLiteral("共: 3 个程序"));
    screen->segmentSelectWithIndex(0);
    EXPECT_EQ(plainText(screen->selectCountLabel()), QStringLiteral("已选择: 1/4 个程序"));
    clickCell(1, UninstallTableModel::CheckBoxColumn);
    EXPECT_FALSE(usable(screen->uninstallButton()));
}

TEST_F(UninstallScreen, TheConfirmationTreeTicksAndItsCancel)
{
    open();
    screen->selectSortbyType(0, 0);
    screen->clickButtonAction(rowOf("Alpha Editor"));
    screen->clickButtonAction(rowOf("Delta"));
    fx::makeFile(fx::at("~/Downloads/Alpha Editor Setup.dmg"), 77);

    bool seen = false;
    nvtest::ExpectDialogs dialogs;
    screen->setConfirmationHook([&](MakeSureUninstallViewController* dialog) {
        screentest::whenDialogShown([&, dialog](StatusAttachedWindow* window) {
            seen = true;
            const QList<AMAppItemList>& groups = dialog->allRelaltedFiles();
            ASSERT_EQ(groups.size(), 2);
            EXPECT_EQ(fx::pathsOf(groups[0]), (QStringList{alpha, alphaFiles[0], alphaFiles[1],
                                                           fx::at("~/Downloads/Alpha Editor Setup.dmg")}));
            EXPECT_EQ(fx::pathsOf(groups[1]), QStringList{delta});
            // Everything ticked but the download; the first group open.
            EXPECT_EQ(fx::pathsOf(dialog->selectDeletePath()), (QStringList{alpha, alphaFiles[0], alphaFiles[1], delta}));
            ConfirmationTreeModel* model = dialog->treeModel();
            const QModelIndex first = model->index(0, 0);
            const QModelIndex second = model->index(1, 0);
            EXPECT_TRUE(dialog->outlineView()->isExpanded(first));
            EXPECT_FALSE(dialog->outlineView()->isExpanded(second));
            EXPECT_EQ(dialog->ticks().groupImageName(0), QStringLiteral("checkbox_election"));
            // Sizes: each member measured, a group the sum of its members.
            EXPECT_EQ(model->data(model->index(1, ConfirmationTreeModel::SizeColumn, first), Qt::DisplayRole).toString(),
                      QStringLiteral("1.00 KB"));
            EXPECT_EQ(model->data(model->index(2, ConfirmationTreeModel::SizeColumn, first), Qt::DisplayRole).toString(),
                      QStringLiteral("3.00 KB"));
            EXPECT_EQ(model->data(model->index(0, ConfirmationTreeModel::SizeColumn), Qt::DisplayRole).toString(),
                      ConfirmationTicks::groupSize(groups[0]));
            EXPECT_EQ(model->data(model->index(0, ConfirmationTreeModel::NameColumn), Qt::DisplayRole).toString(),
                      QStringLiteral("Alpha Editor"));
            // Rows are told apart by their paths, shown as the text it is.
            for (int row = 0; row < groups[0].size(); ++row) {
                QTextDocument tip;
                tip.setHtml(model->data(model->index(row, ConfirmationTreeModel::NameColumn, first), Qt::ToolTipRole).toString());
                EXPECT_EQ(tip.toPlainText(), groups[0][row]->path);
            }
            screentest::savePng(window, "MakeSureUninstallViewController");

            // A double click opens and closes a group.
            QTreeView* tree = dialog->outlineView();
            const QRect secondRow = tree->visualRect(model->index(1, ConfirmationTreeModel::NameColumn));
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, secondRow.center());
            QTest::qWait(QApplication::doubleClickInterval() + 50);
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, secondRow.center());
            EXPECT_TRUE(tree->isExpanded(second));
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, secondRow.center());
            EXPECT_FALSE(tree->isExpanded(second));

            // Unticking a member by its box; then the whole group.
            const QRect prefsBox = tree->visualRect(model->index(1, ConfirmationTreeModel::CheckBoxColumn, first));
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(prefsBox.x() + 12, prefsBox.center().y()));
            EXPECT_EQ(fx::pathsOf(dialog->selectDeletePath()), (QStringList{alpha, alphaFiles[1], delta}));
            dialog->selectRemoveLanguage(second);
            EXPECT_EQ(dialog->ticks().groupImageName(1), QStringLiteral("checkbox_no"));
            dialog->selectRemoveLanguage(first);
            EXPECT_EQ(fx::pathsOf(dialog->selectDeletePath()),
                      (QStringList{alpha, alphaFiles[1], alphaFiles[0], fx::at("~/Downloads/Alpha Editor Setup.dmg")}));
            dialog->selectRemoveLanguage(first);
            EXPECT_FALSE(dialog->ticks().hasTicks());
            EXPECT_FALSE(usable(dialog->uninstallButton()));
            dialog->selectRemoveLanguage(second);
            EXPECT_TRUE(usable(dialog->uninstallButton()));
            screentest::savePng(window, "MakeSureUninstallViewController-unticked");
            QTest::mouseClick(buttonTitled(window, QStringLiteral("取消")), Qt::LeftButton);
        });
    });
    QTest::mouseClick(screen->uninstallButton(), Qt::LeftButton);
    EXPECT_TRUE(screen->engine().isSearching()) << "the files are searched for on a worker";
    ASSERT_TRUE(nvtest::pumpUntil([&] { return seen; }, 10000));
    nvtest::pump(700);
    // Cancelled: nothing removed, nothing dropped.
    EXPECT_TRUE(platform::itemExists(alpha));
    EXPECT_TRUE(platform::itemExists(delta));
    EXPECT_EQ(rows().size(), 4);
    EXPECT_EQ(screen->list().currentSelection().size(), 2);
}

// The search runs on a worker; a second click before its groups arrive
// supersedes the first, whose groups never open a confirmation.
TEST_F(UninstallScreen, ANewerClickSupersedesASearchStillOnItsWay)
{
    open();
    screen->selectSortbyType(0, 0);
    QList<QStringList> confirmed;
    nvtest::ExpectDialogs dialogs;
    screen->setConfirmationHook([&](MakeSureUninstallViewController* dialog) {
        confirmed << fx::pathsOf(dialog->allRelaltedFiles().value(0));
        screentest::whenDialogShown([](StatusAttachedWindow* window) {
            QTest::mouseClick(buttonTitled(window, QStringLiteral("取消")), Qt::LeftButton);
        });
    });
    screen->oneAppRemove(rowOf("Alpha Editor"));
    screen->oneAppRemove(rowOf("Delta"));
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !confirmed.isEmpty() && !screentest::runningDialog(); }, 10000));
    ASSERT_TRUE(platform::dispatch::waitForGlobalQueues(10000));
    nvtest::pump(100);
    ASSERT_EQ(confirmed.size(), 1);
    EXPECT_EQ(confirmed.first(), QStringList{delta});
    EXPECT_FALSE(screen->engine().isSearching());
    EXPECT_TRUE(platform::itemExists(alpha));
    EXPECT_EQ(rows().size(), 4);
}

TEST_F(UninstallScreen, TheTrashIconRemovesOneApplicationWithItsFilesReading33Then66Then100)
{
    open();
    screen->selectSortbyType(0, 0);
    fx::FakePkexec pkexec;
    screen->clickButtonAction(rowOf("Delta")); // ticked elsewhere, untouched by a single-row removal
    QList<int> percents;
    QString endMessage;
    nvtest::ExpectDialogs dialogs;
    confirmNextRemoval(
        [&](UninstallProgressViewController* progress) {
            QObject::connect(progress, &UninstallProgressViewController::progressChanged,
                             [&](int percent, const QString&) { percents << percent; });
        },
        [&](UninstallProgressViewController* progress, QWidget* window) {
            endMessage = progress->messageLabel()->text();
            EXPECT_EQ(progress->endIcon()->imageName(), QStringLiteral("result_success"));
            EXPECT_FALSE(progress->progressView()->isVisible());
            screentest::savePng(window, "UninstallProgressViewController-end");
        });
    const quint64 freed = CommUti::volSpaceFromString(RelatedAppFilesScanner::getFileSizeItem(alpha)) + 1000 + 3000;
    const int row = rowOf("Alpha Editor");
    clickCell(row, UninstallTableModel::UninstallColumn);
    EXPECT_TRUE(screen->isUninsatllOne());
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !endMessage.isEmpty() && !screen->removalPending(); }, 20000));

    EXPECT_EQ(percents, (QList<int>{33, 66, 100}));
    EXPECT_EQ(endMessage, QStringLiteral("Nullvane已成功删除所选应用程序和所有关联文件。释放%1磁盘空间。")
                              .arg(CommUti::convertVolSpace(qint64(freed))));
    for (const QString& p : QStringList{alpha} + alphaFiles)
        EXPECT_FALSE(platform::itemExists(p)) << p;
    EXPECT_TRUE(pkexec.calls().isEmpty()); // nothing needed a password
    EXPECT_EQ(rowSet(), (QSet<QString>{"Beta <b>Viewer & Co", "C++ Studio (1)", "Delta"}));
    EXPECT_EQ(fx::namesOf(screen->list().currentSelection()), QStringList{"Delta"});
    EXPECT_EQ(headerTitle(*screen), QStringLiteral("   应用程序(共: 3 个程序)"));
    screentest::savePng(&window, "UninstallViewController-after-removal");
    // The pressed row went with the dialogs: no row is lit, no bin is red.
    CustomTableView* table = screen->listViewTabel();
    auto* trash = qobject_cast<TrashCellDelegate*>(table->itemDelegateForColumn(UninstallTableModel::UninstallColumn));
    ASSERT_NE(trash, nullptr);
    const QImage drawn = table->viewport()->grab().toImage();
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(trash->imageNameFor(r), QStringLiteral("ic_trash")) << r;
        const QRect card = table->cardRectForRow(r);
        EXPECT_EQ(drawn.pixelColor(card.x() + CustomTableView::kCardRadius + 4, card.y() + 2), QColor(50, 50, 61)) << r;
    }
}

TEST_F(UninstallScreen, ARefusedOrCancelledPasswordLeavesTheApplicationListedAndSaysSo)
{
    open();
    for (const QString& answer : {QStringLiteral("refuse"), QStringLiteral("cancel")}) {
        SCOPED_TRACE(answer.toStdString());
        fx::FakePkexec pkexec;
        pkexec.answer({answer});
        const QString prefs = fx::makeFile(fx::at("~/Library/Preferences/org.gamma.plist"), 2000);
        ASSERT_TRUE(listLockedGamma());
        screen->clickButtonAction(rowOf("Gamma"));
        screen->clickButtonAction(rowOf("Delta"));

        QString endMessage;
        QString endIcon;
        nvtest::ExpectDialogs dialogs;
        confirmNextRemoval({}, [&](UninstallProgressViewController* progress, QWidget* window) {
            endMessage = progress->messageLabel()->text();
            endIcon = progress->endIcon()->imageName();
            screentest::savePng(window, "UninstallProgressViewController-failed-" + answer);
        });
        // Gamma's own settings stay with it: nothing of a refused application goes.
        const quint64 freed = CommUti::volSpaceFromString(RelatedAppFilesScanner::getFileSizeItem(delta));
        QTest::mouseClick(screen->uninstallButton(), Qt::LeftButton);
        ASSERT_TRUE(nvtest::pumpUntil([&] { return !endMessage.isEmpty() && !screen->removalPending(); }, 20000));

        const auto ending = answer == QLatin1String("cancel") ? platform::privileged::Ending::Cancelled
                                                              : platform::privileged::Ending::Refused;
        EXPECT_EQ(endMessage, QStringLiteral("Nullvane未能删除部分所选项目。已释放%1磁盘空间。\nGamma：%2")
                                  .arg(CommUti::convertVolSpace(qint64(freed)), platform::privileged::refusalText(ending)));
        EXPECT_EQ(endIcon, QStringLiteral("result_fail"));
        EXPECT_EQ(pkexec.calls().size(), 1);
        EXPECT_TRUE(platform::itemExists(gamma));
        EXPECT_TRUE(platform::itemExists(prefs));
        EXPECT_FALSE(platform::itemExists(delta));
        // Gamma is still there, listed and ticked; Delta is gone.
        EXPECT_TRUE(rows().contains("Gamma"));
        EXPECT_FALSE(rows().contains("Delta"));
        EXPECT_EQ(fx::namesOf(screen->list().currentSelection()), QStringList{"Gamma"});
        EXPECT_TRUE(usable(screen->uninstallButton()));
        gammaLock.reset();
        QDir(lockedFolder).removeRecursively();
        QFile::remove(prefs);
        delta = fx::makeBundle(fx::at("/Applications/Utilities/Delta.app"), fx::appInfo("Delta", "net.delta", ""));
        screen->refButtonAction();
        ASSERT_TRUE(nvtest::pumpUntil([this] { return rows().contains("Delta") && !rows().contains("Gamma"); }));
    }
}

TEST_F(UninstallScreen, AGrantedPasswordRemovesALockedApplication)
{
    open();
    fx::FakePkexec pkexec;
    ASSERT_TRUE(listLockedGamma());
    pkexec.unlockOnGrant(lockedFolder);

    bool ended = false;
    QElapsedTimer sinceConfirmed;
    qint64 waited = -1;
    nvtest::ExpectDialogs dialogs;
    // With the dialog's own half-second wait between "卸载" and the run.
    confirmNextRemoval(
        [&](UninstallProgressViewController*) { waited = sinceConfirmed.elapsed(); },
        [&](UninstallProgressViewController* progress, QWidget*) {
            EXPECT_EQ(progress->endIcon()->imageName(), QStringLiteral("result_success"));
            ended = true;
        },
        -1,
        [&](MakeSureUninstallViewController* dialog) {
            QObject::connect(dialog->uninstallButton(), &QAbstractButton::clicked, [&] { sinceConfirmed.start(); });
        });
    screen->oneAppRemove(rowOf("Gamma"));
    ASSERT_TRUE(nvtest::pumpUntil([&] { return ended && !screen->removalPending(); }, 20000));
    EXPECT_EQ(pkexec.calls().size(), 1);
    EXPECT_FALSE(platform::itemExists(gamma));
    EXPECT_FALSE(rows().contains("Gamma"));
    EXPECT_GE(waited, 500);
}

TEST_F(UninstallScreen, ClosingTheProgressEarlyWaitsForTheRunBeforeTheListChanges)
{
    open();
    fx::FakePkexec pkexec;
    pkexec.answer({QStringLiteral("slow")});
    ASSERT_TRUE(listLockedGamma());
    pkexec.unlockOnGrant(lockedFolder);
    screen->clickButtonAction(rowOf("Delta"));
    screen->clickButtonAction(rowOf("Gamma"));

    bool closedEarly = false;
    QPointer<UninstallProgressViewController> shown;
    nvtest::ExpectDialogs dialogs;
    confirmNextRemoval(
        [&](UninstallProgressViewController* progress) {
            shown = progress;
            // Closed by its title bar as soon as the first item has reported.
            QObject::connect(progress, &UninstallProgressViewController::progressChanged, progress, [&, progress](int percent) {
                if (percent >= 100 || closedEarly)
                    return;
                closedEarly = true;
                QTimer::singleShot(0, progress, [progress] { progress->tabBarView()->clickCloseButton(); });
            });
        },
        {});
    QTest::mouseClick(screen->uninstallButton(), Qt::LeftButton);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return closedEarly && !screentest::runningDialog(); }, 20000));
    // The run goes on; the list waits for it.
    ASSERT_TRUE(screen->removalPending());
    EXPECT_TRUE(rows().contains("Delta"));
    EXPECT_TRUE(rows().contains("Gamma"));
    EXPECT_FALSE(usable(screen->uninstallButton()));
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !screen->removalPending(); }, 20000));
    EXPECT_FALSE(rows().contains("Delta"));
    EXPECT_FALSE(rows().contains("Gamma"));
    EXPECT_FALSE(platform::itemExists(gamma));
    // The closed dialog heard nothing after it closed.
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->percent(), 50);
    EXPECT_FALSE(usable(screen->uninstallButton())); // nothing ticked is left
}
