#pragma once
// The texts the uninstaller shows: the question before it starts and the one box
// that tells how it ended.
#include <string>
#include <string_view>
#include <vector>

#include "uninstaller/RemovalPlan.h"

namespace uninstaller {

// A long list is cut after this many lines, with a line telling how many more there are.
inline constexpr std::size_t kMaxListedLines = 15;

struct Outcome {
    std::string product;                   // the name shown for the product
    std::vector<std::string> notRemoved;   // one sentence per item left in place, with the reason
    std::vector<std::string> undetermined; // what the log did not tell
    bool recordKept = false;               // the uninstall information stays for another run
    std::vector<std::string> atRestart;    // files in use (and their folders), deleted when Windows next starts
};

std::string ConfirmationText(std::string_view product);
std::string OutcomeText(const Outcome& outcome);

// A record whose log has no trusted copy (an installation made by an older setup,
// or values that setup never wrote): only its registry information is removed.
std::string UnconfirmedRecordQuestion(std::string_view product);
// byHand: what the user may remove by hand ("the folder C:\..."); failures: the
// keys that could not be removed.
std::string UnconfirmedRecordText(std::string_view product, const std::vector<std::string>& byHand,
                                  const std::vector<std::string>& failures);

std::string MissingRecordNameText();
std::string UnknownRecordText(std::string_view record);

// A current user's record, and the uninstaller runs as administrator: nothing is done.
std::string ElevatedUserRecordText(std::string_view record);
// A machine's record, and the system's elevation prompt was refused.
std::string AdministratorRightsNeededText(std::string_view record);
// A machine's record, and the program could not start itself elevated (error: the system's code).
std::string ElevationFailedText(std::string_view record, unsigned long error);
// A machine's record, and the program started again to be elevated was started without the rights.
std::string ElevationDeniedText(std::string_view record);
// failure: why the uninstaller of a current user's product, which runs from the
// product's folder, could not move out of it.
std::string UninstallerStaysText(std::string_view failure);

// "File3 = "C:\x": it lies outside the installation's folders."
std::string DescribeRefusal(const RefusedValue& refused);
// A created folder that still holds something the installation did not put there.
std::string KeptFolderText(std::string_view folder);
// A desktop shortcut of a logged name that starts something else than the product.
std::string ForeignShortcutText(std::string_view shortcut);

}  // namespace uninstaller
