// Every UCI exchange in tests/data/scripts, each its own test case.
#include <filesystem>

#include "support/engine_process.h"

namespace {
std::vector<std::string> Scripts() {
  std::vector<std::string> names;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(QUENDAL_SOURCE_DIR) + "/tests/data/scripts"))
    if (entry.path().extension() == ".uci") names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class Script : public testing::TestWithParam<std::string> {};
TEST_P(Script, Runs) { RunScript(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Uci, Script, testing::ValuesIn(Scripts()), [](const auto& info) {
  std::string name = info.param.substr(0, info.param.size() - 4);
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
});
}  // namespace
