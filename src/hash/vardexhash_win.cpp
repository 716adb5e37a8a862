// vardexhash: prints the stored form of a password ("$pbkdf2-sha256$i=...") for an administrator
// to put into the settings (APW, a user's PAPW) by hand, by script or through Group Policy.
// The password is asked twice without echo on a console; from a pipe or a file the first two
// lines are read, so that scripts can use it. Only the stored form goes to standard output.
#include "config/Settings.h"
#include "win/DllSearch_win.h"
#include "win/PasswordCrypto_win.h"
#include "common/PasswordHash.h"
#include "win/PromptDialog_win.h"
#include "win/ResourceTexts_win.h"
#include "common/ScopeGuard.h"
#include "win/ConsoleText_win.h"
#include "win/TextConvert_win.h"
#include "common/WipedString.h"

#include <windows.h>

#include <exception>
#include <iterator>
#include <string>
#include <string_view>

namespace vardex {

namespace {

// The unlock prompt takes no more: a longer password could never be typed there.
constexpr auto kMaxPasswordCharacters = static_cast<std::size_t>(kMaxPasswordLength);
// The most bytes a line of kMaxPasswordLength characters takes in UTF-8 (3 a character; a pair
// of surrogates counts as two characters and takes 4), and a carriage return.
constexpr std::size_t kMaxLineBytes = kMaxPasswordCharacters * 3 + 1;

enum class LineRead { Line, TooLong, Unreadable, End };

// A wide text that is overwritten when it goes away. Its room is reserved once, so that no
// reallocation leaves a copy of the password behind.
class WipedWide {
public:
    WipedWide() { text_.reserve(kMaxPasswordCharacters + 2); }
    WipedWide(const WipedWide&) = delete;
    WipedWide& operator=(const WipedWide&) = delete;
    ~WipedWide() { WipeText(text_); }
    std::wstring& Text() noexcept { return text_; }

private:
    std::wstring text_;
};

// The texts in the administrator's language, or the one the settings force.
const ResourceTexts& HashTexts()
{
    static const ResourceTexts texts(ProgramLanguage(kSettingsKeyPath, SettingNames::Language));
    return texts;
}

std::string Text(TextId id)
{
    return HashTexts().Get(id);
}

// A text's lines ended as the console ends them.
std::string WithCrLf(std::string text)
{
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
        text.replace(at, 1, "\r\n");
    return text;
}

bool WriteAll(HANDLE handle, std::string_view text) noexcept
{
    DWORD written = 0;
    return WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

void Report(std::string_view message) noexcept
{
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    WriteText(error, "vardexhash: ");
    WriteText(error, message);
    WriteText(error, "\r\n");
}

// The console's mode before echo was switched off, for the Ctrl+C handler to put back.
HANDLE breakConsole = nullptr;
DWORD breakConsoleMode = 0;

BOOL WINAPI RestoreEchoOnBreak(DWORD) noexcept
{
    SetConsoleMode(breakConsole, breakConsoleMode);
    return FALSE;  // and let the default handler end the program
}

// The typed lines: from the console without echo, or from a pipe or a file.
class PasswordSource {
public:
    explicit PasswordSource(HANDLE input) noexcept : input_(input)
    {
        DWORD mode = 0;
        console_ = input_ && input_ != INVALID_HANDLE_VALUE && GetConsoleMode(input_, &mode);
        if (!console_)
            return;
        breakConsole = input_;
        breakConsoleMode = mode;
        SetConsoleCtrlHandler(RestoreEchoOnBreak, TRUE);
        SetConsoleMode(input_, (mode | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) & ~DWORD{ENABLE_ECHO_INPUT});
        // The prompts go to the console itself, even when the error output is redirected.
        promptOutput_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    }
    PasswordSource(const PasswordSource&) = delete;
    PasswordSource& operator=(const PasswordSource&) = delete;
    ~PasswordSource()
    {
        if (!console_)
            return;
        SetConsoleMode(input_, breakConsoleMode);
        SetConsoleCtrlHandler(RestoreEchoOnBreak, FALSE);
        if (promptOutput_ != INVALID_HANDLE_VALUE)
            CloseHandle(promptOutput_);
    }

    LineRead ReadLine(std::string_view prompt, WipedWide& line)
    {
        if (!console_)
            return ReadStreamLine(line);
        const HANDLE output = promptOutput_ != INVALID_HANDLE_VALUE ? promptOutput_ : GetStdHandle(STD_ERROR_HANDLE);
        WriteText(output, prompt);
        const LineRead result = ReadConsoleLine(line);
        WriteText(output, "\r\n");  // the Enter that ended the line was not echoed either
        return result;
    }

private:
    LineRead ReadConsoleLine(WipedWide& line)
    {
        std::wstring& text = line.Text();
        wchar_t chunk[64];
        const ScopeGuard wipeChunk([&chunk] { WipeBytes(chunk, sizeof chunk); });
        bool tooLong = false;
        for (;;) {
            DWORD read = 0;
            if (!ReadConsoleW(input_, chunk, static_cast<DWORD>(std::size(chunk)), &read, nullptr) || read == 0)
                return LineRead::End;
            for (DWORD i = 0; i < read; ++i) {
                const wchar_t c = chunk[i];
                if (c == L'\n' && text == L"\x1a")
                    return LineRead::End;  // Ctrl+Z alone on a line ends the input, as in the command window
                if (c == L'\n')
                    return tooLong ? LineRead::TooLong : LineRead::Line;
                if (c == L'\r')
                    continue;
                if (text.size() == kMaxPasswordCharacters)
                    tooLong = true;  // read on to the end of the line, keep nothing more
                else
                    text.push_back(c);
            }
        }
    }

    // A line of bytes up to its "\n" or the end of the input, taken as UTF-8 or, when it is not,
    // in the console's code page (the one "echo" in a command window writes).
    LineRead ReadStreamLine(WipedWide& line)
    {
        WipedString bytes;
        bytes.Text().reserve(kMaxLineBytes);
        bool any = false, tooLong = false;
        for (;;) {
            char c = 0;
            DWORD read = 0;
            if (!ReadFile(input_, &c, 1, &read, nullptr) || read == 0)
                break;
            any = true;
            if (c == '\n')
                break;
            if (bytes.Text().size() == kMaxLineBytes)
                tooLong = true;
            else
                bytes.Text().push_back(c);
            c = 0;
        }
        if (!any)
            return LineRead::End;
        if (tooLong)
            return LineRead::TooLong;
        std::string_view text = bytes.Text();
        if (text.ends_with('\r'))
            text.remove_suffix(1);
        if (firstLine_ && text.starts_with("\xEF\xBB\xBF"))
            text.remove_prefix(3);  // a byte order mark some editors and shells put first
        firstLine_ = false;
        // UTF-8 first: text in another code page is seldom valid UTF-8, while a single-byte code
        // page takes any bytes.
        UINT codePage = CP_UTF8;
        DWORD flags = MB_ERR_INVALID_CHARS;
        int length = WideLength(codePage, flags, text);
        if (length == 0 && !text.empty()) {
            codePage = GetConsoleCP() ? GetConsoleCP() : GetACP();
            flags = 0;
            length = WideLength(codePage, flags, text);
            if (length == 0)
                return LineRead::Unreadable;
        }
        if (static_cast<std::size_t>(length) > kMaxPasswordCharacters)
            return LineRead::TooLong;
        std::wstring& wide = line.Text();
        wide.resize(static_cast<std::size_t>(length));  // within the reserved room
        if (length > 0 &&
            MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(), length) != length)
            return LineRead::Unreadable;
        return LineRead::Line;
    }

    // The characters the bytes make in the code page; 0 when they do not convert (or are none).
    static int WideLength(UINT codePage, DWORD flags, std::string_view bytes) noexcept
    {
        if (bytes.empty())
            return 0;
        return MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    }

    HANDLE input_;
    bool console_ = false;
    bool firstLine_ = true;
    HANDLE promptOutput_ = INVALID_HANDLE_VALUE;
};


int Run(int argc, wchar_t** argv)
{
    if (argc > 1) {
        const std::wstring_view option = argv[1];
        const bool help = option == L"/?" || option == L"-?" || option == L"-h" || option == L"--help";
        WriteText(GetStdHandle(help ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE), WithCrLf(Text(TextId::HashUsage) + "\n"));
        return help ? 0 : 1;
    }
    WipedWide password, confirm;
    {
        PasswordSource source(GetStdHandle(STD_INPUT_HANDLE));
        switch (source.ReadLine(Text(TextId::WordPassword) + ": ", password)) {
        case LineRead::End: Report(Text(TextId::HashNoPassword)); return 1;
        case LineRead::TooLong:
            Report(HashTexts().Format(TextId::HashTooLong, {std::to_string(kMaxPasswordCharacters)}));
            return 1;
        case LineRead::Unreadable: Report(Text(TextId::HashUnreadable)); return 1;
        case LineRead::Line: break;
        }
        switch (source.ReadLine(Text(TextId::HashConfirm) + ": ", confirm)) {
        case LineRead::End: Report(Text(TextId::HashNotConfirmed)); return 1;
        // Kept only up to the limit, a longer confirmation could pass for the password.
        case LineRead::TooLong: Report(Text(TextId::HashDiffer)); return 1;
        case LineRead::Unreadable: Report(Text(TextId::HashUnreadable)); return 1;
        case LineRead::Line: break;
        }
    }
    if (password.Text() != confirm.Text()) {
        Report(Text(TextId::HashDiffer));
        return 1;
    }
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (password.Text().empty()) {
        // As in the configuration window: an empty password is no password, stored as empty.
        Report(Text(TextId::HashEmpty));
        return WriteAll(output, "\r\n") ? 0 : 1;
    }
    Win32PasswordCrypto crypto;
    const std::string stored = HashPassword(WipedString(Narrow(password.Text())).Text(), crypto);
    if (!WriteAll(output, stored + "\r\n")) {
        Report(Text(TextId::HashNotWritten));
        return 1;
    }
    return 0;
}

}  // namespace

}  // namespace vardex

int wmain(int argc, wchar_t** argv)
{
    vardex::RestrictDllSearchToSystem();
    try {
        return vardex::Run(argc, argv);
    } catch (const std::exception& error) {
        vardex::Report(error.what());
    } catch (...) {
        try {
            vardex::Report(vardex::Text(vardex::TextId::HashUnexpected));
        } catch (...) {
            vardex::Report(vardex::EnglishText(vardex::TextId::HashUnexpected));
        }
    }
    return 1;
}
