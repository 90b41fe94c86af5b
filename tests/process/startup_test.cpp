#include <gtest/gtest.h>

#include "support/engine_process.h"

namespace {

// A script that skips "uci", "isready" and "position" still meets the start position.
TEST(Startup, CommandsBeforeAnyPositionSeeTheStartPosition) {
  EngineProcess engine;
  engine.SendLine("d");
  LinesUntil diagram = engine.WaitForLine("Fen: ");
  ASSERT_TRUE(diagram) << diagram;
  EXPECT_EQ(diagram.Match(), "Fen: rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  LinesUntil reply = engine.Go("depth 2");
  ASSERT_TRUE(reply) << reply;
  EXPECT_NE(reply.Match(), "bestmove 0000");
  engine.SendLine("quit");
  EXPECT_EQ(engine.WaitForExit(), 0);
}

TEST(Startup, ARefusedFirstPositionLeavesTheStartPosition) {
  EngineProcess engine;
  engine.SendLine("position fen 8/8/8/8/8/8/8/8 w - - 0 1");
  LinesUntil refusal = engine.WaitForLine("info string");
  ASSERT_TRUE(refusal) << refusal;
  LinesUntil reply = engine.Go("depth 1");
  ASSERT_TRUE(reply) << reply;
  EXPECT_NE(reply.Match(), "bestmove 0000");
}

}  // namespace
