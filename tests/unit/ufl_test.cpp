// UFL.Help and the log, for one deliverable (compiled for each).
#include <gtest/gtest.h>

#include <thread>

#include "core/build.h"
#include "core/error.h"
#include "entry/entry.h"
#include "info/ufl.h"
#include "platform/files.h"
#include "test_files.h"
#include "test_text.h"

namespace {

// Runs `body` on a thread of its own: a fresh library state, as a new thread sees it.
template <typename Body>
void OnFreshThread(Body body) {
    std::thread thread(body);
    thread.join();
}

Text ExpectedVersion() {
    return platform::LibraryVersion().executableName + u" 1.0 (" + DecimalText(Build::kIdentity.revision) + u")";
}

}  // namespace

TEST(Help, AnswersEveryKeyword) {
    UFL ufl;
    const Text company(Build::kIdentity.companyName);
    EXPECT_EQ(ufl.Help(u"about"), u"Folioscope " + ExpectedVersion() + u" " + company);
    EXPECT_EQ(ufl.Help(u"ABOUT"), ufl.Help(u"about"));
    EXPECT_EQ(ufl.Help(u"About"), ufl.Help(u"about"));
    EXPECT_EQ(ufl.Help(u"version"), ExpectedVersion());
    EXPECT_EQ(ufl.Help(u"productdescription"), u"Folioscope");
    EXPECT_EQ(ufl.Help(u"InstalledFolder"), platform::LibraryVersion().installedFolder);
    EXPECT_FALSE(ufl.Help(u"installedfolder").empty());
    for (const Text& other : {Text(), Text(u" about"), Text(u"about "), Text(u"abou"), Text(u"help"), Text(u"log")})
        EXPECT_EQ(ufl.Help(other), u"") << TextToAscii(other);
#ifndef _WIN32
    EXPECT_EQ(platform::LibraryVersion().executableName, Build::kIdentity.libraryName);
#endif
}

TEST(Help, IdentityIsSetBySaveAndKeptPerThread) {
    OnFreshThread([] {
        UFL ufl;
        EXPECT_EQ(ufl.Help(u"developer"), u"Tessaryn");
        EXPECT_EQ(ufl.Help(u"applicationname"), u"");
        TempFolder folder;
        Entry entry;
        entry.Save(folder / "missing/x.xml");  // whatever Save then does with the file
        EXPECT_EQ(ufl.Help(u"Developer"), u"Marrowind");
        EXPECT_EQ(ufl.Help(u"applicationname"), u"Folioscope");
        OnFreshThread([] { EXPECT_EQ(UFL().Help(u"developer"), u"Tessaryn"); });
    });
}

TEST(Help, SaveLogWritesAnEmptyLineToUflLog) {
    UFL ufl;
    const Text log = platform::LibraryVersion().installedFolder + platform::kDirectorySeparator + u"UFL.log";
    WriteBytes(log, "older text that goes");
    // The file is written in place, not replaced by a new one: a second name of the same file
    // sees the new content. (A folder that takes no new files can still hold a writable log.)
    const fs::path link = fs::path(log).parent_path() / "UFL.log.link";
    fs::remove(link);
    fs::create_hard_link(fs::path(log), link);
    EXPECT_EQ(ufl.Help(u"savelog"), u"");
    EXPECT_EQ(ReadBytes(log), "\r\n");
    EXPECT_EQ(ReadBytes(link.u16string()), "\r\n");
    fs::remove(link);
    EXPECT_EQ(ufl.Help(u"startlog"), u"");
    EXPECT_EQ(ufl.Help(u"SaveLog"), u"");
    EXPECT_EQ(ReadBytes(log), "\r\n");

    // A log file that cannot be written fails the call and keeps its content.
    WriteBytes(log, "kept");
    MakeReadOnly(log);
    try {
        ufl.Help(u"savelog");
        ADD_FAILURE() << "savelog succeeded on a read-only UFL.log";
    } catch (const AutomationError& e) {
        EXPECT_EQ(static_cast<uint32_t>(e.Number()), 0x80070005u);
        EXPECT_FALSE(e.Description().empty());
    }
    EXPECT_EQ(ReadBytes(log), "kept");
    fs::permissions(fs::path(log), fs::perms::owner_write, fs::perm_options::add);
    fs::remove(fs::path(log));
}
