#include "storage/StorageErrors.h"

#include "framework/UserMessages.h"

namespace storage {

std::string_view StorageErrorText(int code) noexcept {
    switch (code) {
        case 1: return "An unspecified error occurred";
        case 2: return "The file could not be located";
        case 3: return "All or part of the path is invalid";
        case 4: return "The permitted number of open files was exceeded";
        case 5: return "The file could not be accessed";
        case 6: return "There was an attempt to use an invalid file handle";
        case 7: return "The current working directory cannot be removed";
        case 8: return "There are no more directory entries";
        case 9: return "There was an error trying to set the file pointer";
        case 10: return "There was a hardware error";
        case 11: return "SHARE.EXE was not loaded, or a shared region was locked";
        case 12: return "There was an attempt to lock a region that was already locked";
        case 13: return "The disk is full";
        case 14: return "The end of file was reached";
        case kErrorIllegalFormat: return "Illegal file format.";
        case kErrorFileBody: return "Error in file body.";
        case kErrorCreatingTempFile: return "Error creating temp file.";
        case kErrorDeletingFile: return "Cannot Delete File.";
        case kErrorRenamingFile: return "Cannot Rename File.";
        default: return {};
    }
}

void ReportStorageError(int code) {
    if (code == 0) return;
    std::string_view text = StorageErrorText(code);
    if (text.empty()) text = StorageErrorText(1);
    framework::ShowMessage(text, framework::MessageIcon::Error);
}

}  // namespace storage
