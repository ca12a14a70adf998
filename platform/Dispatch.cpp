#include "Dispatch.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QRunnable>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

namespace platform::dispatch {
namespace {

QThreadPool& pool()
{
    static QThreadPool* p = [] {
        auto* created = new QThreadPool;
        // Queued blocks often wait on disks or child processes; like the
        // system's global queues, the pool grows instead of starving.
        created->setMaxThreadCount(64);
        created->setExpiryTimeout(30000);
        return created;
    }();
    return *p;
}

QThread::Priority threadPriority(Priority p)
{
    switch (p) {
    case Priority::High: return QThread::HighPriority;
    case Priority::Default: return QThread::NormalPriority;
    case Priority::Low: return QThread::LowPriority;
    case Priority::Background: return QThread::LowestPriority;
    }
    return QThread::NormalPriority;
}

class PriorityRunnable : public QRunnable {
public:
    PriorityRunnable(Priority p, Block b) : priority_(p), block_(std::move(b)) { setAutoDelete(true); }
    void run() override
    {
        QThread* self = QThread::currentThread();
        const QThread::Priority old = self->priority();
        self->setPriority(threadPriority(priority_));
        block_();
        self->setPriority(old == QThread::InheritPriority ? QThread::NormalPriority : old);
    }

private:
    Priority priority_;
    Block block_;
};

} // namespace

void global(Priority priority, Block block)
{
    pool().start(new PriorityRunnable(priority, std::move(block)));
}

void main(Block block)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        block();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(block), Qt::QueuedConnection);
}

void after(int milliseconds, Block block)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        QThread::msleep(static_cast<unsigned long>(milliseconds < 0 ? 0 : milliseconds));
        block();
        return;
    }
    auto schedule = [milliseconds, b = std::move(block)]() mutable {
        // Precise: callers promise delays ("2.0 s after the last report"), and a
        // coarse timer may fire up to 5% early.
        QTimer::singleShot(milliseconds, Qt::PreciseTimer, QCoreApplication::instance(), std::move(b));
    };
    if (isMainThread())
        schedule();
    else
        QMetaObject::invokeMethod(app, std::move(schedule), Qt::QueuedConnection);
}

bool isMainThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

bool waitForGlobalQueues(int timeoutMs)
{
    return pool().waitForDone(timeoutMs);
}

} // namespace platform::dispatch
