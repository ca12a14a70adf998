#pragma once
// A clock the tests advance by hand, for the drop-down's timed close.

#include "toolkit/DropDownState.h"

#include <map>

class FakeScheduler : public toolkit::DropDownScheduler {
public:
    Token schedule(int milliseconds, std::function<void()> callback) override
    {
        const Token token = next_++;
        pending_.emplace(token, Pending{now_ + milliseconds, std::move(callback)});
        return token;
    }

    void cancel(Token token) override
    {
        ++cancels_;
        if (!honourCancel_)
            return; // a timer already on its way when the cancel came
        pending_.erase(token);
    }

    // Runs every callback that comes due up to `now_ + ms`, in time order.
    void advance(int ms)
    {
        const long long until = now_ + ms;
        for (;;) {
            auto due = pending_.end();
            for (auto it = pending_.begin(); it != pending_.end(); ++it) {
                if (it->second.at <= until && (due == pending_.end() || it->second.at < due->second.at))
                    due = it;
            }
            if (due == pending_.end())
                break;
            now_ = due->second.at;
            auto callback = std::move(due->second.callback);
            pending_.erase(due);
            callback();
        }
        now_ = until;
    }

    void setHonourCancel(bool honour) { honourCancel_ = honour; }
    size_t pendingCount() const { return pending_.size(); }
    int cancels() const { return cancels_; }
    long long now() const { return now_; }

private:
    struct Pending {
        long long at;
        std::function<void()> callback;
    };
    long long now_ = 0;
    Token next_ = 1;
    std::map<Token, Pending> pending_;
    bool honourCancel_ = true;
    int cancels_ = 0;
};
