// The command-line program, run as a user would run it.
#include <gtest/gtest.h>

#include <string>

#include "support/cli_runner.h"

namespace {

TEST(CliCheck, SummaryOfAGoodTrial) {
  auto path = writeCsv("good.csv",
                       "Block,Male,Female,Trait1,Trait2\n1,1,1,2,3\n1,1,2,2,3\n2,2,1,2,3\n2,2,2,2,3\n2,3,2,1,1\n");
  CliRun run = runCli("check " + path);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Model II: Block 2 levels, Male 3 levels, Female 2 levels; 2 traits, 5 observations\n");
}

TEST(CliCheck, RuleViolationsPrintTheMessageExactly) {
  struct Case {
    const char* csv;
    const char* message;
  };
  for (const Case& c : {
           Case{"Male,Female,Trait1\n1,1,2\n1,2,2\n2,1,2\n", "Data Error!\n"},
           Case{"male,Female,Trait1\n1,1,2\n1,2,2\n2,1,2\n2,2,2\n", " Data Error With Factor Names!\n"},
           Case{"Male,Female,Trait1,Trait3\n1,1,2,1\n1,2,2,1\n2,1,2,1\n2,2,2,1\n", "Trait Name Error!\n At Row 1 Col 4 \n"},
           Case{"Male,Female,Trait1\n1,1,2\n1,x,2\n2,1,2\n2,2,2\n", "Data Error!\n At Row 3 Col 2 \n"},
           Case{"Male,Female,Trait1\n1,1,2\n1,2,2\n2,1,\n2,2,2\n", "Data Error!\nRow 4 Col 3 \n"},
       }) {
    CliRun run = runCli("check " + writeCsv("rule.csv", c.csv));
    EXPECT_EQ(run.status, 1) << c.csv;
    EXPECT_EQ(run.err, c.message) << c.csv;
    EXPECT_EQ(run.out, "");
  }
}

TEST(CliCheck, MissingFileAndUsageErrors) {
  CliRun missing = runCli("check /nonexistent/x.csv");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "Data Error!\n");
  for (const char* args : {"", "check", "frobnicate x", "check a b", "analyze --model IV x.csv", "preview --bogus 1 x"}) {
    CliRun run = runCli(args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_NE(run.err.find("usage: pedivar"), std::string::npos) << args;
  }
  EXPECT_EQ(runCli("--version").out, "pedivar 1.0.0\n");
  EXPECT_EQ(runCli("--help").status, 0);
}

}  // namespace
