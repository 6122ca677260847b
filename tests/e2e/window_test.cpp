// The skinned window in a real X server: Xvfb without a window manager, started by the test on
// a free display, driven with xdotool, looked at with ImageMagick's import.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "tests/support/log_reader.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace kivu {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using Lines = std::vector<std::string>;

std::string Tool(const std::vector<std::string>& candidates) {
    for (const std::string& c : candidates) {
        if (fs::exists(c)) return c;
    }
    return {};
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        xvfb_ = Tool({"/usr/bin/Xvfb"});
        xdotool_ = Tool({"/usr/bin/xdotool"});
        import_ = Tool({"/usr/bin/import-im6.q16", "/usr/bin/import"});
        convert_ = Tool({"/usr/bin/convert-im6.q16", "/usr/bin/convert"});
        if (xvfb_.empty() || xdotool_.empty() || import_.empty() || convert_.empty()) {
            GTEST_SKIP() << "needs xvfb, xdotool and imagemagick";
        }
        // A free display: no lock file and no socket.
        std::mt19937 random(std::random_device{}());
        for (int attempt = 0; attempt < 50 && display_.empty(); ++attempt) {
            const int n = 100 + static_cast<int>(random() % 800);
            if (!fs::exists("/tmp/.X" + std::to_string(n) + "-lock") &&
                !fs::exists("/tmp/.X11-unix/X" + std::to_string(n))) {
                display_ = ":" + std::to_string(n);
            }
        }
        server_ = std::make_unique<test::StartedProcess>(
            xvfb_, std::vector<std::string>{display_, "-screen", "0", "800x600x24", "-nolisten", "tcp"});
        const std::string socket = "/tmp/.X11-unix/X" + display_.substr(1);
        for (int i = 0; i < 500 && !fs::exists(socket); ++i) std::this_thread::sleep_for(milliseconds(10));
        ASSERT_TRUE(fs::exists(socket)) << "Xvfb did not start";
        // The socket can appear before the server takes connections: wait until it answers.
        bool answering = false;
        for (int i = 0; i < 200 && !answering; ++i) {
            answering = X(xdotool_, {"getdisplaygeometry"}).exitCode == 0;
            if (!answering) std::this_thread::sleep_for(milliseconds(50));
        }
        ASSERT_TRUE(answering) << "Xvfb does not answer";
        fs::copy(KIVU_STAGE_DIR, folder_, fs::copy_options::recursive);
        for (const auto& entry : fs::directory_iterator(folder_)) {
            if (entry.path().extension() == ".log") fs::remove(entry.path());
        }
    }
    void TearDown() override {
        program_.reset();
        server_.reset();
    }

    // Starts the program and waits for its window; a fatal failure with the program's output
    // when the window does not come.
    void StartProgram(const std::string& scenario) {
        program_ = std::make_unique<test::StartedProcess>(
            (folder_ / "Kivu Updata").string(), std::vector<std::string>{},
            std::vector<std::string>{"DISPLAY=" + display_, "KIVU_UNATTENDED=1",
                                     "KIVU_HID_EMULATION=" + (folder_ / "emulation" / scenario).string()});
        // The window is up when xdotool finds it.
        for (int i = 0; i < 1000; ++i) {  // up to about 30 s for a sanitizer build on a busy machine
            if (X(xdotool_, {"search", "--onlyvisible", "--name", "^Kivu Updata$"}).exitCode == 0) {
                std::this_thread::sleep_for(milliseconds(200));  // the first frame
                return;
            }
            std::this_thread::sleep_for(milliseconds(20));
        }
        const test::ProcessResult result = program_->Stop();
        program_.reset();
        FAIL() << "the window did not appear; the program said: " << result.out << result.err;
    }
    test::ProcessResult X(const std::string& tool, const std::vector<std::string>& args) const {
        return test::RunProcess(tool, args, {"DISPLAY=" + display_});
    }
    void Click(int x, int y) const {
        X(xdotool_, {"mousemove", std::to_string(x), std::to_string(y), "click", "1"});
    }
    bool WaitForLogLine(const std::string& line, int occurrences = 1) const {
        for (int i = 0; i < 600; ++i) {
            const Lines log = test::LogLines(folder_);
            if (std::count(log.begin(), log.end(), line) >= occurrences) return true;
            std::this_thread::sleep_for(milliseconds(50));
        }
        return false;
    }
    // The RGBA bytes of a region of the screen, or of a picture file.
    std::string ScreenRegion(int x, int y, int w, int h) const {
        const fs::path shot = dir_.path() / "shot.png";
        X(import_, {"-window", "root", shot.string()});
        return Raw(shot, x, y, w, h);
    }
    std::string Raw(const fs::path& picture, int x, int y, int w, int h) const {
        const fs::path raw = dir_.path() / "region.rgba";
        test::RunProcess(convert_, {picture.string(), "-crop",
                                    std::to_string(w) + "x" + std::to_string(h) + "+" + std::to_string(x) + "+" + std::to_string(y),
                                    "+repage", "-alpha", "off", "-depth", "8", "rgb:" + raw.string()});
        return test::ReadFileBytes(raw);
    }
    bool WaitForExit(int& exitCode) {
        test::ProcessResult result = program_->Wait();
        exitCode = result.exitCode;
        program_.reset();
        return true;
    }

    test::TempDir dir_;
    fs::path folder_ = dir_.path() / "Kivu Updata";
    std::string xvfb_, xdotool_, import_, convert_, display_;
    std::unique_ptr<test::StartedProcess> server_;
    std::unique_ptr<test::StartedProcess> program_;
};

