#pragma once
// What the shell's widget tests share: tool screens that record what the
// main window asks of them, a recorder for opened web pages, a loopback web
// server, shipped settings of the test's choosing, and pictures.

#include "TestSupport.h"

#include "shell/ToolScreens.h"

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>
#include <QVariantMap>
#include <atomic>
#include <functional>

namespace shelltest {

// One list of calls for all five screens, "<screen>.<call>" in order.
struct ToolCalls {
    QMutex mutex;
    QStringList calls;
    std::atomic<int> offMainRepairScans{0};
    void add(const QString& call)
    {
        QMutexLocker lock(&mutex);
        calls << call;
    }
    QStringList take()
    {
        QMutexLocker lock(&mutex);
        QStringList out = calls;
        calls.clear();
        return out;
    }
    int count(const QString& call)
    {
        QMutexLocker lock(&mutex);
        return int(calls.count(call));
    }
};

// A screen of any kind; answers every call the main window may make.
class FakeScreen : public WipeDiskToolScreen {
public:
    FakeScreen(QString name, ToolCalls& calls);
    ~FakeScreen() override;
    QWidget* view() override { return view_; }
    void setSuperDelegate(MainWindowHost* host) override;
    bool stopRunningWork(int timeoutMs) override;
    void getallVolumes() override;
    void loadBaseView() override { calls_.add(name_ + QStringLiteral(".loadBaseView")); }
    void changeFormatOrFreeSpaceView(int tag) override
    {
        calls_.add(name_ + QStringLiteral(".mode%1").arg(tag));
    }
    void endAppRemoveFolder() override { calls_.add(name_ + QStringLiteral(".endAppRemoveFolder")); }

    MainWindowHost* host = nullptr;
    // What stopRunningWork does: how long it "waits" and what it answers.
    int stopTakesMs = 0;
    bool stopSucceeds = true;
    int lastStopBudget = -1;

private:
    QString name_;
    ToolCalls& calls_;
    QPointer<QWidget> view_;
};

// Gives FakeScreens, and remembers them.
class FakeFactory : public ToolScreenFactory {
public:
    explicit FakeFactory(ToolCalls& calls) : calls_(calls) {}
    std::unique_ptr<ToolScreen> makeFileEraser() override { return make<ToolScreen>(QStringLiteral("eraser")); }
    std::unique_ptr<WipeDiskToolScreen> makeWipeDisk() override { return make<WipeDiskToolScreen>(QStringLiteral("wipe")); }
    std::unique_ptr<ToolScreen> makeUninstall() override { return make<ToolScreen>(QStringLiteral("uninstall")); }
    std::unique_ptr<ToolScreen> makeInternet() override { return make<ToolScreen>(QStringLiteral("internet")); }
    std::unique_ptr<VolumeToolScreen> makeRepairDisk() override { return make<VolumeToolScreen>(QStringLiteral("repair")); }

    QMap<QString, FakeScreen*> made;

private:
    template <typename T>
    std::unique_ptr<T> make(const QString& name)
    {
        calls_.add(name + QStringLiteral(".created"));
        auto screen = std::make_unique<FakeScreen>(name, calls_);
        made.insert(name, screen.get());
        return screen;
    }
    ToolCalls& calls_;
};

// Catches the pages the program would open in the browser.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls();
    ~OpenedUrls() override;
    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls << url; }
};

// A loopback web server: "/" answers "ok" (the network probe), the manifest
// path answers the manifest set here.
class UpdateServer {
public:
    UpdateServer();
    QString url(const QString& path) const;
    QByteArray manifest;

private:
    QTcpServer server_;
};

// Ships the program's settings file with these links and this local build
// number instead; the user copy is removed. Call resetSettings() after.
void shipSettings(const QVariantMap& links, qint64 versionCheck);
void resetSettings();

// Saves a picture of `widget` as build/test-output/shell/<name>.png.
QString shot(QWidget* widget, const QString& name);

} // namespace shelltest
