// The updater's real named events, seen from another process. These tests share the
// system-wide names, so CTest runs them one at a time.
#include <gtest/gtest.h>

#include <thread>

#include "platform/named_event.h"
#include "tests/support/process.h"
#include "updater/ota/update_engine.h"

namespace kivu::ota {
namespace {

using std::chrono::milliseconds;

void AwaitWaiter(platform::NamedEvent& event) {
    for (int i = 0; i < 5000 && event.Waiters() == 0; ++i) std::this_thread::sleep_for(milliseconds(1));
    ASSERT_GT(event.Waiters(), 0u) << "the other process never started waiting";
}

TEST(NamedEvents, WaitEventIsReleasedByAPulseAndTimesOut) {
    std::unique_ptr<platform::NamedEvent> finish = platform::CreateNamedEvent(kFinishEventName);
    ASSERT_NE(finish, nullptr);
    test::StartedProcess waiter(test::StagedProgram(), {"wait-event", "finish", "--timeout", "30"});
    ASSERT_TRUE(waiter.started());
    AwaitWaiter(*finish);
    finish->Pulse();
    test::ProcessResult result = waiter.Wait();
    EXPECT_EQ(result.exitCode, 0) << result.err;

    test::ProcessResult timedOut = test::RunProcess(test::StagedProgram(), {"wait-event", "progress", "--timeout", "0.2"});
    EXPECT_EQ(timedOut.exitCode, 1);
    EXPECT_EQ(test::RunProcess(test::StagedProgram(), {"wait-event", "start"}).exitCode, 2);
}

TEST(NamedEvents, APulseReleasesOnlyThoseWaitingAtThatMoment) {
    std::unique_ptr<platform::NamedEvent> event = platform::CreateNamedEvent(u"Test\\pulse-semantics");
    ASSERT_NE(event, nullptr);
    event->Pulse();  // nobody waits: the pulse is not kept
    EXPECT_FALSE(event->Wait(milliseconds(50)));
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) waiters.emplace_back([&] { released += event->Wait(milliseconds(5000)) ? 1 : 0; });
    for (int i = 0; i < 5000 && event->Waiters() < 3; ++i) std::this_thread::sleep_for(milliseconds(1));
    event->Pulse();
    for (auto& t : waiters) t.join();
    EXPECT_EQ(released.load(), 3);
    EXPECT_EQ(event->Waiters(), 0u);
}

}  // namespace
}  // namespace kivu::ota
