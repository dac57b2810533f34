#include "core/app/RecentFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using sundrel::app::RecentFiles;
using Paths = std::vector<std::string>;

Paths Added(const Paths& paths, std::size_t capacity = RecentFiles::kDefaultCapacity) {
    RecentFiles recent(capacity);
    for (const std::string& path : paths) {
        recent.Add(path);
    }
    return recent.Entries();
}

TEST(RecentFiles, AddKeepsNewestFirstOnceEachWithinTheCap) {
    struct Case {
        const char* what;
        Paths added;
        Paths expected;
        std::size_t capacity = RecentFiles::kDefaultCapacity;
    };
    const Case cases[] = {
        {"newest first", {"/a.wav", "/b.sdr", "/c.wav"}, {"/c.wav", "/b.sdr", "/a.wav"}},
        {"a repeat moves to the top", {"/a.wav", "/b.wav", "/a.wav"}, {"/a.wav", "/b.wav"}},
        {"the same file spelt differently",
         {"/music/./set/mix.wav", "/music/set/../set/mix.wav", "/music/set/mix.wav"},
         {"/music/set/mix.wav"}},
        {"empty paths are ignored", {"", "/a.wav", ""}, {"/a.wav"}},
        {"the oldest falls off", {"/1", "/2", "/3", "/4"}, {"/4", "/3", "/2"}, 3},
        {"a repeat at the cap drops nothing", {"/1", "/2", "/3", "/1"}, {"/1", "/3", "/2"}, 3},
        {"no capacity keeps nothing", {"/1"}, {}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Added(c.added, c.capacity), c.expected) << c.what;
    }
}

TEST(RecentFiles, AStoredListIsCleanedAndKeepsItsOrder) {
    // As a hand-edited or older settings file may hold it.
    const RecentFiles recent({"/b.wav", "", "/a.wav", "/b.wav", "/x/../a.wav", "/c.wav"}, 2);
    EXPECT_EQ(recent.Entries(), (Paths{"/b.wav", "/a.wav"}));
}

TEST(RecentFiles, RemoveAndClear) {
    RecentFiles recent;
    recent.Add("/a.wav");
    recent.Add("/b.wav");
    EXPECT_FALSE(recent.Remove("/c.wav"));
    EXPECT_TRUE(recent.Remove("/./a.wav"));
    EXPECT_EQ(recent.Entries(), (Paths{"/b.wav"}));
    recent.Clear();
    EXPECT_TRUE(recent.Entries().empty());
}

} // namespace
