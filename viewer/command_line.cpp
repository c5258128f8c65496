// Command-line parsing of the demo: one pass over the arguments, no GLUT involved.
#include "viewer/command_line.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>

#include "viewer/point_cloud.h"

namespace {

bool isOneOf(std::string_view argument, const auto& list) {
  return std::find(std::begin(list), std::end(list), argument) != std::end(list);
}

struct ValueOption {
  std::string_view name;
  std::uint64_t low;
  std::uint64_t high;
};

constexpr ValueOption SEED_OPTION{"--seed", 0, UINT_MAX};
constexpr ValueOption POINTS_OPTION{"--points", 1, MAX_CLOUD_POINTS};

}  // namespace

std::optional<std::uint64_t> wholeNumber(std::string_view text, std::uint64_t low,
                                         std::uint64_t high) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, failure] = std::from_chars(text.data(), end, value);
  if (text.empty() || failure != std::errc{} || stop != end || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine result;
  result.glutArguments.push_back(arguments.empty() ? "bvdemo" : arguments.front());
  DemoOptions& options = result.options;
  bool optionsEnded = false;

  for (std::size_t i = 1; i < arguments.size() && result.ok(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.empty() || argument.front() != '-' || argument == "-") {
      if (!options.modelPath.empty()) {
        result.error = "only one FILE can be shown, got \"" + options.modelPath + "\" and \"" +
                       argument + "\"";
      }
      options.modelPath = argument;
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (argument == "--help" || argument == "-h") {
      options.help = true;
      continue;
    }
    if (isOneOf(argument, GLUT_OPTIONS_WITHOUT_VALUE)) {
      result.glutArguments.push_back(argument);
      continue;
    }
    if (isOneOf(argument, GLUT_OPTIONS_WITH_VALUE)) {
      result.glutArguments.push_back(argument);
      if (i + 1 < arguments.size()) {
        result.glutArguments.push_back(arguments[++i]);
      }
      continue;
    }

    const ValueOption* option = nullptr;
    std::string_view value;
    bool hasValue = false;
    for (const ValueOption* candidate : {&SEED_OPTION, &POINTS_OPTION}) {
      const std::string_view text = argument;
      if (text == candidate->name) {
        option = candidate;
        hasValue = i + 1 < arguments.size();
        if (hasValue) {
          value = arguments[++i];
        }
      } else if (text.starts_with(candidate->name) && text[candidate->name.size()] == '=') {
        option = candidate;
        hasValue = true;
        value = text.substr(candidate->name.size() + 1);
      }
    }
    if (option == nullptr) {
      result.error = "unknown option \"" + argument + "\"";
      continue;
    }
    const std::string range = "a whole number from " + std::to_string(option->low) + " to " +
                              std::to_string(option->high);
    const auto number = wholeNumber(value, option->low, option->high);
    if (!hasValue) {
      result.error = std::string(option->name) + " needs " + range;
    } else if (!number) {
      result.error =
          std::string(option->name) + " needs " + range + ", not \"" + std::string(value) + "\"";
    } else if (option == &SEED_OPTION) {
      options.seed = static_cast<unsigned int>(*number);
    } else {
      options.points = static_cast<int>(*number);
    }
  }

  if (result.ok() && options.points && !options.modelPath.empty()) {
    result.error = "--points makes a random cloud, so it cannot go with a FILE";
  }
  return result;
}

std::string usageText() {
  return "Usage: bvdemo [--seed N] [--points N] [GLUT options] [FILE]\n"
         "Shows a point cloud in a window with its convex hull, the oriented box fitted to the\n"
         "hull's facets, the sphere through the box's corners and the minimal enclosing sphere,\n"
         "and prints the box (axes, center, half lengths) on standard output.\n"
         "\n"
         "  FILE         show the points of this model (any mesh Assimp reads, or a text list\n"
         "               of points, three numbers a line) instead of a random cloud; the box\n"
         "               is printed in the model's units\n"
         "  --seed N     seed the random cloud and the colours with N (0 to 4294967295)\n"
         "               instead of the clock second, to show a scene again\n"
         "  --points N   a random cloud of N points (1 to 10000000) instead of 20\n"
         "  --help       print this text and exit\n"
         "GLUT's options (-display NAME, -geometry WxH+X+Y, -iconic, -direct, -indirect,\n"
         "-gldebug, -sync) are passed on to GLUT.\n"
         "\n"
         "Keys: 1 to 4 switch the layers (points and hull, box, corner sphere, minimal sphere),\n"
         "5 to 8 the comparison layers (minimum-volume box, axis-aligned box, 26-DOP, Ritter's\n"
         "sphere), h the legend of every layer's volume, m the model itself (its lit surface, or\n"
         "its points coloured by height; on at start for a FILE or --points); c, y and e the\n"
         "engines' capsule, cylinder and ellipsoid, k steps through the 6-, 14- and 18-DOP and\n"
         "r through the reduced hulls of 32, 64 and 255 vertices (fitted when first shown);\n"
         "z / Z move the scene nearer / farther, the arrow keys turn it, Escape quits.\n"
         "Mouse: drag with the left button to turn the scene, the wheel moves it nearer /\n"
         "farther.\n"
         "\n"
         "Exit status: 0 when the window is closed, 1 after Escape, 2 when the command line is\n"
         "wrong or FILE cannot be read (reported before any window opens).\n";
}
