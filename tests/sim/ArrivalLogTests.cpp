// Dating a frame by the chunk its first byte came in.
#include "sim/ArrivalLog.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(ArrivalLog, PositionsMapToTheChunkHoldingThem) {
    const sim::Clock::time_point t0{1s}, t1{2s}, t2{3s};
    sim::ArrivalLog log;
    log.Add(0, t0);
    log.Add(10, t1);
    log.Add(25, t2);
    EXPECT_EQ(log.TimeOf(0), t0);
    EXPECT_EQ(log.TimeOf(9), t0);
    EXPECT_EQ(log.TimeOf(10), t1);
    EXPECT_EQ(log.TimeOf(24), t1);
    EXPECT_EQ(log.TimeOf(25), t2);
    EXPECT_EQ(log.TimeOf(1000), t2);
}

TEST(ArrivalLog, DroppingKeepsTheChunkThatStillHoldsBufferedBytes) {
    const sim::Clock::time_point t0{1s}, t1{2s}, t2{3s};
    sim::ArrivalLog log;
    log.Add(0, t0);
    log.Add(10, t1);
    log.Add(25, t2);
    log.DropBefore(12);
    EXPECT_EQ(log.TimeOf(12), t1);
    EXPECT_EQ(log.TimeOf(30), t2);
    log.DropBefore(1000);
    EXPECT_EQ(log.TimeOf(1000), t2);
}

}  // namespace
