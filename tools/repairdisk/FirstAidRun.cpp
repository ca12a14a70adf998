#include "FirstAidRun.h"

#include "DiskToolCommands.h"
#include "RepairDiskRules.h"

#include "platform/Privileged.h"
#include "platform/DiskutilProgram.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/Process.h"

#include <QProcess>
#include <QStringDecoder>
#include <QThread>

namespace repairdisk {

struct FirstAidRun::Shared {
    std::atomic<bool> alive{true};
    std::atomic<int> generation{0};
    std::atomic<bool> running{false};
    std::atomic<int> cout{0};
    FirstAidRun* owner = nullptr;
};

FirstAidRun::FirstAidRun(int launchDelayMs)
    : shared_(std::make_shared<Shared>())
    , launchDelayMs_(launchDelayMs)
{
    shared_->owner = this;
}

FirstAidRun::~FirstAidRun()
{
    shared_->alive = false;
}

bool FirstAidRun::isRunning() const
{
    return shared_->running;
}

int FirstAidRun::cout() const
{
    return shared_->cout;
}

void FirstAidRun::start(bool repair, const QString& device)
{
    const int generation = ++shared_->generation;
    shared_->cout = 0;
    shared_->running = true;
    std::shared_ptr<Shared> shared = shared_;
    const int delay = launchDelayMs_;

    // Hands a report to the main thread, for this run only.
    const auto post = [shared, generation](std::function<void(FirstAidRun&)> report) {
        platform::dispatch::main([shared, generation, report = std::move(report)] {
            if (shared->alive && shared->generation == generation)
                report(*shared->owner);
        });
    };

    platform::dispatch::global(platform::dispatch::Priority::Default, [shared, generation, repair, device, delay, post] {
        if (delay > 0)
            QThread::msleep(static_cast<unsigned long>(delay));
        if (!shared->alive || shared->generation != generation)
            return;

        const auto row = [&](const QString& text) {
            post([text](FirstAidRun& run) {
                if (run.onRow)
                    run.onRow(text);
            });
        };
        const auto progress = [&](float value) {
            post([value](FirstAidRun& run) {
                if (run.onProgress)
                    run.onProgress(value);
            });
        };
        const auto end = [&](bool succeeded) {
            post([succeeded](FirstAidRun& run) {
                run.shared_->running = false;
                if (run.onEnd)
                    run.onEnd(succeeded);
            });
        };

        if (device.isEmpty()) {
            row(QStringLiteral("没有可检查的设备"));
            progress(kAidEndMark);
            end(false);
            return;
        }

        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setProcessEnvironment(platform::processEnvironment());
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(platform::diskutilProgram(), firstAidArguments(repair, device));
        if (!process.waitForStarted(-1)) {
            row(QStringLiteral("磁盘工具无法启动: %1").arg(process.errorString()));
            progress(kAidEndMark);
            end(false);
            return;
        }
        // One decoder for the whole run: a character split between two chunks
        // is joined, not lost.
        QStringDecoder decoder(QStringDecoder::Utf8);
        const auto take = [&] {
            const QByteArray data = process.readAll();
            if (data.isEmpty())
                return;
            const int n = ++shared->cout;
            const QString text = decoder.decode(data);
            platform::log(QStringLiteral("Read data: %1 bytes").arg(data.size()));
            if (!text.isEmpty())
                row(aidRowText(text));
            progress(float(n));
        };
        while (process.state() != QProcess::NotRunning) {
            process.waitForReadyRead(100);
            take();
        }
        take();
        const bool succeeded = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        platform::log(QStringLiteral("end Read data: %1").arg(process.exitCode()));
        // The password was refused or the request cancelled: the check never
        // ran, and the last row says so.
        const platform::privileged::Ending ending = platform::privileged::endingOf(
            true, true, process.exitStatus() != QProcess::NormalExit, process.exitCode());
        if (platform::privileged::wasRefused(ending))
            row(platform::privileged::refusalText(ending));
        progress(kAidEndMark);
        end(succeeded);
    });
}

} // namespace repairdisk
