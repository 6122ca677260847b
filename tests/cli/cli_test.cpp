#include <gtest/gtest.h>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

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

namespace kivu {
namespace {

TEST(XmlCommand, ReportsLoadParseAndLookup) {
    test::TempDir dir;
    dir.Write("good.xml", "<r><S><K>caf\xc3\xa9 &amp; \"q\"</K></S></r>");
    dir.Write("bad.xml", "<r><S><K>v</K></S></r><x/>");
    struct Case {
        std::string file;
        int exitCode;
        std::string json;
    } cases[] = {
        {"good.xml", 0,
         R"({"loaded":true,"well_formed":true,"result":"UTF-8 length 36 to 35 wide chars ","value":"café & \"q\""})"},
        {"bad.xml", 0,
         R"({"loaded":true,"well_formed":false,"result":"UTF-8 length 26 to 26 wide chars  Root element has sibling","value":"v"})"},
        {"missing.xml", 1,
         R"({"loaded":false,"well_formed":false,"result":"No such file or directory","value":""})"},
    };
    for (const Case& c : cases) {
        test::ProcessResult result =
            test::RunProcess(test::StagedProgram(), {"xml", (dir.path() / c.file).string(), "S", "K", "--json"});
        EXPECT_EQ(result.exitCode, c.exitCode) << c.file;
        EXPECT_EQ(result.out, c.json + "\n") << c.file;
    }
    test::ProcessResult plain =
        test::RunProcess(test::StagedProgram(), {"xml", (dir.path() / "good.xml").string(), "S", "K"});
    EXPECT_EQ(plain.out, "café & \"q\"\n");
    EXPECT_EQ(test::RunProcess(test::StagedProgram(), {"xml", "only-a-file"}).exitCode, 2);
}

}  // namespace
}  // namespace kivu
