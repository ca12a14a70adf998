// The drop-down's life with a hand-driven clock: timed close, pointer
// protocol, choices, and timers that outlive their list.
#include "FakeScheduler.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using toolkit::DropDownState;

namespace {

struct DropDownFixture : ::testing::Test {
    FakeScheduler clock;
    std::vector<DropDownState::Opening> closed;
    std::vector<long long> closedAt;

    std::unique_ptr<DropDownState> make(DropDownState::Reopen reopen = DropDownState::Reopen::Replace)
    {
        return std::make_unique<DropDownState>(clock, reopen, [this](DropDownState::Opening o) {
            closed.push_back(o);
            closedAt.push_back(clock.now());
        });
    }
};

} // namespace

TEST_F(DropDownFixture, UntouchedListClosesTwoSecondsAfterOpening)
{
    auto state = make();
    const auto opening = state->open();
    ASSERT_TRUE(opening);
    EXPECT_TRUE(state->isShown());
    EXPECT_TRUE(state->isPopSortWin());
    clock.advance(1999);
    EXPECT_TRUE(state->isShown());
    EXPECT_TRUE(closed.empty());
    clock.advance(1);
    EXPECT_FALSE(state->isShown());
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_EQ(closed[0], *opening);
    EXPECT_EQ(closedAt[0], 2000);
}

TEST_F(DropDownFixture, EnteringKeepsItOpenUntilThePointerLeaves)
{
    auto state = make();
    state->open();
    clock.advance(500);
    state->mouseEixtView(false); // entered
    EXPECT_FALSE(state->isPopSortWin());
    clock.advance(5000);
    EXPECT_TRUE(state->isShown()) << "the timed close must leave a list with the pointer in it";
    EXPECT_TRUE(closed.empty());
    state->mouseEixtView(true); // left
    EXPECT_FALSE(state->isShown());
    EXPECT_EQ(closed.size(), 1u);
    EXPECT_EQ(closedAt[0], 5500);
}

TEST_F(DropDownFixture, LeavingClosesAtOnceAndTheTimerDoesNothingLater)
{
    auto state = make();
    state->open();
    clock.advance(300);
    state->mouseEixtView(false);
    clock.advance(200);
    state->mouseEixtView(true);
    EXPECT_EQ(closed.size(), 1u);
    EXPECT_EQ(closedAt[0], 500);
    clock.advance(3000);
    EXPECT_EQ(closed.size(), 1u);
}

TEST_F(DropDownFixture, ChoiceClosesEvenWithThePointerInside)
{
    auto state = make();
    state->open();
    state->mouseEixtView(false);
    state->choiceMade();
    EXPECT_FALSE(state->isShown());
    EXPECT_EQ(closed.size(), 1u);
    EXPECT_EQ(clock.pendingCount(), 0u) << "the opening's timer is cancelled";
}

TEST_F(DropDownFixture, ClosingTwiceOrReportsAfterClosingAreHarmless)
{
    auto state = make();
    state->open();
    state->choiceMade();
    state->choiceMade();
    state->closeMattachedWindow();
    state->mouseEixtView(true);  // a leave report arriving after the close
    state->mouseEixtView(false);
    EXPECT_EQ(closed.size(), 1u);
    EXPECT_FALSE(state->isShown());
    EXPECT_FALSE(state->pointerInside()) << "a report for a list that is gone changes nothing";
}

TEST_F(DropDownFixture, StaleTimerNeverClosesANewerList)
{
    auto state = make();
    // Timers already queued when cancelled still fire, as a real timer can.
    clock.setHonourCancel(false);
    const auto first = state->open();
    clock.advance(1500);
    const auto second = state->open(); // replaces the first
    ASSERT_TRUE(first && second);
    ASSERT_NE(*first, *second);
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_EQ(closed[0], *first);
    clock.advance(500); // the first opening's timer fires at 2000
    EXPECT_TRUE(state->isShown()) << "the first list's timer closed the second list";
    EXPECT_EQ(state->currentOpening(), second);
    clock.advance(1500); // the second's at 3500
    EXPECT_FALSE(state->isShown());
    ASSERT_EQ(closed.size(), 2u);
    EXPECT_EQ(closed[1], *second);
    EXPECT_EQ(closedAt[1], 3500);
}

TEST_F(DropDownFixture, StaleTimerDoesNotCloseAListReopenedAfterAChoice)
{
    auto state = make(DropDownState::Reopen::IgnoreWhileOpen);
    clock.setHonourCancel(false);
    state->open();
    clock.advance(1000);
    state->choiceMade();
    clock.advance(500);
    const auto again = state->open(); // allowed: the first one is closed
    ASSERT_TRUE(again);
    clock.advance(500); // 2000: the first opening's timer
    EXPECT_TRUE(state->isShown());
    clock.advance(1500); // 3500: the second opening's own timer
    EXPECT_FALSE(state->isShown());
    EXPECT_EQ(closed.size(), 2u);
}

TEST_F(DropDownFixture, ConfirmationHostsIgnoreOpeningWhileShown)
{
    auto state = make(DropDownState::Reopen::IgnoreWhileOpen);
    const auto first = state->open();
    EXPECT_FALSE(state->open());
    EXPECT_EQ(state->currentOpening(), first);
    EXPECT_TRUE(closed.empty());
    clock.advance(2000);
    EXPECT_EQ(closed.size(), 1u);
    EXPECT_TRUE(state->open()) << "once closed, it opens again";
}

TEST_F(DropDownFixture, DestroyedStateIgnoresItsTimer)
{
    auto state = make();
    clock.setHonourCancel(false);
    state->open();
    state.reset();
    clock.advance(3000); // must not touch the destroyed state
    EXPECT_TRUE(closed.empty());
}
