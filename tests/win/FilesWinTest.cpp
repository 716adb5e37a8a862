#include "common/DStorage.h"
#include "common/Errors.h"
#include "common/Files_win.h"
#include "common/TextConvert_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>

namespace vardex {
namespace {

class FilesWinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        directory = Narrow(temp) + "vardex-files-test\\";
        CreateDirectoryW(Widen(directory).c_str(), nullptr);
    }
    void TearDown() override
    {
        for (const char* name : {"system.ini", "locked.ini", "fresh.ini"})
            DeleteFileW(Widen(directory + name).c_str());
        RemoveDirectoryW(Widen(directory + "sub").c_str());
        RemoveDirectoryW(Widen(directory).c_str());
    }

    void Write(const std::string& name, const std::string& text)
    {
        std::ofstream(Widen(directory + name).c_str(), std::ios::binary) << text;
    }

    unsigned ReadError(const std::string& path)
    {
        TDStorage storage(files, path);
        std::string value;
        try {
            storage.ReadValue("boot", "SCRNSAVE.EXE", value);
        } catch (const IoError& error) {
            EXPECT_EQ(value, "");
            return error.Code();
        }
        return 0;
    }

    Win32FileSystem files;
    std::string directory;
};

TEST_F(FilesWinTest, ReadsARealSystemIni)
{
    Write("system.ini", "[386Enh]\r\nx=1\r\n[boot]\r\nshell=Explorer.exe\r\nSCRNSAVE.EXE=C:\\WINDOWS\\vardexsaver.scr\r\n");
    TDStorage storage(files, directory + "system.ini");
    std::string value;
    EXPECT_TRUE(storage.ReadValue("boot", "SCRNSAVE.EXE", value));
    EXPECT_EQ(value, "C:\\WINDOWS\\vardexsaver.scr");
}

TEST_F(FilesWinTest, MissingFileIsLeftBehindEmpty)
{
    const std::string path = directory + "fresh.ini";
    TDStorage storage(files, path);
    EXPECT_TRUE(files.Exists(path));
    std::string value;
    EXPECT_FALSE(storage.ReadValue("boot", "SCRNSAVE.EXE", value));
}

TEST_F(FilesWinTest, UnreadableFilesRaiseTheSystemErrorCode)
{
    CreateDirectoryW(Widen(directory + "sub").c_str(), nullptr);
    EXPECT_EQ(ReadError(directory + "sub"), 5u);  // a directory: access denied
    EXPECT_EQ(ReadError(directory + "no\\such\\dir\\system.ini"), 3u);  // cannot be created either

    const std::string locked = directory + "locked.ini";
    Write("locked.ini", "[boot]\r\n");
    const HANDLE exclusive = CreateFileW(Widen(locked).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadError(locked), 32u);  // sharing violation
    CloseHandle(exclusive);
}

}  // namespace
}  // namespace vardex
