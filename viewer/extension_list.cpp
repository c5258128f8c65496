// Whole-word search in a blank-separated extension list.
#include "viewer/extension_list.h"

bool extensionListContains(std::string_view list, std::string_view name) {
  if (name.empty()) {
    return false;
  }
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t end = list.find(' ', start);
    if (end == std::string_view::npos) {
      end = list.size();
    }
    if (list.substr(start, end - start) == name) {
      return true;
    }
    start = end + 1;
  }
  return false;
}
