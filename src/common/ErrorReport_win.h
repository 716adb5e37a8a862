#pragma once
// The general error report: a message box with the error's text, the application title as its
// caption and the error icon. The program goes on afterwards.
#include <windows.h>

#include <exception>
#include <string>

namespace vardex {

void ShowErrorReport(HWND owner, const std::string& message) noexcept;
// Reports the exception being handled (call it inside a catch block).
void ReportCurrentException(HWND owner) noexcept;

}  // namespace vardex
