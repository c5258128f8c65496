// bvfit end to end: the real program in a child process on files the tests write, checked by
// exit status, standard output (table, or JSON lines read by a strict reader) and standard
// error (error lines; progress only on a terminal).
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "bvfit/tests/json_value.h"
#include "viewer/tests/child_process.h"

namespace {

using namespace std::chrono_literals;

class BvfitRun : public testing::Test {
 protected:
  std::string write(const std::string& name, const std::string& content) {
    return folder_.write(name, content);
  }

  // A box of half sizes 1, 2, 3 as an OBJ mesh of twelve triangles.
  std::string writeBoxObj(const std::string& name) {
    std::string obj = "# box\n";
    for (int corner = 0; corner < 8; ++corner) {
      obj += "v " + std::string(corner & 1 ? "1" : "-1") + (corner & 2 ? " 2" : " -2") +
             (corner & 4 ? " 3" : " -3") + "\n";
    }
    obj +=
        "f 1 3 4\nf 1 4 2\nf 5 6 8\nf 5 8 7\nf 1 2 6\nf 1 6 5\n"
        "f 3 7 8\nf 3 8 4\nf 1 5 7\nf 1 7 3\nf 2 4 8\nf 2 8 6\n";
    return write(name, obj);
  }

  FinishedRun run(std::vector<std::string> arguments, const std::string& stderrPath = "") {
    arguments.insert(arguments.begin(), BVFIT_PROGRAM);
    return runCaptured(arguments, {}, folder_.path(), 60s, stderrPath);
  }

  static std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
      result.push_back(line);
    return result;
  }

  ScratchFolder folder_{"bvfit-e2e"};
};

TEST_F(BvfitRun, JsonLinePerFileAndAnErrorLineForAMissingFileAmongGoodOnes) {
  const std::string box = writeBoxObj("box.obj");
  const std::string missing = folder_.path() + "/missing.ply";
  // A point list whose name needs escaping in JSON: quote, backslash, tab, non-ASCII.
  const std::string odd = write("we\"ird\\ \tn\xc3\xa4me.xyz",
                                "# a tetrahedron and a point inside\n"
                                "0 0 0\n4 0 0\n0 4 0\n0 0 4\n1 1 1\n");
  const FinishedRun outcome = run({"--json", box, missing, odd});
  EXPECT_EQ(outcome.status, 2);
  const std::vector<std::string> errors = lines(outcome.standardError);
  ASSERT_EQ(errors.size(), 1u) << outcome.standardError;
  EXPECT_EQ(errors[0].rfind("bvfit: " + missing + ": ", 0), 0u) << errors[0];

  const std::vector<std::string> out = lines(outcome.standardOutput);
  ASSERT_EQ(out.size(), 3u) << outcome.standardOutput;
  std::vector<JsonValue> json;
  for (const std::string& line : out) {
    std::string error;
    const auto value = parseJson(line, &error);
    ASSERT_TRUE(value.has_value()) << error << "\n" << line;
    json.push_back(*value);
  }

  const JsonValue& first = json[0];
  EXPECT_EQ(first["file"].string, box);
  EXPECT_FALSE(first["degenerate"].boolean);
  EXPECT_EQ(first["hull"]["vertices"].number, 8);
  EXPECT_EQ(first["hull"]["facets"].number, 12);
  EXPECT_EQ(first["hull"]["faces"].number, 6);
  EXPECT_NEAR(first["hull"]["area"].number, 88, 1e-4);
  EXPECT_NEAR(first["hull"]["volume"].number, 48, 1e-4);
  EXPECT_NEAR(first["boxes"]["axisAligned"]["volume"].number, 48, 1e-4);
  // Every key with the fitted values: Report.JsonLineCarriesEveryVolumeWithItsFittedValues.
  EXPECT_NEAR(first["spheres"]["minimal"]["radius"].number, std::sqrt(14.0), 1e-3);
  // The box is its own minimum box; every volume has its time.
  EXPECT_NEAR(first["boxes"]["minimum"]["volume"].number, 48, 1e-4);
  for (const char* key :
       {"load", "hull", "minimumBox", "pointCovarianceBox", "dop26", "ritterSphere", "total"})
    EXPECT_NE(first["seconds"].find(key), nullptr) << key;

  EXPECT_EQ(json[1].keys(), (std::vector<std::string>{"file", "error"}));
  EXPECT_EQ(json[1]["file"].string, missing);

  EXPECT_EQ(json[2]["file"].string, odd);
  EXPECT_EQ(json[2]["points"].number, 5);
  EXPECT_EQ(json[2]["hull"]["vertices"].number, 4);
  EXPECT_NEAR(json[2]["hull"]["volume"].number, 64.0 / 6, 1e-4);
}

TEST_F(BvfitRun, TableForEveryReadFileAndNothingOnStandardError) {
  const std::string box = writeBoxObj("box.obj");
  const std::string sheet = write("sheet.txt", "0 0 5\n10 0 5\n10 20 5\n0 20 5\n3 4 5\n");
  const FinishedRun outcome = run({box, sheet});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.standardError, "");
  const std::string& table = outcome.standardOutput;
  EXPECT_NE(table.find(box + "\n"), std::string::npos) << table;
  EXPECT_NE(table.find("8 vertices, 12 facets, area 88, volume 48"), std::string::npos) << table;
  for (const char* label :
       {"facet-moment box", "axis-aligned box", "corner sphere", "minimal sphere"})
    EXPECT_NE(table.find(label), std::string::npos) << label;
  EXPECT_NE(table.find("  points  5\n"), std::string::npos) << table;
  EXPECT_NE(table.find("flat (degenerate"), std::string::npos) << table;
}

TEST_F(BvfitRun, UsageHelpAndBadArguments) {
  const FinishedRun none = run({});
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.standardOutput, "");
  EXPECT_EQ(none.standardError.rfind("usage: bvfit", 0), 0u) << none.standardError;

  const FinishedRun help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.standardError, "");
  for (const char* word : {"--json", "volumeToHull", "Exit status", "terminal", "nine"})
    EXPECT_NE(help.standardOutput.find(word), std::string::npos) << word;

  const FinishedRun bogus = run({"--bogus", writeBoxObj("box.obj")});
  EXPECT_EQ(bogus.status, 2);
  EXPECT_EQ(bogus.standardOutput, "");
  EXPECT_NE(bogus.standardError.find("--bogus"), std::string::npos) << bogus.standardError;

  // After "--" a name that looks like an option is a file, here one that does not exist.
  const FinishedRun dashed = run({"--json", "--", "--json"});
  EXPECT_EQ(dashed.status, 2);
  EXPECT_EQ(dashed.standardError.rfind("bvfit: --json: ", 0), 0u) << dashed.standardError;
}

TEST_F(BvfitRun, ProgressGoesToStandardErrorWhenItIsATerminal) {
  const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  ASSERT_EQ(grantpt(terminal), 0);
  ASSERT_EQ(unlockpt(terminal), 0);
  const std::string box = writeBoxObj("box.obj");
  const FinishedRun outcome = run({"--json", box, box}, ptsname(terminal));
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(lines(outcome.standardOutput).size(), 2u);
  fcntl(terminal, F_SETFL, O_NONBLOCK);
  std::string shown;
  char buffer[4096];
  for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;)
    shown.append(buffer, static_cast<std::size_t>(n));
  close(terminal);
  for (const char* part : {"file 1 of 2", "file 2 of 2", "loading", "hull", "final pass"})
    EXPECT_NE(shown.find(part), std::string::npos) << part << " in " << shown;
}

}  // namespace