// The default skin's places: Start 170,240 140x40; the bar 40,212 400x12; EXIT 444,14 24x24.
TEST_F(WindowTest, UpdatesTheMouseAndShowsPassWithAFullBar) {
    ASSERT_NO_FATAL_FAILURE(StartProgram("mouse.json"));
    Click(240, 260);
    ASSERT_TRUE(WaitForLogLine("Mouse Kivu_FWUpdate....:Pass"));
    std::this_thread::sleep_for(milliseconds(300));  // the next paint
    const fs::path image = folder_ / "Image";
    // The opaque middle of the PASS picture and of the filled bar, exactly as in the files.
    EXPECT_EQ(ScreenRegion(190, 250, 100, 20), Raw(image / "pass.png", 20, 10, 100, 20));
    EXPECT_EQ(ScreenRegion(60, 215, 360, 6), Raw(image / "progress_over.png", 20, 3, 360, 6));
    Click(456, 26);  // EXIT
    int exitCode = -1;
    WaitForExit(exitCode);
    EXPECT_EQ(exitCode, 0);
    const Lines log = test::LogLines(folder_);
    EXPECT_EQ(log.back(), "Mouse Kivu_FWUpdate....:Pass");
}

TEST_F(WindowTest, ASecondRunAfterAFailure) {
    ASSERT_NO_FATAL_FAILURE(StartProgram("failing.json"));
    Click(240, 260);
    ASSERT_TRUE(WaitForLogLine("MCU_RESET(0x22)Times....:10"));
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_EQ(ScreenRegion(190, 250, 100, 20), Raw(folder_ / "Image" / "fail.png", 20, 10, 100, 20));
    Click(240, 260);  // back to Start with an empty bar
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_EQ(ScreenRegion(190, 250, 100, 20), Raw(folder_ / "Image" / "start.png", 20, 10, 100, 20));
    Click(240, 260);  // a new run
    ASSERT_TRUE(WaitForLogLine("state_start--Device:TX", 2));
    // The device dropped only its first ten reset replies: the second run passes.
    ASSERT_TRUE(WaitForLogLine("Mouse Kivu_FWUpdate....:Pass"));
    X(xdotool_, {"key", "Escape"});
    int exitCode = -1;
    WaitForExit(exitCode);
    EXPECT_EQ(exitCode, 0);
}

}  // namespace
}  // namespace kivu
