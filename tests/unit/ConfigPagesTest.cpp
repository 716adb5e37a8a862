#include "FakeSystem.h"
#include "MemoryRegistry.h"
#include "common/HotKey.h"
#include "config/ConfigTree.h"
#include "config/MsdosSys.h"
#include "config/ScheduleList.h"
#include "config/StatisticsLogs.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vardex {
namespace {

using test::MemoryFileSystem;
using test::MemoryRegistry;
using Texts = std::vector<std::string>;

Texts TextsOf(const ScheduleList& list)
{
    Texts texts;
    for (const SchedulePeriod& p : list.Items())
        texts.push_back(p.text + (p.enabled ? " [x]" : " [ ]"));
    return texts;
}

TEST(ScheduleList, AddingPlacesTheNewCheckedPeriodByItsStartAndSelectsIt)
{
    ScheduleList list{RegionalFormats{}};
    list.Load("15:00 - 16:00=0;09:00 - 12:00=1;");
    EXPECT_EQ(TextsOf(list), (Texts{"09:00 - 12:00 [x]", "15:00 - 16:00 [ ]"}));
    EXPECT_EQ(list.Selected(), std::nullopt);

    list.Add(*list.PeriodText({13, 0, 0}, {14, 0, 0}));
    EXPECT_EQ(TextsOf(list), (Texts{"09:00 - 12:00 [x]", "13:00 - 14:00 [x]", "15:00 - 16:00 [ ]"}));
    EXPECT_EQ(list.Selected(), 1u);

    list.Add("09:00 - 10:00");  // the same start as the first: after it
    EXPECT_EQ(list.Items()[1].text, "09:00 - 10:00");
    EXPECT_EQ(list.Selected(), 1u);

    list.Select(3);
    ASSERT_TRUE(list.Edit("08:00 - 08:30"));  // edited, checked, moved to the front, still selected
    EXPECT_EQ(list.Selected(), 0u);
    // The exchanges of the sort carried 09:00 - 12:00 behind the other 09:00 on the way.
    EXPECT_EQ(list.Text(), "08:00 - 08:30=1;09:00 - 10:00=1;09:00 - 12:00=1;13:00 - 14:00=1;");
}

TEST(ScheduleList, EqualTimesAreNoPeriodAndSecondsAreDropped)
{
    ScheduleList list{RegionalFormats{}};
    EXPECT_EQ(list.PeriodText({9, 0, 0}, {9, 0, 0}), std::nullopt);
    EXPECT_EQ(list.PeriodText({9, 0, 10}, {9, 0, 50}), std::nullopt);
    EXPECT_EQ(list.PeriodText({22, 0, 0}, {6, 0, 0}), "22:00 - 06:00");  // across midnight
    RegionalFormats twelve;
    twelve.shortTimePicture = "h:mm tt";
    EXPECT_EQ(ScheduleList(twelve).PeriodText({13, 5, 59}, {0, 30, 0}), "1:05 PM - 12:30 AM");
}

TEST(ScheduleList, RemovingSelectsTheNextOrTheNewLastAndUnreadablePeriodsStayPut)
{
    ScheduleList list{RegionalFormats{}};
    list.Load("10:00 - 11:00=1;8h - 9h=1;09:00 - 10:00=1;");
    EXPECT_EQ(list.Items()[1].text, "8h - 9h");  // shown as stored, not sorted away
    EXPECT_FALSE(list.IsReadable(1));
    list.Select(1);
    EXPECT_EQ(list.SelectedTimes(), (std::pair<ClockTime, ClockTime>{}));  // edited from 00:00
    ASSERT_TRUE(list.Remove());
    EXPECT_EQ(list.Selected(), 1u);
    ASSERT_TRUE(list.Remove());
    EXPECT_EQ(list.Selected(), 0u);  // the last one went: the one before it
    ASSERT_TRUE(list.Remove());
    EXPECT_EQ(list.Selected(), std::nullopt);
    EXPECT_FALSE(list.Remove());
    EXPECT_FALSE(list.Edit("01:00 - 02:00"));
}

TEST(MsdosSys, PathCandidatesAndTheBootKeysLine)
{
    MemoryFileSystem files;
    MemoryRegistry registry;
    const char* setup = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup";
    EXPECT_EQ(MsdosSysPath(files, registry), "C:\\MSDOS.SYS");
    registry.Set(RootKey::LocalMachine, setup, "BootDir", RegValue::String("D:\\"));
    registry.Set(RootKey::LocalMachine, setup, "MachineDir", RegValue::String("E:\\W\\"));
    files.files["D:\\MSDOS.SYS"] = "";
    files.files["E:\\W\\MSDOS.SYS"] = "";
    EXPECT_EQ(MsdosSysPath(files, registry), "E:\\W\\MSDOS.SYS");  // the last existing one
    files.files["C:\\MSDOS.SYS"] = "";
    EXPECT_EQ(MsdosSysPath(files, registry), "C:\\MSDOS.SYS");

    struct Case {
        Texts lines;
        std::optional<bool> disabled;
        Texts afterDisabling;
    };
    const Case cases[] = {
        {{"[Paths]", "WinDir=C:\\WINDOWS", "[Options]", "bootkeys = 1", "BootKeys=0"}, false,
         {"[Paths]", "WinDir=C:\\WINDOWS", "[Options]", "BootKeys=0", "BootKeys=0"}},
        {{"[Options]", "BootKeys=0"}, true, {"[Options]", "BootKeys=0"}},
        // No line, or an empty one: the keys work.
        {{"[Options]", "AutoScan=1", "[Other]"}, false, {"[Options]", "AutoScan=1", "[Other]", "BootKeys=0"}},
        {{"BootKeys=", "BootKeys=0"}, false, {"BootKeys=0", "BootKeys=0"}},
        {{"BootKeys = "}, false, {"BootKeys=0"}},
        {{"BootKeys=2"}, std::nullopt, {"BootKeys=0"}},
        {{"BootKeys=yes"}, std::nullopt, {"BootKeys=0"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BootKeysDisabled(c.lines), c.disabled) << c.lines.back();
        Texts lines = c.lines;
        SetBootKeys(lines, true);
        EXPECT_EQ(lines, c.afterDisabling);
    }
}

TEST(MsdosSys, TheFileIsEditedWhereItExistsWithItsAttributesBackAndNeverCreated)
{
    MemoryFileSystem files;
    MemoryRegistry registry;
    ConfigModel model({".Default"});
    {
        WindowsIntegration windows(files, registry);  // no boot file
        EXPECT_FALSE(windows.BootFileExists());
        model.SetGlobal(SettingNames::BootKeysDisabled, true);
        windows.Load(model);
        EXPECT_TRUE(std::get<bool>(model.Global(SettingNames::BootKeysDisabled))) << "the window's own record";
        windows.Write(model);
    }
    EXPECT_FALSE(files.files.count("C:\\MSDOS.SYS")) << "no file at the root of a drive no Windows reads";
    EXPECT_EQ(registry.Writes(), std::vector<std::string>()) << "the logon flag goes with the settings";

    files.files["C:\\MSDOS.SYS"] = "[Options]\r\nBootKeys=0\r\nLogo=0\r\n";
    files.attributes["C:\\MSDOS.SYS"] = 7;  // read-only, hidden, system
    {
        WindowsIntegration windows(files, registry);
        EXPECT_EQ(files.attributes["C:\\MSDOS.SYS"], 0u) << "cleared while the window is open";
        windows.Load(model);
        EXPECT_TRUE(std::get<bool>(model.Global(SettingNames::BootKeysDisabled)));
        model.SetGlobal(SettingNames::BootKeysDisabled, false);
        windows.Write(model);
    }
    EXPECT_EQ(files.files["C:\\MSDOS.SYS"], "[Options]\r\nBootKeys=1\r\nLogo=0\r\n");
    EXPECT_EQ(files.attributes["C:\\MSDOS.SYS"], 7u);

    // A file without the line shows the keys working, whatever the window's record says.
    files.files["C:\\MSDOS.SYS"] = "[Options]\r\nLogo=0\r\n";
    model.SetGlobal(SettingNames::BootKeysDisabled, true);
    WindowsIntegration(files, registry).Load(model);
    EXPECT_FALSE(std::get<bool>(model.Global(SettingNames::BootKeysDisabled)));
    files.files["C:\\MSDOS.SYS"] = "[Options]\r\nBootKeys=1\r\nLogo=0\r\n";

    files.unwritable["C:\\MSDOS.SYS"] = 5;
    {
        WindowsIntegration locked(files, registry);
        EXPECT_THROW(locked.Write(model), IoError);
    }
    files.unwritable.clear();
    files.unreadable["C:\\MSDOS.SYS"] = 32;
    {
        WindowsIntegration unread(files, registry);
        model.SetGlobal(SettingNames::BootKeysDisabled, true);
        unread.Load(model);
        EXPECT_TRUE(std::get<bool>(model.Global(SettingNames::BootKeysDisabled))) << "a file not read tells nothing";
        EXPECT_THROW(unread.Write(model), IoError) << "never replaced by what the window does not know";
    }
    EXPECT_EQ(files.files["C:\\MSDOS.SYS"], "[Options]\r\nBootKeys=1\r\nLogo=0\r\n");
    EXPECT_EQ(files.attributes["C:\\MSDOS.SYS"], 7u);
}

TEST(StatisticsLogs, UsersInNameOrderIgnoringTheCaseOfEveryLetterAClearedLogAndTheHotKeyFieldCode)
{
    MemoryFileSystem files;
    test::FakeSystemFacts system;
    for (const char* name : {"C:\\V\\zed.log", "C:\\V\\Anna.LOG", "C:\\V\\.Default.log", "C:\\V\\bob.log",
                             "C:\\V\\\xC3\x89zra.log", "C:\\V\\\xC3\xA9mile.log", "C:\\V\\notes.txt",
                             "C:\\V\\sub\\x.log"})
        files.files[name] = "01/12/2026 10:00:00 Access Denied\r\n";
    // By the system's folding: "émile" before "Ézra", as "EMILE" before "EZRA".
    EXPECT_EQ(StatisticsUsers(files, system, "C:\\V\\"),
              (Texts{".Default", "Anna", "bob", "zed", "\xC3\xA9mile", "\xC3\x89zra"}));

    ClearStatisticsLog(files, "C:\\V\\", "bob");
    EXPECT_EQ(files.files["C:\\V\\bob.log"], "");
    files.unwritable["C:\\V\\zed.log"] = 5;
    EXPECT_THROW(ClearStatisticsLog(files, "C:\\V\\", "zed"), IoError);
    EXPECT_NE(files.files["C:\\V\\zed.log"], "");

    struct Case {
        std::uint16_t field, code;
    };
    for (const Case& c : {Case{0x02C0, 0x40C0}, Case{0x0741, 0xE041}, Case{0x0070, 0x0070}, Case{0x0000, 0x0000}}) {
        EXPECT_EQ(ShortcutFromHotKeyField(c.field), c.code);
        EXPECT_EQ(HotKeyFieldFromShortcut(c.code), c.field);
    }
}

TEST(StatisticsLogs, NewestFirstLinesAreTheCursorsLinesBackwards)
{
    for (const std::string& bytes : Texts{"", "a", "a\r\nb\r\n", "a\r\nb", "a\nb\rc\r\n", "\n", "\r\n", "\n\r", "a\r\r\n",
                                    "a\n\n\nb\n", "\r\n\r\nlast", std::string(10, 'x') + "\r\nshort\r\n"}) {
        LineCursor forward(bytes, 6);
        Texts expected;
        while (!forward.AtEnd())
            expected.push_back(forward.Next());
        NewestFirstLines backward(bytes, 6);
        Texts taken;
        while (!backward.AtStart())
            taken.insert(taken.begin(), backward.Previous());
        EXPECT_EQ(taken, expected) << testing::PrintToString(bytes);
        EXPECT_EQ(backward.Previous(), "");
    }
}

TEST(NavigationNodes, EachNodeGoesUnderTheNewestNodeOfItsParentKind)
{
    NavigationNodes nodes;
    const int root = nodes.Add(NodeKind::Root, "Vardex", 0);
    const int common = nodes.Add(NodeKind::CommonOptions, "Common Options", 1);
    const int settings = nodes.Add(NodeKind::Settings, "Settings", 2);
    const int appearance = nodes.Add(NodeKind::Appearance, "Appearance", 3);
    const int users = nodes.Add(NodeKind::UserOptions, "User Options", 4);
    const int anna = nodes.Add(NodeKind::User, "Anna", 5, 0);
    const int bert = nodes.Add(NodeKind::User, "Bert", 7, 1);
    const int statistics = nodes.Add(NodeKind::Statistics, "Statistics", 6);

    EXPECT_EQ(nodes.Count(), 8);
    EXPECT_EQ(nodes.At(root).parent, -1);
    EXPECT_EQ(nodes.Children(root), (std::vector<int>{common, users, statistics}));
    EXPECT_EQ(nodes.Children(common), (std::vector<int>{settings, appearance}));
    EXPECT_EQ(nodes.ChildCaptions(users), (Texts{"Anna", "Bert"}));
    EXPECT_TRUE(nodes.Children(anna).empty());
    EXPECT_EQ(nodes.At(bert).image, 7);
    // What the menu's commands select: a kind's node, a user's node.
    EXPECT_EQ(nodes.Find(NodeKind::Statistics), statistics);
    EXPECT_EQ(nodes.FindUser(1), bert);
    EXPECT_EQ(nodes.FindUser(2), -1);
    EXPECT_FALSE(nodes.Contains(-1));
    EXPECT_FALSE(nodes.Contains(8));
}

TEST(NavigationNodes, ANodeBeforeAnyNodeOfItsParentKindIsRefused)
{
    NavigationNodes nodes;
    nodes.Add(NodeKind::Root, "Vardex", 0);
    EXPECT_THROW(nodes.Add(NodeKind::User, "Anna", 5, 0), std::logic_error);
    EXPECT_EQ(nodes.Count(), 1);
    EXPECT_EQ(nodes.Find(NodeKind::UserOptions), -1);
}

}  // namespace
}  // namespace vardex
