// The settings store on its profile file "dbprobe.INI": the bookkeeping
// section read at start and written at a normal end, nothing else touched.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "framework/settings_store.h"
#include "tests/support/scoped_config_dir.h"

namespace dbprobe::framework {
namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    std::filesystem::path File() const { return config_.Path() / "dbprobe.INI"; }
    std::string Read() const {
        std::ifstream in(File());
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    void Write(const std::string& text) const { std::ofstream(File()) << text; }

    testing::ScopedConfigDir config_{"store"};
};

TEST_F(SettingsStoreTest, AFirstRunCreatesTheBookkeeping) {
    ASSERT_FALSE(std::filesystem::exists(File()));
    SettingsStore store;
    store.Initialise("dbprobe.INI", storage::ProfileFile, 0);
    EXPECT_TRUE(store.sectors.empty());
    store.Terminate();
    EXPECT_EQ(Read(), "[__Dont_Touch_Me__]\nSectors=0\n");
}

TEST_F(SettingsStoreTest, RecordedSectionsAreReadAndWrittenBackUnchanged) {
    const std::string before =
        "; kept by hand\n"
        "[Window]\n"
        "X=10\n"
        "\n"
        "[__dont_touch_me__]\n"
        "Sectors=2\n"
        "Sectors_1=Main,Window,Extra\n"
        "Sectors_2=Picker\n"
        "Sectors_3=left from an earlier run\n";
    Write(before);
    SettingsStore store;
    store.Initialise("dbprobe.INI", storage::ProfileFile, 0);
    ASSERT_EQ(store.sectors.size(), 2u);
    EXPECT_EQ(store.sectors[0], (SettingsStore::Sector{"Main", "Window", "Extra"}));
    EXPECT_EQ(store.sectors[1], (SettingsStore::Sector{"Picker", "", ""}));
    store.Terminate();
    EXPECT_EQ(Read(), before);
}

TEST_F(SettingsStoreTest, FetchReadFieldAndDelete) {
    Write("[Colors]\nList=red,green,blue\n");
    SettingsStore store;
    store.Initialise("dbprobe.INI", storage::ProfileFile, 0);
    EXPECT_EQ(store.Fetch("colors", "LIST", "x"), "red,green,blue");
    EXPECT_EQ(store.Fetch("Colors", "Missing", "x"), "x");
    EXPECT_EQ(store.ReadField("Colors", "List", 2), "green");
    EXPECT_EQ(store.ReadField("Colors", "List", 4), "");
    EXPECT_EQ(store.ReadOrFail("Colors", "Missing"), "---Unknown---");
    store.Update("Colors", "Last", "black");
    store.Delete("Colors", "List");
    EXPECT_EQ(store.Fetch("Colors", "Last", ""), "black");
    EXPECT_EQ(store.Fetch("Colors", "List", "gone"), "gone");
}

TEST_F(SettingsStoreTest, KindsWithoutAFileStoreNothing) {
    struct Case {
        std::int32_t kind;
        const char* fetched;
    };
    for (const Case c : {Case{storage::Registry, "fallback"}, Case{storage::None, ""}}) {
        SettingsStore store;
        store.Initialise("dbprobe.INI", c.kind, 0);
        store.Update("S", "E", "v");
        EXPECT_EQ(store.Fetch("S", "E", "fallback"), c.fetched);
        store.Terminate();
        EXPECT_FALSE(std::filesystem::exists(File()));
    }
}

}  // namespace
}  // namespace dbprobe::framework
