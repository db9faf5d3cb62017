#pragma once
// The reader's error codes and the texts that the user is shown for them.
#include <string_view>

namespace storage {

// Codes 1..14 are the causes of a file failure in the order of
// framework::FileErrorKind; the 256 range belongs to the container format.
inline constexpr int kErrorIllegalFormat = 256;     // too short, wrong magic or version
inline constexpr int kErrorFileBody = 257;          // a broken record chain or end marker
inline constexpr int kErrorCreatingTempFile = 258;  // writing containers only
inline constexpr int kErrorDeletingFile = 259;      // writing containers only
inline constexpr int kErrorRenamingFile = 260;      // writing containers only

// The text for a code; empty for 0 and for codes that the table does not know.
std::string_view StorageErrorText(int code) noexcept;

// Shows the text for code in the application's error box and returns when the user
// closes it. Code 0 shows nothing; an unknown code shows the text of code 1.
void ReportStorageError(int code);

}  // namespace storage
