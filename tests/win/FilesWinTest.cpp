#include "common/DStorage.h"
#include "common/Errors.h"
#include "win/Files_win.h"
#include "win/TextConvert_win.h"
#include "win/UniqueHandle_win.h"
#include "config/StatisticsLogs.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <winioctl.h>

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
        for (const char* name : {"system.ini", "locked.ini", "fresh.ini", "big.log"})
            DeleteFileW(Widen(directory + name).c_str());
        RemoveDirectoryW(Widen(directory + "sub").c_str());
        RemoveDirectoryW(Widen(directory).c_str());
    }

    void Write(const std::string& name, const std::string& text)
    {
        std::ofstream(Widen(directory + name).c_str(), std::ios::binary) << text;
    }

    template <typename Call>
    static unsigned ErrorOf(Call call)
    {
        try {
            call();
        } catch (const IoError& error) {
            return error.Code();
        }
        return 0;
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

TEST_F(FilesWinTest, SizeAndRangesOfAFileBeyondFourGigabytesAndItsRotation)
{
    // Sparse: only the lines at its end take room on the disk.
    constexpr std::uint64_t kZeros = (std::uint64_t{5} << 30) + 7;
    const std::string path = directory + "big.log";
    {
        const UniqueFile file(
            CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        DWORD returned = 0;
        DeviceIoControl(file.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(kZeros);
        ASSERT_TRUE(SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN));
        const char lines[] = "\r\nlast line\r\n";
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.Get(), lines, sizeof lines - 1, &written, nullptr));
    }
    EXPECT_EQ(files.Size(path), kZeros + 13);
    EXPECT_EQ(files.ReadRange(path, kZeros + 2, 100), "last line\r\n");
    EXPECT_EQ(files.ReadRange(path, kZeros - 2, 5), std::string("\0\0\r\nl", 5));
    EXPECT_EQ(files.ReadRange(path, kZeros * 2, 10), "");
    const NewestLines newest = ReadNewestLines(files, path, 4096);
    EXPECT_EQ(newest.bytes, "last line\r\n");
    EXPECT_TRUE(newest.olderLeftOut);

    const auto openedBy = [&](DWORD share) {
        return UniqueFile(CreateFileW(Widen(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
    };
    {
        // Held by another program without sharing: the size is known, the bytes are not, and the
        // log is left as it is.
        const UniqueFile holder = openedBy(0);
        EXPECT_EQ(files.Size(path), kZeros + 13);
        EXPECT_EQ(ErrorOf([&] { files.ReadRange(path, 0, 1); }), 32u);
        EXPECT_EQ(ErrorOf([&] { AppendToStatisticsLog(files, path, "new\r\n"); }), 32u);
    }
    {
        // Read by a program that shares writing (as the Statistics page does): the log cannot be
        // written anew, and the line is appended instead.
        const UniqueFile reader = openedBy(FILE_SHARE_READ | FILE_SHARE_WRITE);
        AppendToStatisticsLog(files, path, "new\r\n");
        EXPECT_EQ(files.Size(path), kZeros + 18);
    }
    AppendToStatisticsLog(files, path, "next\r\n");
    EXPECT_EQ(files.ReadRange(path, 0, 100), "last line\r\nnew\r\nnext\r\n");

    EXPECT_EQ(ErrorOf([&] { files.Size(directory + "missing.log"); }), 2u);
    CreateDirectoryW(Widen(directory + "sub").c_str(), nullptr);
    EXPECT_EQ(ErrorOf([&] { files.Size(directory + "sub"); }), 5u);
}

}  // namespace
}  // namespace vardex
