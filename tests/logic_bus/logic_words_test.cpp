// The logic block's words and lists without a window: how input and output registers
// are packed and unpacked, and how the catalogue shapes the three logic lists.
#include <gtest/gtest.h>

#include <map>

#include "pages/logic_page_words.h"
#include "widgets/register_choice.h"

namespace torvex {
namespace {

TEST(LogicWords, InputWordsCarryFunctionAndPolarity) {
    struct Case {
        uint16_t word;
        int function;
        bool high;
    } cases[] = {
        {0x8005, 5, true}, {0x0005, 5, false}, {0x0040, 0x40, false}, {0x7FFF, 0x7FFF, false},
        {0xFFFF, 0x7FFF, true}, {0x8000, 0, true}, {0x0000, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        LogicInputWord decoded = decodeLogicInput(c.word);
        EXPECT_EQ(decoded.function, c.function);
        EXPECT_EQ(decoded.activeHigh, c.high);
        EXPECT_EQ(encodeLogicInput(decoded.function, decoded.activeHigh), c.word) << "round trip";
    }
    // A function number wider than 15 bits never reaches the polarity bit.
    EXPECT_EQ(encodeLogicInput(0x18003, false), 0x0003);
    EXPECT_EQ(encodeLogicInput(3, true), 0x8003);
}

TEST(LogicWords, OutputWordsCarrySourceOperandAndOperation) {
    struct Case {
        uint16_t word;
        int source, operand, operation;
    } cases[] = {
        {0x3021, 0x30, 2, 1}, {0x5A21, 0x5A, 2, 1}, {0x40F2, 0x40, 15, 2}, {0x0000, 0, 0, 0}, {0xFFFF, 0xFF, 15, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        LogicOutputWord decoded = decodeLogicOutput(c.word);
        EXPECT_EQ(decoded.source, c.source);
        EXPECT_EQ(decoded.operand, c.operand);
        EXPECT_EQ(decoded.operation, c.operation);
        EXPECT_EQ(encodeLogicOutput(c.source, c.operand, c.operation), c.word);
    }
    // Operand and operation keep to their four bits.
    EXPECT_EQ(encodeLogicOutput(0x40, 0x1F, 0x12), 0x40F2);
    // A source above 255 would be shifted into another register: refused, not wrapped.
    EXPECT_FALSE(encodeLogicOutput(0x140, 2, 1).has_value());
    EXPECT_FALSE(encodeLogicOutput(-1, 0, 0).has_value());
}

TEST(LogicWords, TheEightItemsAreTheDrivesLogicRegisters) {
    const std::map<std::string, int> expected = {{"Limit1", 0xBE}, {"Limit2", 0xBF}, {"Din1", 0xC0}, {"Din2", 0xC1},
                                                 {"Dout1", 0xC2},  {"Dout2", 0xC3},  {"Dout3", 0xDA}, {"Dout4", 0xDB}};
    for (size_t i = 0; i < kLogicItems.size(); ++i) {
        SCOPED_TRACE(kLogicItems[i].name);
        EXPECT_EQ(kLogicItems[i].reg, expected.at(kLogicItems[i].name));
        EXPECT_EQ(kLogicItems[i].kind, i < size_t(kLogicInputCount) ? LogicKind::Input : LogicKind::Output);
    }
}

// A catalogue in memory: keys it does not hold come back as themselves.
std::function<wxString(const wxString&)> catalogue(std::map<wxString, wxString> texts) {
    return [texts](const wxString& key) {
        auto found = texts.find(key);
        return found == texts.end() ? key : found->second;
    };
}

TEST(LogicLists, DotEntriesLeaveGapsAndMissingKeysShowThemselves) {
    auto translate = catalogue({{"ComboLogicInput_0", "None"},
                                {"ComboLogicInput_1", "."},
                                {"ComboLogicInput_2", "Enable"},
                                {"ComboLogicInput_31", "."}});
    std::vector<ChoiceItem> items = logicInputItems(translate);
    ASSERT_EQ(items.size(), 30u) << "32 keys, two of them left out";
    EXPECT_EQ(items[0].text, "None");
    EXPECT_EQ(items[0].number, 0);
    EXPECT_EQ(items[1].text, "Enable");
    EXPECT_EQ(items[1].number, 2) << "the number stays the key's";
    EXPECT_EQ(items[2].text, "ComboLogicInput_3");
    EXPECT_EQ(items.back().number, 30);

    // Only a text that is exactly "." is left out.
    auto dotted = catalogue({{"ComboLogicOPN_0", ". "}, {"ComboLogicOPN_1", ".."}, {"ComboLogicOPN_2", "."}});
    std::vector<ChoiceItem> operations = logicOperationItems(dotted);
    ASSERT_EQ(operations.size(), 15u);
    EXPECT_EQ(operations[0].text, ". ");
    EXPECT_EQ(operations[1].text, "..");
    EXPECT_EQ(operations[2].number, 3);

    std::vector<ChoiceItem> operands = logicOperandItems(catalogue({}));
    ASSERT_EQ(operands.size(), 16u);
    EXPECT_EQ(operands[15].text, "ComboLogicOP2_15");
    EXPECT_EQ(operands[15].number, 15);
}

TEST(LogicLists, TheFirstEntrysTextPicksTheStartingSelection) {
    auto translate = catalogue({{"ComboLogicInput_0", "Off"}, {"ComboLogicInput_1", "Off"}});
    std::vector<ChoiceItem> items = logicInputItems(translate);
    EXPECT_EQ(initialLogicSelection(items, translate("ComboLogicInput_0")), 0);

    // Entry 0 left out: its text "." names no item, so the list starts without a selection.
    auto gap = catalogue({{"ComboLogicInput_0", "."}, {"ComboLogicInput_1", "Enable"}});
    std::vector<ChoiceItem> gapped = logicInputItems(gap);
    EXPECT_EQ(initialLogicSelection(gapped, gap("ComboLogicInput_0")), -1);

    // Entry 0 sharing its text with a later entry selects the first.
    auto shared = catalogue({{"ComboLogicOP2_0", "."}, {"ComboLogicOP2_3", "x"}, {"ComboLogicOP2_5", "x"}});
    std::vector<ChoiceItem> operands = logicOperandItems(shared);
    EXPECT_EQ(initialLogicSelection(operands, "x"), 2);
    EXPECT_EQ(initialLogicSelection({}, "x"), -1);
}

}  // namespace
}  // namespace torvex
