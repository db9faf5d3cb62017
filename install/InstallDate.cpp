#include "install/InstallDate.h"


namespace install {

namespace {

constexpr const char* kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
constexpr const char* kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// 0 = Sunday, for the proleptic Gregorian calendar (Sakamoto's method).
int DayOfWeek(int year, int month, int day) {
    constexpr int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) --year;
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

}  // namespace

std::string FormatInstallDate(int year, int month, int day) {
    if (year < 1 || year > 99999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return {};
    // Put together by hand: printf's formatter would add some 30 KB to the setup program.
    std::string text = kDayNames[DayOfWeek(year, month, day)];
    text += ", ";
    text += kMonthNames[month - 1];
    text += ' ';
    text += static_cast<char>('0' + day / 10);
    text += static_cast<char>('0' + day % 10);
    text += ", ";
    text += std::to_string(year);
    return text;
}

}  // namespace install
