// bvfit end to end: the real program in a child process on files the tests write, checked by
// exit status, standard output (table, or JSON lines read by a strict reader) and standard
// error (error lines; progress only on a terminal).
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bvfit/tests/json_value.h"
#include "viewer/tests/child_process.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A fresh directory for one test, removed afterwards.
class BvfitRun : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "bvfit-e2e-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string write(const std::string& name, const std::string& content) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
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

  struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
  };

  Outcome run(std::vector<std::string> arguments, const std::string& stderrPath = "") {
    arguments.insert(arguments.begin(), BVFIT_PROGRAM);
    Redirections redirections;
    redirections.stdoutPath = (dir_ / "stdout").string();
    redirections.stderrPath = stderrPath.empty() ? (dir_ / "stderr").string() : stderrPath;
    Outcome outcome;
    ChildProcess child(arguments, {}, redirections);
    outcome.status = child.waitForExit(60s);
    outcome.out = read(redirections.stdoutPath);
    if (stderrPath.empty())
      outcome.err = read(redirections.stderrPath);
    return outcome;
  }

  static std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  static std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
      result.push_back(line);
    return result;
  }

  fs::path dir_;
};

TEST_F(BvfitRun, JsonLinePerFileAndAnErrorLineForAMissingFileAmongGoodOnes) {
  const std::string box = writeBoxObj("box.obj");
  const std::string missing = (dir_ / "missing.ply").string();
  // A point list whose name needs escaping in JSON: quote, backslash, tab, non-ASCII.
  const std::string odd = write("we\"ird\\ \tn\xc3\xa4me.xyz",
                                "# a tetrahedron and a point inside\n"
                                "0 0 0\n4 0 0\n0 4 0\n0 0 4\n1 1 1\n");
  const Outcome outcome = run({"--json", box, missing, odd});
  EXPECT_EQ(outcome.status, 2);
  const std::vector<std::string> errors = lines(outcome.err);
  ASSERT_EQ(errors.size(), 1u) << outcome.err;
  EXPECT_EQ(errors[0].rfind("bvfit: " + missing + ": ", 0), 0u) << errors[0];

  const std::vector<std::string> out = lines(outcome.out);
  ASSERT_EQ(out.size(), 3u) << outcome.out;
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
  EXPECT_NEAR(first["hull"]["area"].number, 88, 1e-4);
  EXPECT_NEAR(first["hull"]["volume"].number, 48, 1e-4);
  EXPECT_NEAR(first["boxes"]["axisAligned"]["volume"].number, 48, 1e-4);
  const JsonValue& fitted = first["boxes"]["facetMoments"];
  for (const char* key : {"center", "halfLengths"})
    EXPECT_EQ(fitted[key].items.size(), 3u) << key;
  ASSERT_EQ(fitted["axes"].items.size(), 3u);
  EXPECT_EQ(fitted["axes"].items[2].items.size(), 3u);
  EXPECT_TRUE(fitted.has("volume"));
  for (const char* key : {"corners", "minimal"}) {
    EXPECT_EQ(first["spheres"][key]["center"].items.size(), 3u) << key;
    EXPECT_TRUE(first["spheres"][key].has("radius")) << key;
  }
  EXPECT_NEAR(first["spheres"]["minimal"]["radius"].number, std::sqrt(14.0), 1e-3);
  // The box is its own minimum box; every volume has its time.
  EXPECT_NEAR(first["boxes"]["minimum"]["volume"].number, 48, 1e-4);
  EXPECT_EQ(first["dop26"]["planes"].items.size(), 26u);
  for (const char* key :
       {"load", "hull", "minimumBox", "pointCovarianceBox", "dop26", "ritterSphere", "total"})
    EXPECT_TRUE(first["seconds"].has(key)) << key;

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
  const Outcome outcome = run({box, sheet});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.err, "");
  const std::string& table = outcome.out;
  EXPECT_NE(table.find(box + "\n"), std::string::npos) << table;
  EXPECT_NE(table.find("8 vertices, 12 facets, area 88, volume 48"), std::string::npos) << table;
  for (const char* label :
       {"facet-moment box", "axis-aligned box", "corner sphere", "minimal sphere"})
    EXPECT_NE(table.find(label), std::string::npos) << label;
  EXPECT_NE(table.find("  points  5\n"), std::string::npos) << table;
  EXPECT_NE(table.find("flat (degenerate"), std::string::npos) << table;
}

TEST_F(BvfitRun, UsageHelpAndBadArguments) {
  const Outcome none = run({});
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err.rfind("usage: bvfit", 0), 0u) << none.err;

  const Outcome help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  for (const char* word : {"--json", "volumeToHull", "Exit status", "terminal", "nine"})
    EXPECT_NE(help.out.find(word), std::string::npos) << word;

  const Outcome bogus = run({"--bogus", writeBoxObj("box.obj")});
  EXPECT_EQ(bogus.status, 2);
  EXPECT_EQ(bogus.out, "");
  EXPECT_NE(bogus.err.find("--bogus"), std::string::npos) << bogus.err;

  // After "--" a name that looks like an option is a file, here one that does not exist.
  const Outcome dashed = run({"--json", "--", "--json"});
  EXPECT_EQ(dashed.status, 2);
  EXPECT_EQ(dashed.err.rfind("bvfit: --json: ", 0), 0u) << dashed.err;
}

TEST_F(BvfitRun, ProgressGoesToStandardErrorWhenItIsATerminal) {
  const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  ASSERT_EQ(grantpt(terminal), 0);
  ASSERT_EQ(unlockpt(terminal), 0);
  const std::string box = writeBoxObj("box.obj");
  const Outcome outcome = run({"--json", box, box}, ptsname(terminal));
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(lines(outcome.out).size(), 2u);
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
