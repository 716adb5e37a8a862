#include "FakeSystem.h"
#include "common/DStorage.h"
#include "common/Errors.h"
#include "common/IniValueFinder.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

using test::MemoryFileSystem;
constexpr const char* kIni = "C:\\WINDOWS\\system.ini";

class IniReaderTest : public ::testing::Test {
protected:
    // The value of section/key in text, or "<none>" when not found.
    std::string Find(const std::string& text, const std::string& section = "boot",
                     const std::string& key = "SCRNSAVE.EXE")
    {
        files.files[kIni] = text;
        TDStorage storage(files, kIni);
        std::string value = "stale";
        const bool found = storage.ReadValue(section, key, value);
        if (!found) {
            EXPECT_EQ(value, "");
            return "<none>";
        }
        return value;
    }

    MemoryFileSystem files;
};

TEST_F(IniReaderTest, FindsTheValueUnchangedAfterTheFirstEquals)
{
    EXPECT_EQ(Find("[boot]\r\nSCRNSAVE.EXE=C:\\WINDOWS\\SYSTEM\\X.SCR\r\n"), "C:\\WINDOWS\\SYSTEM\\X.SCR");
    EXPECT_EQ(Find("[boot]\na=b=c\n", "boot", "a"), "b=c");
    EXPECT_EQ(Find("[boot]\nSCRNSAVE.EXE=  padded  \n"), "  padded  ");
}

TEST_F(IniReaderTest, SectionAndKeyMatchIgnoringAsciiCaseOnly)
{
    EXPECT_EQ(Find("[Boot]\nscrnsave.exe=v\n"), "v");
    EXPECT_EQ(Find("[B\xc9]\nk=v\n", "b\xe9", "k"), "<none>");
    EXPECT_EQ(Find("[B\xc9]\nk=v\n", "B\xc9", "K"), "v");
}

TEST_F(IniReaderTest, BlanksInsideBracketsBelongToTheNameOutsideThemDoNot)
{
    EXPECT_EQ(Find("[ boot ]\nSCRNSAVE.EXE=v\n"), "<none>");
    EXPECT_EQ(Find("  \t[boot]  \nSCRNSAVE.EXE=v\n"), "v");
    EXPECT_EQ(Find("[boot] trailing text\nSCRNSAVE.EXE=v\n"), "v");
    EXPECT_EQ(Find("[]\nk=v\n", "", "k"), "v");
    EXPECT_EQ(Find("[boot\nSCRNSAVE.EXE=v\n"), "<none>");  // no "]": not a header
}

TEST_F(IniReaderTest, BlankBeforeEqualsBelongsToTheKeyBlanksBeforeTheKeyDoNot)
{
    EXPECT_EQ(Find("[boot]\nSCRNSAVE.EXE =v\n"), "<none>");
    EXPECT_EQ(Find("[boot]\n   SCRNSAVE.EXE=v\n"), "v");
}

TEST_F(IniReaderTest, KeysOutsideTheWantedSectionAreNeverFound)
{
    EXPECT_EQ(Find("SCRNSAVE.EXE=before\n[boot]\n"), "<none>");
    EXPECT_EQ(Find("[other]\nSCRNSAVE.EXE=x\n[boot]\nSCRNSAVE.EXE=y\n[other]\n"), "y");
    EXPECT_EQ(Find("[boot]\nSCRNSAVE.EXE=first\n[boot]\nSCRNSAVE.EXE=second\n"), "first");
}

TEST_F(IniReaderTest, OpaqueBlocksHideTheirLinesUpToALineOfExactlyCode4)
{
    const std::string marker = "[boot]\nSCRNSAVE.EXE=\x03\n[boot]\nSCRNSAVE.EXE=hidden\n";
    EXPECT_EQ(Find(marker), "<none>");
    EXPECT_EQ(Find(marker + " \x04\nSCRNSAVE.EXE=still hidden\n"), "<none>");  // not exactly code 4
    EXPECT_EQ(Find(marker + "\x04\nSCRNSAVE.EXE=after\n"), "after");
    // The line holding code 3 is itself read, then the block begins.
    EXPECT_EQ(Find("[boot]\nSCRNSAVE.EXE=a\x03" "b\n"), "a\x03" "b");
    EXPECT_EQ(Find("[boot]\nx=\x03\nSCRNSAVE.EXE=no\n\x04\r\nSCRNSAVE.EXE=yes\n"), "yes");
}

TEST_F(IniReaderTest, LineEndsCarriageReturnsEndOfTextAndNulBytes)
{
    EXPECT_EQ(Find("[boot]\rSCRNSAVE.EXE=v\r"), "<none>");  // CR alone ends no line
    EXPECT_EQ(Find("[boot]\nSCRNSAVE.EXE=v\r\ralue"), "valu" "e");
    EXPECT_EQ(Find("[boot]\nSCRNSAVE.EXE=last line"), "last line");
    EXPECT_EQ(Find("[boot]\nSCRNSAVE.EXE=cut\x1aoff\n"), "cut");
    EXPECT_EQ(Find("[boot]\n\x1aSCRNSAVE.EXE=after end\n"), "<none>");
    const char withNul[] = "[boot]\nSCRNSAVE.EXE=a\0b\n";
    EXPECT_EQ(Find(std::string(withNul, sizeof withNul - 1)), std::string("a\0b", 3));
}

TEST_F(IniReaderTest, VeryLongLinesAreRead)
{
    const std::string longValue(300000, 'x');
    EXPECT_EQ(Find("[boot]\n" + std::string(100000, ';') + "\nSCRNSAVE.EXE=" + longValue), longValue);
}

TEST_F(IniReaderTest, MissingFileIsCreatedEmptyAndGivesNothing)
{
    TDStorage storage(files, kIni);
    EXPECT_EQ(files.files.count(kIni), 1u);
    std::string value;
    EXPECT_FALSE(storage.ReadValue("boot", "SCRNSAVE.EXE", value));
}

TEST_F(IniReaderTest, UnreadableFileRaisesTheSystemErrorAndLeavesTheValueEmpty)
{
    files.files[kIni] = "[boot]\nSCRNSAVE.EXE=v\n";
    files.unreadable[kIni] = 5;
    TDStorage storage(files, kIni);
    std::string value = "stale";
    try {
        storage.ReadValue("boot", "SCRNSAVE.EXE", value);
        FAIL() << "no error";
    } catch (const IoError& error) {
        EXPECT_EQ(error.Code(), 5u);
        EXPECT_STREQ(error.what(), "File access denied");
    }
    EXPECT_EQ(value, "");
}

TEST_F(IniReaderTest, UncreatableFileShowsAtTheRead)
{
    files.uncreatable.insert(kIni);
    TDStorage storage(files, kIni);
    std::string value;
    EXPECT_THROW(storage.ReadValue("boot", "SCRNSAVE.EXE", value), IoError);
}

TEST_F(IniReaderTest, EmptyNameKeepsTheBoundFile)
{
    files.files[kIni] = "[boot]\nSCRNSAVE.EXE=v\n";
    TDStorage storage(files, kIni);
    storage.SetFile("");
    EXPECT_EQ(storage.FileName(), kIni);
}

}  // namespace
}  // namespace vardex
