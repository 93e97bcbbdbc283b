// Loading, showing and saving the user settings, against a settings store kept in memory.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <variant>
#include <vector>

#include "settings/processing_mode.h"

namespace velmora {
namespace {

// Values keep their type, so a value stored with the wrong type can be planted; every write is
// logged in order.
class TMemorySettingsStore : public ISettingsStore {
  public:
    using TValue = std::variant<int32_t, std::string>;

    bool Exists() const override { return exists; }
    std::optional<int32_t> ReadInt(const std::string& Name) const override {
        const auto it = values.find(Name);
        if (it == values.end() || !std::holds_alternative<int32_t>(it->second)) {
            return std::nullopt;
        }
        return std::get<int32_t>(it->second);
    }
    std::optional<std::string> ReadString(const std::string& Name) const override {
        const auto it = values.find(Name);
        if (it == values.end() || !std::holds_alternative<std::string>(it->second)) {
            return std::nullopt;
        }
        return std::get<std::string>(it->second);
    }
    void WriteInt(const std::string& Name, int32_t Value) override { Write(Name, Value); }
    void WriteString(const std::string& Name, const std::string& Value) override { Write(Name, Value); }

    bool exists = false;
    std::map<std::string, TValue> values;
    std::vector<std::string> writes;

  private:
    void Write(const std::string& Name, TValue Value) {
        exists = true;
        values[Name] = std::move(Value);
        writes.push_back(Name);
    }
};

TMemorySettingsStore StoreWith(std::map<std::string, TMemorySettingsStore::TValue> values) {
    TMemorySettingsStore store;
    store.exists = true;
    store.values = std::move(values);
    return store;
}

TEST(Settings, FirstRunWritesTheDefaultsAtOnce) {
    TMemorySettingsStore store;
    EXPECT_EQ(LoadSettings(store), (TSettings{true, 150, kQuickMode}));
    EXPECT_TRUE(store.Exists());
    EXPECT_EQ(store.ReadString("Version"), "1.3");
    EXPECT_EQ(store.ReadInt("ProcessAfterOpen"), 1);
    EXPECT_EQ(store.ReadInt("BlocksPerPage"), 150);
    EXPECT_EQ(store.ReadInt("ProcessingMode"), 0);
    const std::vector<std::string> order = {"Version", "ProcessAfterOpen", "BlocksPerPage", "ProcessingMode"};
    EXPECT_EQ(store.writes, order);
}

TEST(Settings, SaveThenLoadGivesTheSameSettings) {
    TMemorySettingsStore store;
    for (const TSettings& settings :
         {TSettings{false, 1, 4}, TSettings{true, 2000, 2}, TSettings{false, 50, -1}}) {
        SaveSettings(store, settings);
        EXPECT_EQ(store.ReadInt("ProcessAfterOpen"), settings.ProcessAfterOpen ? 1 : 0);
        EXPECT_EQ(LoadSettings(store), settings);
    }
    EXPECT_EQ(store.ReadString("Version"), "1.3");
}

TEST(Settings, AnyNonZeroProcessAfterOpenIsTrue) {
    auto store = StoreWith({{"ProcessAfterOpen", 7}, {"BlocksPerPage", 150}, {"ProcessingMode", 0}});
    EXPECT_TRUE(LoadSettings(store).ProcessAfterOpen);
    store.values["ProcessAfterOpen"] = 0;
    EXPECT_FALSE(LoadSettings(store).ProcessAfterOpen);
}

TEST(Settings, MissingOrMistypedValuesReadAsTheirDefaults) {
    // Present but empty: nothing is written back, each value takes its default.
    auto empty = StoreWith({});
    EXPECT_EQ(LoadSettings(empty), DefaultSettings());
    EXPECT_TRUE(empty.writes.empty());

    auto mistyped = StoreWith({{"ProcessAfterOpen", std::string("no")},
                               {"BlocksPerPage", std::string("300")},
                               {"ProcessingMode", 3}});
    EXPECT_EQ(LoadSettings(mistyped), (TSettings{true, 150, 3}));

    auto partial = StoreWith({{"ProcessAfterOpen", 0}, {"ProcessingMode", std::string("2")}});
    EXPECT_EQ(LoadSettings(partial), (TSettings{false, 150, 0}));
}

TEST(Settings, ShownValuesAreClampedAndSavedBackSo) {
    struct Case {
        int32_t storedBlocks, storedMode, shownBlocks, shownMode;
    };
    const std::vector<Case> cases = {
        {5000, 7, 2000, -1}, {0, -1, 1, -1},      {-30, -5, 1, -1}, {1, 0, 1, 0},
        {2000, 4, 2000, 4},  {2001, 5, 2000, -1}, {150, 2, 150, 2}, {INT32_MAX, INT32_MIN, 2000, -1},
    };
    for (const Case& c : cases) {
        auto store = StoreWith(
            {{"ProcessAfterOpen", 1}, {"BlocksPerPage", c.storedBlocks}, {"ProcessingMode", c.storedMode}});
        const TSettings shown = ShownSettings(LoadSettings(store));
        EXPECT_EQ(shown.BlocksPerPage, c.shownBlocks) << c.storedBlocks;
        EXPECT_EQ(shown.ProcessingMode, c.shownMode) << c.storedMode;
        // The window saves what its controls hold.
        SaveSettings(store, shown);
        EXPECT_EQ(store.ReadInt("BlocksPerPage"), c.shownBlocks);
        EXPECT_EQ(store.ReadInt("ProcessingMode"), c.shownMode);
    }
}

TEST(ProcessingMode, TableGivesNamesCliNamesAndOptions) {
    struct Row {
        const char* name;
        const char* cli;
        bool quick, useCache, firstRunOnly, extended, deletesCache;
    };
    const std::vector<Row> expected = {
        {"Quick", "quick", true, false, false, false, false},
        {"Show first GOP", "first-gop", false, false, true, false, false},
        {"Show tree", "tree", false, true, false, false, false},
        {"Show extended tree", "extended-tree", false, false, false, true, false},
        {"Rewrite cache", "rewrite-cache", false, true, false, false, true},
    };
    ASSERT_EQ(ProcessingModes().size(), expected.size());
    for (int32_t index = 0; index < static_cast<int32_t>(expected.size()); ++index) {
        const Row& row = expected[static_cast<size_t>(index)];
        const TProcessingMode* mode = FindProcessingMode(index);
        ASSERT_NE(mode, nullptr);
        EXPECT_EQ(mode->Name, row.name);
        EXPECT_EQ(mode->CliName, row.cli);
        EXPECT_EQ(mode->FQuickMode, row.quick) << row.name;
        EXPECT_EQ(mode->FUseCache, row.useCache) << row.name;
        EXPECT_EQ(mode->FFirstRunOnly, row.firstRunOnly) << row.name;
        EXPECT_EQ(mode->ExtendedRecords, row.extended) << row.name;
        EXPECT_EQ(mode->DeletesCacheFirst, row.deletesCache) << row.name;
        // The cache is written only by a full scan, so no mode asks for both.
        EXPECT_FALSE(mode->FUseCache && mode->FFirstRunOnly) << row.name;
        EXPECT_EQ(ProcessingModeFromCliName(row.cli), index);
    }
}

TEST(ProcessingMode, OutOfRangeIndexSetsNoOptionsAndUnknownNamesAreRejected) {
    for (int32_t index : {-1, 5, 7, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(FindProcessingMode(index), nullptr) << index;
    }
    for (const char* name : {"", "Quick", "tree ", "extended", "rewrite_cache"}) {
        EXPECT_EQ(ProcessingModeFromCliName(name), kNoProcessingMode) << name;
    }
}

}  // namespace
}  // namespace velmora
