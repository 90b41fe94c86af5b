#include <gtest/gtest.h>

#include <string>

#include "frontend/frontend.h"

TEST(FindText, ExactCaseSensitiveAndEmptyPattern) {
  const char* text = "name hash value 64";
  EXPECT_EQ(FindText(text, "Hash value "), nullptr);
  EXPECT_EQ(FindText(text, ""), text);
  EXPECT_EQ(FindText(text, "value "), text + 10);
  EXPECT_EQ(FindText("abc", "abcd"), nullptr);
}

TEST(FindChar, TerminatorAndMisses) {
  const char* text = "go\n";
  EXPECT_EQ(FindChar(text, '\n'), text + 2);
  EXPECT_EQ(FindChar(text, 0), text + 3);
  EXPECT_EQ(FindChar(text, 'x'), nullptr);
}

TEST(GetField, SplitsTrimsAndReportsMissingFields) {
  std::string field;
  EXPECT_EQ(GetField(field, 1, "e2e4 e7e5", ' '), 0);
  EXPECT_EQ(field, "e2e4");
  EXPECT_EQ(GetField(field, 2, "e2e4 e7e5", ' '), 0);
  EXPECT_EQ(field, "e7e5");
  EXPECT_EQ(GetField(field, 3, "e2e4 e7e5", ' '), -1);
  EXPECT_EQ(field, "");
  for (int n = -1; n <= 3; ++n) EXPECT_EQ(GetField(field, n, "", ' '), -1);
  EXPECT_EQ(GetField(field, 0, "e2e4", ' '), -1);
  // A separator at the very end does not make an empty last field count.
  EXPECT_EQ(GetField(field, 2, "e2e4 ", ' '), -1);
}

TEST(ReplaceAll, CountsAndNeverRescansAReplacement) {
  std::string text = "a\rb\rc\r";
  EXPECT_EQ(ReplaceAll(text, "\r", "\n"), 3);
  EXPECT_EQ(text, "a\nb\nc\n");
  text = "x\n\n\ny";
  EXPECT_EQ(ReplaceAll(text, "\n\n", "\n"), 1);
  EXPECT_EQ(text, "x\n\ny");
  EXPECT_EQ(ReplaceAll(text, "\n\n", "\n"), 1);
  EXPECT_EQ(text, "x\ny");
  text = "    ";
  EXPECT_EQ(ReplaceAll(text, "  ", " "), 2);
  EXPECT_EQ(text, "  ");
  text = "ab";
  EXPECT_EQ(ReplaceAll(text, "b", "bbb"), 1);
  EXPECT_EQ(text, "abbb");
}

TEST(TrimSpaces, OnlySpacesAreTrimmed) {
  std::string text = "\t go  ";
  TrimSpaces(text);
  EXPECT_EQ(text, "\t go");
  text = "   ";
  TrimSpaces(text);
  EXPECT_EQ(text, "");
}

TEST(NormaliseLine, TabsAndRunsOfSpacesBecomeSingleSpaces) {
  std::string line = "  go \t wtime  1000\t\tbtime 2000   ";
  NormaliseLine(line);
  EXPECT_EQ(line, "go wtime 1000 btime 2000");
}

TEST(ReadNumber, BehavesLikeAtoiButSaturates) {
  EXPECT_EQ(ReadNumber("  42xyz"), 42);
  EXPECT_EQ(ReadNumber("-17"), -17);
  EXPECT_EQ(ReadNumber("+5"), 5);
  EXPECT_EQ(ReadNumber("abc"), 0);
  EXPECT_EQ(ReadNumber(""), 0);
  EXPECT_EQ(ReadNumber("99999999999999999999"), INT32_MAX);
  EXPECT_EQ(ReadNumber("-99999999999999999999"), INT32_MIN);
  EXPECT_EQ(ReadUnsigned("123456789012"), 123456789012u);
  EXPECT_EQ(ReadUnsigned("999999999999999999999999"), UINT64_MAX);
}

TEST(AllocZeroed, ReportsAFailedAllocationAndReturnsNull) {
  void* block = AllocZeroed(1000);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(static_cast<unsigned char*>(block)[999], 0);
  std::free(block);
}
