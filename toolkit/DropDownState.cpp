#include "DropDownState.h"

#include <QObject>
#include <QTimer>
#include <QPointer>

namespace toolkit {

namespace {

class TimerScheduler final : public DropDownScheduler {
public:
    ~TimerScheduler() override
    {
        for (auto& [token, timer] : timers_)
            delete timer.data();
    }

    Token schedule(int milliseconds, std::function<void()> callback) override
    {
        const Token token = next_++;
        auto* timer = new QTimer;
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(milliseconds);
        QObject::connect(timer, &QTimer::timeout, timer, [this, token, callback = std::move(callback)]() {
            // Forget the timer before the callback, which may schedule again.
            if (auto it = timers_.find(token); it != timers_.end()) {
                it->second->deleteLater();
                timers_.erase(it);
            }
            callback();
        });
        timers_[token] = timer;
        timer->start();
        return token;
    }

    void cancel(Token token) override
    {
        if (auto it = timers_.find(token); it != timers_.end()) {
            if (it->second) {
                it->second->stop();
                it->second->deleteLater();
            }
            timers_.erase(it);
        }
    }

private:
    Token next_ = 1;
    std::map<Token, QPointer<QTimer>> timers_;
};

} // namespace

std::unique_ptr<DropDownScheduler> makeTimerScheduler() { return std::make_unique<TimerScheduler>(); }

namespace {
std::function<std::unique_ptr<DropDownScheduler>()>& defaultFactory()
{
    static std::function<std::unique_ptr<DropDownScheduler>()> factory;
    return factory;
}
} // namespace

std::unique_ptr<DropDownScheduler> makeDefaultScheduler()
{
    return defaultFactory() ? defaultFactory()() : makeTimerScheduler();
}

void setDefaultSchedulerFactory(std::function<std::unique_ptr<DropDownScheduler>()> factory)
{
    defaultFactory() = std::move(factory);
}

DropDownState::DropDownState(DropDownScheduler& scheduler, Reopen reopen,
                             std::function<void(Opening)> closeWindow, int timedCloseMs)
    : scheduler_(scheduler), reopen_(reopen), closeWindow_(std::move(closeWindow)),
      timedCloseMs_(timedCloseMs)
{
}

DropDownState::~DropDownState()
{
    *alive_ = false;
    if (timer_)
        scheduler_.cancel(*timer_);
}

std::optional<DropDownState::Opening> DropDownState::open()
{
    if (current_) {
        if (reopen_ == Reopen::IgnoreWhileOpen)
            return std::nullopt;
        closeCurrent();
    }
    const Opening opening = nextOpening_++;
    current_ = opening;
    pointerInside_ = false;
    std::weak_ptr<bool> alive = alive_;
    timer_ = scheduler_.schedule(timedCloseMs_, [this, alive, opening]() {
        if (const auto flag = alive.lock(); flag && *flag)
            timedClose(opening);
    });
    return opening;
}

void DropDownState::mouseEixtView(bool exited)
{
    if (!current_)
        return; // a late report from a list that has already gone
    pointerInside_ = !exited;
    if (exited)
        closeCurrent();
}

void DropDownState::closeMattachedWindow()
{
    if (!current_ || pointerInside_)
        return;
    closeCurrent();
}

void DropDownState::choiceMade()
{
    if (current_)
        closeCurrent();
}

void DropDownState::timedClose(Opening opening)
{
    if (current_ != opening)
        return; // that list is gone; this timer must not touch a newer one
    timer_.reset();
    closeMattachedWindow();
}

void DropDownState::closeCurrent()
{
    const Opening opening = *current_;
    current_.reset();
    pointerInside_ = false;
    if (timer_) {
        scheduler_.cancel(*timer_);
        timer_.reset();
    }
    if (closeWindow_)
        closeWindow_(opening);
}

} // namespace toolkit
