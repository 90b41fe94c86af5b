#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "eval/eval.h"
#include "eval/place_pieces.h"
#include "frontend/frontend.h"

namespace {

std::string CaptureEvaluation() {
  std::FILE* file = std::tmpfile();
  const int saved = OutputDescriptor;
  OutputDescriptor = fileno(file);
  PrintEvaluation();
  OutputDescriptor = saved;
  std::string text;
  std::rewind(file);
  for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(char(c));
  std::fclose(file);
  return text;
}

TEST(PrintEvaluation, ShowsFiguresAndGridsOfTheSideToMove) {
  PlacePieces("8/8/3k4/8/8/8/4K3/6Q1", Black);
  const std::string text = CaptureEvaluation();
  EXPECT_NE(text.find("Score: +8.92 for White, -8.92 for Black to move\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("Material: 2304 in all, White +2304; phase 0\n"), std::string::npos);
  EXPECT_NE(text.find("Mop-up: Black is losing\n"), std::string::npos);
  // Black's king grid, rank 6: the lone king is worth most in the centre.
  EXPECT_NE(text.find("Black King\n"), std::string::npos);
  EXPECT_NE(text.find("6 |   76   88  100  112  112  100   88   76\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("White King"), std::string::npos);
}

}  // namespace
