// Replays fuzz inputs without libFuzzer: calls LLVMFuzzerTestOneInput once on every file
// given, and on every regular file of every directory given (in name order), so the seed
// corpus and the kept findings run as an ordinary test under any compiler and sanitizer.
// A crash or sanitizer report fails the process; so does a path that cannot be read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::cerr << file.string() << ": cannot be read\n";
    return false;
  }
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int replayed = 0;
  bool allRead = true;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path = argv[i];
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path))
        if (entry.is_regular_file())
          files.push_back(entry.path());
      std::sort(files.begin(), files.end());
    } else {
      files.push_back(path);
    }
    for (const auto& file : files) {
      allRead = replay(file) && allRead;
      ++replayed;
    }
  }
  std::cout << "replayed " << replayed << " inputs\n";
  return allRead && replayed > 0 ? 0 : 1;
}
