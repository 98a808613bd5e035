// The simulated drive's three parameter sets: stored and restored through the two
// command registers, read-write registers only, other values ignored.
#include <gtest/gtest.h>

#include "link/registers.h"
#include "tools/drivesim/sim_eeprom.h"

namespace torvex::sim {
namespace {

constexpr uint32_t kKp = 0x1C;        // read-write
constexpr uint32_t kSpeed = 0x30;     // read-only: never part of a set
constexpr uint32_t kRestore = EepromSets::kRestoreRegister;
constexpr uint32_t kStore = EepromSets::kStoreRegister;

TEST(EepromSets, StoreAndRestoreEachSetOnItsOwn) {
    ASSERT_TRUE(isParameterRegister(kKp));
    ASSERT_FALSE(isParameterRegister(kSpeed));
    std::array<uint32_t, 256> regs{};
    regs[kKp] = 11;
    EepromSets sets(regs);

    regs[kKp] = 77;
    regs[kSpeed] = 500;
    EXPECT_TRUE(sets.command(kStore, 1, regs));
    regs[kKp] = 88;
    EXPECT_TRUE(sets.command(kStore, 2, regs));

    regs[kKp] = 5;
    regs[kSpeed] = 600;
    EXPECT_TRUE(sets.command(kRestore, 1, regs));
    EXPECT_EQ(regs[kKp], 77u);
    EXPECT_EQ(regs[kSpeed], 600u) << "a read-only value is the drive's own";
    EXPECT_TRUE(sets.command(kRestore, 2, regs));
    EXPECT_EQ(regs[kKp], 88u);
    EXPECT_TRUE(sets.command(kRestore, 0, regs));
    EXPECT_EQ(regs[kKp], 11u) << "a set never stored holds the start values";

    for (uint32_t value : {3u, 0xFFFFu, 0x80000000u}) {
        EXPECT_FALSE(sets.command(kStore, value, regs));
        EXPECT_FALSE(sets.command(kRestore, value, regs));
    }
    EXPECT_EQ(regs[kKp], 11u);
    EXPECT_FALSE(sets.command(kKp, 1, regs)) << "another register is no command";
    EXPECT_EQ(sets.set(1)[kKp], 77u);
}

}  // namespace
}  // namespace torvex::sim
