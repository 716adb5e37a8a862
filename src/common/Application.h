#pragma once
// Names every part of the lock service shares.

namespace vardex {

// The tray hint, the main window's caption, the prompts' caption and the error report's caption.
inline constexpr const char* kApplicationTitle = "PC Vardex";

// Names shared with the screen-saver companion: the service runs, a lock session runs, signals.
inline constexpr const wchar_t* kServiceMutexName = L"Zepa01";
inline constexpr const wchar_t* kSessionMutexName = L"Zepa02";
inline constexpr const wchar_t* kSignalMessageName = L"Zeps01";

// wParam of the signal message.
inline constexpr unsigned kReloadSignal = 0;
inline constexpr unsigned kLockSignal = 1;
// The answer of the service's main window to the reload signal: how a second start tells a
// running service from a program that merely holds the service mutex.
inline constexpr long kSignalAnswer = 0x5A657073;

}  // namespace vardex
