// The demo's command line: its own options, the FILE, and what is handed on to GLUT.
#include "viewer/command_line.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using Arguments = std::vector<std::string>;

CommandLine parse(Arguments arguments) {
  arguments.insert(arguments.begin(), "/usr/bin/bvdemo");
  return parseCommandLine(arguments);
}

TEST(CommandLine, GlutOptionsGoToGlutInOrderWithTheirValuesWhateverTheyLookLike) {
  const CommandLine line =
      parse({"-display", ":3", "--seed", "7", "-iconic", "part.obj", "-geometry", "--points",
             "-direct", "-indirect", "-gldebug", "-sync", "-display"});
  ASSERT_TRUE(line.ok()) << line.error;
  EXPECT_EQ(line.glutArguments,
            (Arguments{"/usr/bin/bvdemo", "-display", ":3", "-iconic", "-geometry", "--points",
                       "-direct", "-indirect", "-gldebug", "-sync", "-display"}));
  EXPECT_EQ(line.options.seed, 7u);
  EXPECT_FALSE(line.options.points) << "--points was the value of -geometry";
  EXPECT_EQ(line.options.modelPath, "part.obj");
}

TEST(CommandLine, NumbersAreTakenInBothFormsWithinTheirRangesAndTheLastOneWins) {
  struct Case {
    const char* option;
    std::uint64_t low;
    std::uint64_t high;
  };
  for (const Case& c : {Case{"--seed", 0, 4294967295u}, Case{"--points", 1, 10'000'000}}) {
    const std::string option = c.option;
    const auto valueOf = [&](const CommandLine& line) -> std::uint64_t {
      return option == "--seed" ? *line.options.seed
                                : static_cast<std::uint64_t>(*line.options.points);
    };
    std::mt19937_64 rng(42);
    std::uniform_int_distribution<std::uint64_t> inRange(c.low, c.high);
    for (int trial = 0; trial < 200; ++trial) {
      const std::uint64_t value = trial == 0 ? c.low : trial == 1 ? c.high : inRange(rng);
      const std::string text = std::to_string(value);
      for (const Arguments& arguments : {Arguments{option, text}, Arguments{option + "=" + text},
                                         Arguments{option, "99", option + "=" + text}}) {
        const CommandLine line = parse(arguments);
        ASSERT_TRUE(line.ok()) << line.error;
        EXPECT_EQ(valueOf(line), value) << arguments.back();
      }
    }
    // c.low - 1 wraps around for --seed: the largest 64-bit value, refused all the same.
    for (const std::string& bad :
         Arguments{std::to_string(c.low - 1), std::to_string(c.high + 1), "",
                   "18446744073709551616", "12x", " 5", "+5", "0x10", "1e5", "-"}) {
      for (const Arguments& arguments : {Arguments{option, bad}, Arguments{option + "=" + bad}}) {
        const CommandLine line = parse(arguments);
        EXPECT_FALSE(line.ok()) << option << " \"" << bad << "\"";
        EXPECT_NE(line.error.find(option + " needs a whole number from " + std::to_string(c.low) +
                                  " to " + std::to_string(c.high)),
                  std::string::npos)
            << line.error;
        EXPECT_NE(line.error.find('"' + bad + '"'), std::string::npos) << line.error;
      }
    }
    const CommandLine missing = parse({option});
    EXPECT_FALSE(missing.ok());
    EXPECT_NE(missing.error.find(option + " needs"), std::string::npos) << missing.error;
  }
}

TEST(CommandLine, RefusesUnknownOptionsASecondFileAndPointsWithAFile) {
  const struct {
    Arguments arguments;
    const char* expected;
  } cases[] = {
      {{"--sead", "1"}, "unknown option \"--sead\""},
      {{"-points", "5"}, "unknown option \"-points\""},
      {{"--seedling=4"}, "unknown option \"--seedling=4\""},
      {{"a.obj", "b.obj"}, "only one FILE can be shown, got \"a.obj\" and \"b.obj\""},
      {{"--points", "5", "a.obj"}, "--points makes a random cloud, so it cannot go with a FILE"},
      {{"a.obj", "--points=5"}, "--points makes a random cloud, so it cannot go with a FILE"},
  };
  for (const auto& c : cases) {
    const CommandLine line = parse(c.arguments);
    EXPECT_EQ(line.error, c.expected);
    EXPECT_EQ(line.error.find('\n'), std::string::npos);
  }
}

TEST(CommandLine, DoubleDashEndsTheOptionsAndHelpIsAnOption) {
  const CommandLine dashed = parse({"--seed", "3", "--", "--points"});
  ASSERT_TRUE(dashed.ok()) << dashed.error;
  EXPECT_EQ(dashed.options.modelPath, "--points");
  EXPECT_EQ(dashed.options.seed, 3u);

  EXPECT_EQ(parse({"-"}).options.modelPath, "-");
  for (const char* help : {"--help", "-h"}) {
    const CommandLine line = parse({"--seed", "1", help});
    EXPECT_TRUE(line.ok() && line.options.help) << help;
  }
  const std::string usage = usageText();
  for (const char* mentioned :
       {"--seed N",  "--points N", "FILE",         "-display", "-geometry",  "-iconic",
        "-direct",   "-indirect",  "-gldebug",     "-sync",    "Mouse",      "Exit status",
        "1 to 4",    "5 to 8",     "h the legend", "m ",       "c, y and e", "k steps",
        "r through", "z / Z",      "arrow keys",   "Escape"}) {
    EXPECT_NE(usage.find(mentioned), std::string::npos) << mentioned;
  }
}

}  // namespace
