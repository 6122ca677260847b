#include "updater/log/log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "tests/support/temp_dir.h"

namespace kivu {
namespace {

class FixedClock final : public platform::LocalClock {
public:
    explicit FixedClock(std::vector<platform::LocalTime> times) : times_(std::move(times)) {}
    platform::LocalTime Now() override {
        std::size_t i = next_.fetch_add(1);
        return times_[i < times_.size() ? i : times_.size() - 1];
    }

private:
    std::vector<platform::LocalTime> times_;
    std::atomic<std::size_t> next_{0};
};

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        LogTarget.folder = dir_.Folder();
        LogTarget.name = u"Log";
    }
    void TearDown() override {
        SetLogClock(nullptr);
        LogTarget = {};
    }
    std::string Day(const char* name) const { return test::ReadFileBytes(dir_.path() / name); }

    test::TempDir dir_;
};

TEST_F(LogTest, LineHasPrefixUnchangedMessageAndCrLf) {
    FixedClock clock({{2024, 3, 15, 9, 5, 7, 42}});
    SetLogClock(&clock);
    WriteLog(u"Init");
    WriteLog(u"CMD_FW_WRITE(0x27)Times....:%d 100%");
    WriteLog(u"");
    WriteLog(u"caf\u00e9 \u6f22");
    EXPECT_EQ(Day("20240315_Log.log"),
              "09:05:07:042 ::  Init\r\n"
              "09:05:07:042 ::  CMD_FW_WRITE(0x27)Times....:%d 100%\r\n"
              "09:05:07:042 ::  \r\n"
              "09:05:07:042 ::  caf\xc3\xa9 \xe6\xbc\xa2\r\n");
}

TEST_F(LogTest, LongLinesAreWrittenWhole) {
    std::u16string longMessage(5000, u'x');
    WriteLog(longMessage);
    platform::LocalTime now = platform::NowLocal();
    std::string content = test::ReadFileBytes(
        dir_.path() / std::to_string(now.year * 10000 + now.month * 100 + now.day).append("_Log.log"));
    ASSERT_EQ(content.size(), 17u + 5000u + 2u);
    EXPECT_EQ(content.substr(17, 5000), std::string(5000, 'x'));
}

TEST_F(LogTest, AppendsToTheDaysFileAndMidnightStartsANewOne) {
    dir_.Write("20241231_Log.log", "earlier run\r\n");
    // Each line reads the clock twice: once for its stamp, once for the file name.
    FixedClock clock({{2024, 12, 31, 23, 59, 59, 999},
                      {2024, 12, 31, 23, 59, 59, 999},
                      {2025, 1, 1, 0, 0, 0, 1},
                      {2025, 1, 1, 0, 0, 0, 1}});
    SetLogClock(&clock);
    WriteLog(u"before");
    WriteLog(u"after");
    EXPECT_EQ(Day("20241231_Log.log"), "earlier run\r\n23:59:59:999 ::  before\r\n");
    EXPECT_EQ(Day("20250101_Log.log"), "00:00:00:001 ::  after\r\n");
}

TEST_F(LogTest, UnwritableFolderDropsTheLineAndGoesOn) {
    LogTarget.folder = dir_.Folder() + u"missing/";
    WriteLog(u"lost");
    SUCCEED() << "no crash and no exception";
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "missing"));
}

TEST_F(LogTest, ManyThreadsWriteWholeLinesAndLoseNone) {
    FixedClock clock({{2024, 1, 2, 3, 4, 5, 6}});
    SetLogClock(&clock);
    constexpr int kThreads = 8;
    constexpr int kLines = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                std::string text = "thread " + std::to_string(t) + " line " + std::to_string(i) +
                                   " " + std::string(static_cast<std::size_t>(i % 97), '#');
                WriteLog(std::u16string(text.begin(), text.end()));
            }
        });
    }
    for (auto& thread : threads) thread.join();

    std::istringstream lines(Day("20240102_Log.log"));
    std::vector<int> next(kThreads, 0);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ASSERT_EQ(line.back(), '\r');
        line.pop_back();
        int t = -1, i = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "03:04:05:006 ::  thread %d line %d", &t, &i), 2) << line;
        ASSERT_EQ(i, next[static_cast<std::size_t>(t)]++) << "lines of one thread out of order";
        EXPECT_EQ(line, "03:04:05:006 ::  thread " + std::to_string(t) + " line " +
                            std::to_string(i) + " " + std::string(static_cast<std::size_t>(i % 97), '#'));
        ++count;
    }
    EXPECT_EQ(count, kThreads * kLines);
}

}  // namespace
}  // namespace kivu
