#include <gtest/gtest.h>
#include <unistd.h>

#include "support/engine_process.h"

namespace {

// Sanitizer runtimes reserve far more address space than the limit below allows.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

TEST(Memory, ATableThatCannotBeAllocatedLeavesAWorkingEngine) {
  if (kSanitized) GTEST_SKIP() << "address-space limits do not mix with sanitizers";
  if (access("/usr/bin/prlimit", X_OK) != 0) GTEST_SKIP() << "prlimit is not installed";
  EngineProcess::Options options;
  options.binary = "/usr/bin/prlimit";
  options.arguments = {"--as=536870912", "--", QUENDAL_BINARY};
  EngineProcess engine(options);
  ASSERT_TRUE(engine.Handshake());
  engine.SendLine("setoption name Hash value 1024");
  engine.SendLine("isready");
  EXPECT_TRUE(engine.ExpectLine("1073741824 Bytes Arbeitsspeicher nicht mehr verf\x81gbar"));
  EXPECT_TRUE(engine.ExpectLine("readyok"));
  engine.SendLine("position startpos moves e2e4");
  LinesUntil reply = engine.Go("depth 4");
  ASSERT_TRUE(reply) << reply;
  EXPECT_NE(reply.Match(), "bestmove 0000");
  // A size that fits brings the table back.
  engine.SendLine("setoption name Hash value 16");
  engine.SendLine("isready");
  EXPECT_TRUE(engine.ExpectLine("readyok"));
  engine.SendLine("quit");
  EXPECT_EQ(engine.WaitForExit(), 0);
}

TEST(Memory, HashAboveTheMaximumIsClamped) {
  EngineProcess engine;
  ASSERT_TRUE(engine.Handshake());
  engine.SendLine("setoption name Hash value 5000000");
  engine.SendLine("isready");
  EXPECT_TRUE(engine.ExpectLine("readyok"));
  engine.SendLine("quit");
  EXPECT_EQ(engine.WaitForExit(), 0);
}

}  // namespace
