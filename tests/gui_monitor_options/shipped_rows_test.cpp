// The Monitor rows of the shipped catalogues.
#include <gtest/gtest.h>

#include "link/registers.h"
#include "pages/monitor_rows.h"
#include "services/catalogue.h"

namespace torvex {
namespace {

// The rows the three shipped catalogues define: the same registers, markers and full-scale
// values in each language, every entry valid, and a cycle short enough for the serial link.
TEST(ShippedMonitorRows, EveryLanguageDefinesTheSameValidRows) {
    buildRegisterCache();
    addCatalogueLookupPrefixes();
    std::vector<MonitorRowDefinition> first;
    for (wxLanguage language : {wxLANGUAGE_GERMAN, wxLANGUAGE_FRENCH, wxLANGUAGE_ENGLISH}) {
        ASSERT_TRUE(loadCatalogue(language)) << language;
        auto rows = readMonitorRows([](const wxString& key) { return translate(key); });
        ASSERT_GE(rows.size(), 8u) << language;
        ASSERT_LE(rows.size(), 12u) << language << ": a cycle of more rows does not fit 1500 ms at 9600 baud";
        for (const auto& row : rows) {
            EXPECT_TRUE(row.markerValid && row.fullScaleValid) << language << " row " << row.index;
            EXPECT_NE(registerAccessClass(row.reg), kClassWO) << language << " row " << row.index;
            EXPECT_FALSE(row.text.StartsWith("MONITOR_")) << language << " row " << row.index;
            EXPECT_FALSE(row.unit.StartsWith("MONITOR_")) << language << " row " << row.index;
        }
        if (first.empty()) {
            first = rows;
            continue;
        }
        ASSERT_EQ(rows.size(), first.size()) << language;
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].index, first[i].index) << language;
            EXPECT_EQ(rows[i].reg, first[i].reg) << language;
            EXPECT_EQ(rows[i].marker, first[i].marker) << language;
            EXPECT_EQ(rows[i].fullScale, first[i].fullScale) << language;
        }
    }
    unloadCatalogue();
}

}  // namespace
}  // namespace torvex
