#pragma once
// The help of the lock service: the file ombrel.chm in the program's folder, opened with
// HtmlHelpW (hhctrl.ocx). A topic opens with HH_HELP_CONTEXT and one of the numbers below;
// the contents with HH_DISPLAY_TOC, which shows the welcome page.
#include "help_map.h"

namespace vardex {

inline constexpr wchar_t kHelpFileName[] = L"ombrel.chm";

inline constexpr int kHelpTopicOtherProducts = IDH_OTHER_PRODUCTS;  // "Other Products"
inline constexpr int kHelpTopicConfiguration = IDH_CONFIGURATION;   // the configuration window
inline constexpr int kHelpTopicTimePeriod = IDH_TIME_PERIOD;        // the Time Period dialog
inline constexpr int kHelpTopicHomePage = IDH_HOME_PAGE;            // "Home Page"
inline constexpr int kHelpTopicContact = IDH_CONTACT;               // "Contact Us"

}  // namespace vardex
