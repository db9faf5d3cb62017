#pragma once
// The one rule for every relative name the install document gives (file names,
// the program group, shortcut names, "deffolder=", "regrecord="), shared by the
// setup program's document check and the uninstaller: a name that passes means
// the same file on every Windows system, is written where the document says and
// is logged exactly as it is written, so the uninstaller finds it again.
#include <cstddef>
#include <string>
#include <string_view>

namespace install {

// The longest part (file or folder name) a Windows file system keeps, in UTF-16 units.
inline constexpr std::size_t kMaxNamePart = 255;

enum class NameFault {
    None,
    Empty,               // nothing at all
    EmptyOrDotPart,      // a leading, trailing or doubled "\" or "/", or a "." or ".." part
    DeviceName,          // CON, PRN, AUX, NUL, COM1-9, LPT1-9 (any case, any extension)
    TrailingDotOrBlank,  // Windows drops these, so the name written is not the name logged
    ForbiddenCharacter,  // < > : " | ? * or a control character
    TooLong,             // a part of more than kMaxNamePart UTF-16 units
    NotOneName,          // holds "\" or "/" where a single name is wanted
};

// A single name: one part, no "\" or "/" (a program group, a shortcut).
NameFault CheckName(std::string_view name);

// A relative path: parts separated by "\" or "/", each one a name that CheckName
// accepts (a file below its base folder, the default folder, the record's keys).
NameFault CheckRelativePath(std::string_view path);

// The fault as the end of a sentence about the name ("the file name "NUL.txt"
// names the device NUL."): without the leading name and the final full stop.
std::string DescribeNameFault(NameFault fault, std::string_view name);

}  // namespace install
