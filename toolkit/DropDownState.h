#pragma once
// The life of one drop-down list, apart from its window: opening, the timed
// close, the pointer protocol and the choice.
//
// The list closes when the pointer leaves it, when a row is chosen, or a
// while after opening if the pointer never entered it. The timed close
// belongs to the opening that scheduled it: a close that comes due after
// its list has gone (or after a newer list replaced it) does nothing, and
// closing twice is harmless.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace toolkit {

// Runs callbacks later on the main thread. The drop-down's clock: tests
// substitute a fake that they advance by hand.
class DropDownScheduler {
public:
    using Token = std::uint64_t;
    virtual ~DropDownScheduler() = default;
    // Calls `callback` once, `milliseconds` from now, unless cancelled.
    virtual Token schedule(int milliseconds, std::function<void()> callback) = 0;
    virtual void cancel(Token token) = 0;
};

// The real clock: one single-shot QTimer per scheduled call. Timers fire in
// any running event loop of the main thread, modal runs included.
std::unique_ptr<DropDownScheduler> makeTimerScheduler();

// The clock of every drop-down host made without one of its own: the real
// timers, or what the factory set here makes. Tests of whole screens set a
// fake clock this way and reset it (null) when done. Main thread only.
std::unique_ptr<DropDownScheduler> makeDefaultScheduler();
void setDefaultSchedulerFactory(std::function<std::unique_ptr<DropDownScheduler>()> factory);

class DropDownState {
public:
    using Opening = std::uint64_t;

    // What a second opening does while a list is still shown.
    enum class Reopen {
        Replace,         // close the shown list and open the new one
        IgnoreWhileOpen, // keep the shown list (the confirmation dialogs)
    };

    static constexpr int kTimedCloseMs = 2000;

    // `closeWindow` takes the window of that opening down (remove it from its
    // parent, hide it, release it and the list). It is called once per opening.
    DropDownState(DropDownScheduler& scheduler, Reopen reopen,
                  std::function<void(Opening)> closeWindow, int timedCloseMs = kTimedCloseMs);
    ~DropDownState();
    DropDownState(const DropDownState&) = delete;
    DropDownState& operator=(const DropDownState&) = delete;

    // Starts an opening and schedules its timed close. Returns the opening,
    // or nothing when the host ignores openings while a list is shown.
    std::optional<Opening> open();

    // The list's pointer report: NO when the pointer entered the list,
    // YES when it left. Leaving closes the list at once.
    void mouseEixtView(bool exited);

    // The timed close, and the close a window observer may ask for: closes
    // the list unless the pointer is inside it.
    void closeMattachedWindow();

    // A row was chosen: the list closes whatever the pointer does.
    void choiceMade();

    Reopen reopen() const { return reopen_; }
    bool isShown() const { return current_.has_value(); }
    // Shown and the pointer not inside: the flag hosts call `isPopSortWin`.
    bool isPopSortWin() const { return isShown() && !pointerInside_; }
    bool pointerInside() const { return pointerInside_; }
    std::optional<Opening> currentOpening() const { return current_; }

private:
    void timedClose(Opening opening);
    void closeCurrent();

    DropDownScheduler& scheduler_;
    Reopen reopen_;
    std::function<void(Opening)> closeWindow_;
    int timedCloseMs_;
    Opening nextOpening_ = 1;
    std::optional<Opening> current_;
    std::optional<DropDownScheduler::Token> timer_;
    bool pointerInside_ = false;
    // Guards the callbacks against a state destroyed from inside them.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace toolkit
