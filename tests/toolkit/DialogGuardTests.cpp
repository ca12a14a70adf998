// The test programs' guard against modal dialogs nobody answers: each kind of
// modal run fails the test at once, names the dialog and still returns.
#include "DialogGuard.h"
#include "TestSupport.h"

#include "toolkit/StatusAttachedWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <memory>

TEST(DialogGuard, AnUnexpectedMessageBoxFailsTheTestByNameAndReturns)
{
    QElapsedTimer clock;
    clock.start();
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    EXPECT_NONFATAL_FAILURE(answer = QMessageBox::question(nullptr, QStringLiteral("替换"), QStringLiteral("替换它吗？")),
                            "QMessageBox \"替换\"");
    EXPECT_NE(answer, QMessageBox::Yes);
    EXPECT_LT(clock.elapsed(), 5000);
}

TEST(DialogGuard, AnUnexpectedFileDialogFailsTheTestByName)
{
    QString chosen = QStringLiteral("untouched");
    EXPECT_NONFATAL_FAILURE(chosen = QFileDialog::getSaveFileName(nullptr, QStringLiteral("导出"), nvtest::sandbox(),
                                                                  QString(), nullptr, QFileDialog::DontUseNativeDialog),
                            "QFileDialog");
    EXPECT_TRUE(chosen.isEmpty());
}

TEST(DialogGuard, AnUnexpectedAttachedWindowRunFailsTheTestByName)
{
    auto view = std::make_unique<QWidget>();
    view->resize(200, 100);
    StatusAttachedWindow* window = StatusAttachedWindow::initWithView(view.get(), {400, 500}, nullptr, 1, 5.0f);
    ASSERT_TRUE(window);
    // A safety net, so a broken guard cannot hang the program.
    QTimer::singleShot(5000, window, [window] { window->windowWillClose(); });
    EXPECT_NONFATAL_FAILURE(window->runModal(), "StatusAttachedWindow");
    EXPECT_FALSE(window->isRunningModal());
    EXPECT_FALSE(window->isVisible());
}

TEST(DialogGuard, ADialogTheTestAnswersIsLeftAlone)
{
    nvtest::ExpectDialogs expecting;
    QTimer::singleShot(30, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Yes)->click();
    });
    QTimer::singleShot(5000, [] {
        if (QWidget* w = QApplication::activeModalWidget())
            w->close();
    });
    EXPECT_EQ(QMessageBox::question(nullptr, QStringLiteral("替换"), QStringLiteral("替换它吗？")), QMessageBox::Yes);
}

TEST(DialogGuard, ExpectationsNestAndEnd)
{
    EXPECT_FALSE(nvtest::dialogsExpected());
    {
        nvtest::ExpectDialogs outer;
        {
            nvtest::ExpectDialogs inner;
            EXPECT_TRUE(nvtest::dialogsExpected());
        }
        EXPECT_TRUE(nvtest::dialogsExpected());
    }
    EXPECT_FALSE(nvtest::dialogsExpected());
}
