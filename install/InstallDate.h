#pragma once
// The install date as the uninstall log records it: "%A, %B %d, %Y" with English
// names whatever the user's locale, e.g. "Monday, December 07, 2026".
#include <string>

namespace install {

// The weekday is worked out from the date itself. A date that does not exist
// (month 13, 31 April, 29 February of a common year, year before 1) gives "".
std::string FormatInstallDate(int year, int month, int day);

#ifdef _WIN32
// Today's local date (GetLocalTime), formatted as above.
std::string TodayInstallDate();
#endif

}  // namespace install
