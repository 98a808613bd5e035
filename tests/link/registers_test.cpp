#include <gtest/gtest.h>

#include <set>

#include "link/i18n.h"
#include "link/registers.h"

namespace torvex {
namespace {

class RegisterTableTest : public ::testing::Test {
protected:
    void SetUp() override { buildRegisterCache(); }
};

int countWhere(bool (*pred)(uint32_t)) {
    int n = 0;
    for (uint32_t r = 0; r < 256; ++r) n += pred(r) ? 1 : 0;
    return n;
}

TEST_F(RegisterTableTest, TableHas227DistinctRowsAndAnEndRow) {
    EXPECT_EQ(registerDescriptorRowCount, 227);
    EXPECT_EQ(registerDescriptorTable[registerDescriptorRowCount].reg, 0xFF);
    std::set<uint16_t> seen;
    for (int i = 0; i < registerDescriptorRowCount; ++i) {
        EXPECT_TRUE(seen.insert(registerDescriptorTable[i].reg).second) << "two rows for " << registerDescriptorTable[i].reg;
        EXPECT_NE(registerDescriptorTable[i].reg, 0xFF);
    }
}

TEST_F(RegisterTableTest, ListCountsMatchTheRegisterModel) {
    EXPECT_EQ(countWhere([](uint32_t r) { return is32bitRegister(r); }), 41);
    EXPECT_EQ(countWhere([](uint32_t r) { return isRegisterUnsigned(r); }), 85);
    int perClass[6] = {};
    for (uint32_t r = 0; r < 256; ++r) ++perClass[registerAccessClass(r)];
    EXPECT_EQ(perClass[kClassRO], 88);
    EXPECT_EQ(perClass[kClassWO], 2);
    EXPECT_EQ(perClass[kClassRW], 111);
    EXPECT_EQ(perClass[kClassFN], 9);
    EXPECT_EQ(perClass[kClassSP], 16);
}

TEST_F(RegisterTableTest, SampleRegistersOfEachList) {
    struct Expect { uint32_t reg; uint32_t cls; bool uns; bool wide; };
    const Expect cases[] = {
        {0x40, kClassRO, true, true},   {0x1B, kClassRO, true, false}, {0x3D, kClassFN, true, false},
        {0xB9, kClassUnknown, false, false}, {0x47, kClassUnknown, false, false},
        {0x01, kClassRW, true, false},  {0x00, kClassUnknown, false, false}, {0xFF, kClassUnknown, false, false},
        {0xFB, kClassRO, false, false}, {0xFC, kClassRO, false, false}, {0x51, kClassWO, true, false},
        {0x52, kClassWO, false, true},  {0xF8, kClassRW, true, true},  {0x6E, kClassSP, false, true},
        {0x8F, kClassRO, true, true},   {0x07, kClassRW, false, true}, {0x0D, kClassRW, false, true},
        {0x0E, kClassRW, false, false}, {0xED, kClassRW, false, true}, {0xEE, kClassRW, true, false},
        {0x04, kClassSP, true, false},  {0xB0, kClassFN, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reg);
        EXPECT_EQ(registerAccessClass(c.reg), c.cls);
        EXPECT_EQ(isRegisterUnsigned(c.reg), c.uns);
        EXPECT_EQ(is32bitRegister(c.reg), c.wide);
        // The cache and the table scan agree.
        if (c.reg != 0xFF) {
            EXPECT_EQ(lookupRegisterAccessClass(c.reg), c.cls);
            EXPECT_EQ(lookup32bitRegister(c.reg), c.wide);
        }
    }
    EXPECT_STREQ(accessClassText(registerAccessClass(0xB9)), "??");
    EXPECT_STREQ(accessClassText(kClassSP), "SP");
}

TEST_F(RegisterTableTest, NumbersOutsideTheTableAreUnknownRegisters) {
    for (uint32_t r : {256u, 300u, 0xFFFFu, 0xFFFFFFFFu}) {
        EXPECT_EQ(registerAccessClass(r), kClassUnknown);
        EXPECT_FALSE(is32bitRegister(r));
        EXPECT_FALSE(isRegisterUnsigned(r));
        EXPECT_EQ(registerNameKey(r), kUnknownRegisterName);
    }
}

TEST_F(RegisterTableTest, NamesArePaddedOrCutTo21Characters) {
    EXPECT_EQ(registerNameKey(0x04), "USER_KEY             ");
    EXPECT_EQ(registerNameKey(0x65), "DEVICE_EXT_REGEN_POWE");
    EXPECT_EQ(registerNameKey(0xF1), "T BRAKE              ");
    EXPECT_EQ(registerNameKey(0x47), "MPOS_IST60           ");
    EXPECT_EQ(registerNameKey(0x01), kUnknownRegisterName);
    EXPECT_EQ(registerNameKey(0xFB), kUnknownRegisterName);
    EXPECT_EQ(registerNameKey(0xFA), "ASCII_RD_EEP         ");
    EXPECT_EQ(std::string(kUnknownRegisterName).size(), 21u);
    int named = 0;
    for (uint32_t r = 0; r < 256; ++r) {
        std::string key = registerNameKey(r);
        EXPECT_EQ(key.size(), 21u);
        named += key != kUnknownRegisterName;
    }
    EXPECT_EQ(named, 207);
}

TEST_F(RegisterTableTest, NamesAndKeysGoThroughTheCatalogue) {
    auto previous = setTranslator([](const std::string& key) {
        return key == "USER_KEY             " ? std::string("Benutzerschluessel") : key;
    });
    EXPECT_EQ(registerName(0x04), "Benutzerschluessel");
    EXPECT_EQ(registerName(0x10), "CAPTURE_CHAN         ");
    setTranslator(previous);
    EXPECT_EQ(regNameKey(0x0a), "RegName_0x0a");
    EXPECT_EQ(regLabelKey(0xF8), "RegLabel_0xf8");
    EXPECT_EQ(regCommentKey(0x3), "RegComment_0x03");
    EXPECT_EQ(regTooltipKey(0x40), "Tooltip Register 0x40");
}

}  // namespace
}  // namespace torvex
