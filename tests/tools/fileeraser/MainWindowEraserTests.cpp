// The File Eraser inside the real main window: hosted in its container,
// locking the tabs for the length of a run.
#include "ScreenTestSupport.h"

#include "tools/fileeraser/EndBgView.h"
#include "tools/fileeraser/FileEraserViewController.h"

#include "core/DoDataBase.h"
#include "shell/BaseWindow.h"
#include "shell/MainWindowController.h"
#include "toolkit/TextImageButton.h"

#include <QFile>
#include <QTest>

static ::testing::Environment* const kNoAnimations = ::testing::AddGlobalTestEnvironment(new screentest::NoAnimations);

TEST(FileEraserInTheMainWindow, TheTabIsTheFileEraserAndARunLocksTheTabs)
{
    QFile::remove(DoDataBase::getDataBase());
    MainWindowController main;
    main.window()->show();
    auto* eraser = dynamic_cast<FileEraserViewController*>(main.fileEraserVC.get());
    ASSERT_NE(eraser, nullptr) << "the File Eraser tab holds no File Eraser";
    EXPECT_EQ(eraser->view()->parentWidget(), main.FileEraserBaseView);
    EXPECT_EQ(eraser->superDelegate(), static_cast<MainWindowHost*>(&main));

    const QString dir = nvtest::freshFolder(QStringLiteral("main"));
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(nvtest::writeFile(dir + QStringLiteral("/Album/photo%1.jpg").arg(i), QByteArray(400000, 'p')));
    eraser->viewDragAction({dir + QStringLiteral("/Album")});
    screentest::savePng(main.window(), QStringLiteral("MainWindow-file-eraser-list"));

    QList<bool> tabsUsableDuringRun;
    QObject::connect(&eraser->run(), &FileEraserRun::progressChanged, eraser, [&] {
        bool all = true;
        for (CustemTypeButtonView* tab : main.allTypeButArr)
            all = all && tab->isEnd();
        tabsUsableDuringRun << all;
    });
    screentest::whenDialogShown([](StatusAttachedWindow* window) {
        TextImageButton* go = screentest::buttonTitled(window, QStringLiteral("继续"));
        ASSERT_NE(go, nullptr);
        QTest::mouseClick(go, Qt::LeftButton);
    });
    eraser->eraserNowButtonAction();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return eraser->sussView()->isVisible() && eraser->sussView()->pos() == QPoint(0, 0); }, 20000));
    ASSERT_FALSE(tabsUsableDuringRun.isEmpty());
    EXPECT_FALSE(tabsUsableDuringRun.contains(true)) << "a tab stayed usable during the run";
    for (CustemTypeButtonView* tab : main.allTypeButArr)
        EXPECT_TRUE(tab->isEnd());
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/Album")));
    screentest::savePng(main.window(), QStringLiteral("MainWindow-file-eraser-done"));
}
