#pragma once
// Lets work on other threads reach an object of the main thread only while
// that object lives. The owner holds the Lifeline and cuts it in its
// destructor; a worker keeps a Handle, which stays valid after the owner is
// gone and then simply does nothing.

#include <QMetaObject>
#include <QObject>
#include <functional>
#include <memory>
#include <mutex>

class Lifeline {
    struct State {
        std::mutex mutex;
        QObject* owner = nullptr;
    };

public:
    class Handle {
    public:
        // Queues `fn` for the owner's thread; it runs there if the owner still
        // lives when its turn comes.
        void post(std::function<void()> fn) const
        {
            std::lock_guard lock(state_->mutex);
            if (state_->owner)
                QMetaObject::invokeMethod(state_->owner, std::move(fn), Qt::QueuedConnection);
        }
        // Runs `fn` on the calling thread while the owner is kept from going
        // away; false when it is gone already. `fn` must be short.
        bool runWhileAlive(const std::function<void()>& fn) const
        {
            std::lock_guard lock(state_->mutex);
            if (!state_->owner)
                return false;
            fn();
            return true;
        }
        bool alive() const
        {
            std::lock_guard lock(state_->mutex);
            return state_->owner != nullptr;
        }

    private:
        friend class Lifeline;
        explicit Handle(std::shared_ptr<State> state) : state_(std::move(state)) {}
        std::shared_ptr<State> state_;
    };

    explicit Lifeline(QObject* owner) : state_(std::make_shared<State>()) { state_->owner = owner; }
    ~Lifeline() { cut(); }
    Lifeline(const Lifeline&) = delete;
    Lifeline& operator=(const Lifeline&) = delete;

    Handle handle() const { return Handle(state_); }

    // From now on nothing reaches the owner.
    void cut()
    {
        std::lock_guard lock(state_->mutex);
        state_->owner = nullptr;
    }

private:
    std::shared_ptr<State> state_;
};
