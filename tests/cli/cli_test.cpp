#include <gtest/gtest.h>

#include "tests/support/process.h"

namespace kivu {
namespace {

TEST(CommandLine, VersionHelpAndUsageErrors) {
    test::ProcessResult version = test::RunProcess(test::StagedProgram(), {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "1.0.1.7\n");

    test::ProcessResult help = test::RunProcess(test::StagedProgram(), {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage:"), std::string::npos);

    for (const char* bad : {"--frobnicate", "frobnicate"}) {
        test::ProcessResult result = test::RunProcess(test::StagedProgram(), {bad});
        EXPECT_EQ(result.exitCode, 2) << bad;
        EXPECT_NE(result.err.find(bad), std::string::npos) << result.err;
    }
}

}  // namespace
}  // namespace kivu
