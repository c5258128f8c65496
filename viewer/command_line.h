// The demo's command line: its own options, the model file, and what goes on to GLUT.
//
// bvdemo [--seed N] [--points N] [--help] [GLUT options] [FILE]
// - --seed N: seed the generator with N (0 to 4294967295) instead of the clock second.
// - --points N: a random cloud of N points (1 to MAX_CLOUD_POINTS) instead of POINT_COUNT.
// - FILE: show the points of that model instead of a random cloud; excludes --points.
// - --help: print the usage and do nothing else.
// Both value options take their value as the next argument or after '=' (--seed=7); a
// repeated option takes its last value. "--" ends the options: what follows is the FILE.
// GLUT's own options (GLUT_OPTIONS_WITH_VALUE take the argument after them) are passed on
// to glutInit unchanged and in order, after argv[0]; glutInit reports their errors itself.
// Any other argument that starts with '-' is an error, as is a second FILE.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int MAX_CLOUD_POINTS = 10'000'000;

inline constexpr std::string_view GLUT_OPTIONS_WITH_VALUE[] = {"-display", "-geometry"};
inline constexpr std::string_view GLUT_OPTIONS_WITHOUT_VALUE[] = {"-iconic", "-direct", "-indirect",
                                                                  "-gldebug", "-sync"};

struct DemoOptions {
  std::optional<unsigned int> seed;  // --seed; the clock second when absent
  std::optional<int> points;         // --points; POINT_COUNT when absent
  std::string modelPath;             // FILE; empty for the random cloud
  bool help = false;
};

struct CommandLine {
  DemoOptions options;
  std::vector<std::string> glutArguments;  // argv[0], then the GLUT options and their values
  std::string error;  // empty when the line was understood; else one line, no newline
  bool ok() const { return error.empty(); }
};

CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// A whole decimal number from low to high, digits only (no sign, no blanks); nullopt for
// anything else, overflow included.
std::optional<std::uint64_t> wholeNumber(std::string_view text, std::uint64_t low,
                                         std::uint64_t high);

// What `bvdemo --help` prints (several lines, ending in a newline).
std::string usageText();
