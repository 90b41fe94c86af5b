// Every input of fuzz/corpus run through its fuzz target's checks, with any compiler and in every
// build: each input once found a fault or reached new code, so each stays a regression test. A
// failed check aborts (the line above it names the input).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "frontend/frontend.h"
#include "hash/hash.h"

extern "C" int FuzzInputOne(const uint8_t* data, size_t size);
extern "C" int FuzzPositionOne(const uint8_t* data, size_t size);

namespace {
class Corpus : public testing::TestWithParam<const char*> {};
TEST_P(Corpus, EveryInputPassesItsChecks) {
  const auto target = std::string(GetParam()) == "input" ? FuzzInputOne : FuzzPositionOne;
  const int output = OutputDescriptor;
  int32_t inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(QUENDAL_SOURCE_DIR) +
                                                               "/fuzz/corpus/" + GetParam())) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    std::cout << "replaying " << entry.path().string() << std::endl;
    target(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ++inputs;
  }
  OutputDescriptor = output;
  PrepareTables(1);
  EXPECT_GT(inputs, 10);
}
INSTANTIATE_TEST_SUITE_P(Fuzz, Corpus, testing::Values("input", "position"),
                         [](const auto& info) { return std::string(info.param); });
}  // namespace
