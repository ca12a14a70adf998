#pragma once
// A stall benchmark works in a home of its own: HOME, the XDG folders, TMPDIR
// and NULLVANE_ROOT point into one temporary folder, made before the
// application object and removed at the end. The erase history, the user
// defaults and the applications the uninstaller finds are then the
// benchmark's own, never the user's.
//
// Also the small drivers the screens' benchmarks share: the tool window a
// screen shows in, and the press of a modal dialog's button by its title.

#include "bench/PrivateConfig.h"
#include "tests/support/DialogLookup.h"
#include "toolkit/ToolArea.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTimer>
#include <functional>

namespace bench {

class StallSandbox {
public:
    StallSandbox()
        : path_(makeRunFolder("nullvane-stall-"))
    {
        for (const auto& [var, sub] : {std::pair{"HOME", "home"}, {"XDG_CONFIG_HOME", "config"},
                                       {"XDG_DATA_HOME", "data"}, {"XDG_CACHE_HOME", "cache"},
                                       {"XDG_STATE_HOME", "state"}, {"XDG_DATA_DIRS", "share"},
                                       {"XDG_RUNTIME_DIR", "runtime"}, {"TMPDIR", "tmp"},
                                       {"NULLVANE_ROOT", "root"}}) {
            const QString folder = path_ + QLatin1Char('/') + QLatin1String(sub);
            QDir().mkpath(folder);
            qputenv(var, QFile::encodeName(folder));
        }
        QFile::setPermissions(path_ + QStringLiteral("/runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ~StallSandbox() { QDir(path_).removeRecursively(); }
    StallSandbox(const StallSandbox&) = delete;
    StallSandbox& operator=(const StallSandbox&) = delete;

    // A folder inside the sandbox, made on demand.
    QString folder(const QString& sub) const
    {
        const QString p = path_ + QLatin1Char('/') + sub;
        QDir().mkpath(p);
        return p;
    }

private:
    QString path_;
};

// Writes `bytes` to a new file; folders are made as needed.
inline bool writeBenchFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

using nvtest::buttonTitled;
using nvtest::runningDialog;

// Clicks the button titled `title` of the modal dialog once one is on screen,
// from the dialog's own modal run as a person would, looking every `everyMs`;
// `beforeClick` runs just before the click.
inline void pressWhenShown(QTimer& timer, const QString& title, int everyMs, const std::function<void()>& beforeClick)
{
    timer.setInterval(everyMs);
    QObject::connect(&timer, &QTimer::timeout, [&timer, title, beforeClick] {
        StatusAttachedWindow* dialog = runningDialog();
        TextImageButton* button = dialog ? buttonTitled(dialog, title) : nullptr;
        if (!button)
            return;
        timer.stop();
        beforeClick();
        button->click();
    });
    timer.start();
}

// Shows `view` at the top left of `window`, sized as the tool area.
inline void showInToolWindow(QWidget& window, QWidget* view)
{
    window.resize(toolkit::kToolWidth, toolkit::kToolHeight);
    view->setParent(&window);
    view->move(0, 0);
    window.show();
}

} // namespace bench
