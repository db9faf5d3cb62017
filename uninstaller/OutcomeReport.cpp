#include "uninstaller/OutcomeReport.h"

namespace uninstaller {

namespace {

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

void AppendList(std::string& text, const std::vector<std::string>& lines) {
    const std::size_t shown = lines.size() > kMaxListedLines ? kMaxListedLines - 1 : lines.size();
    for (std::size_t i = 0; i < shown; ++i) {
        text += "\n- ";
        text += lines[i];
    }
    if (shown < lines.size()) text += "\n- ... and " + std::to_string(lines.size() - shown) + " more.";
}

const char* RefusalReason(Refusal refusal) {
    switch (refusal) {
        case Refusal::None: break;
        case Refusal::NotLocalPath: return "it is not a complete local path";
        case Refusal::DriveRoot: return "it names a whole drive";
        case Refusal::SystemFolder: return "it is a system folder or lies in the Windows folder";
        case Refusal::BadName: return "it is not a plain name";
    }
    return "it was not accepted";
}

}  // namespace

std::string ConfirmationText(std::string_view product) {
    return "Do you want to remove " + Quoted(product) + " and all of its components from this computer?";
}

std::string OutcomeText(const Outcome& outcome) {
    std::string text;
    if (outcome.notRemoved.empty()) {
        text = Quoted(outcome.product) + " was removed from this computer.";
    } else {
        text = Quoted(outcome.product) + " was removed, except:\n";
        AppendList(text, outcome.notRemoved);
    }
    if (!outcome.atRestart.empty()) {
        text += "\n\nThese files are in use by a program that is still running; they will be removed when Windows "
                "restarts:";
        AppendList(text, outcome.atRestart);
        text += "\n\nRestart the computer to finish the removal.";
    }
    if (outcome.recordKept) {
        text += "\n\nThe uninstall information was kept: close any program that uses these files and run the "
                "uninstall again.";
    }
    if (!outcome.undetermined.empty()) {
        text += "\n\nNot determined from the uninstall log:\n";
        AppendList(text, outcome.undetermined);
    }
    return text;
}

std::string UnconfirmedRecordQuestion(std::string_view product) {
    return "The uninstall information for " + Quoted(product) +
           " has no copy where only an administrator can write it: it was left by an older setup, or not by setup "
           "at all. Nothing will be removed from disk.\n\nRemove " +
           Quoted(product) + " from the list of installed programs?";
}

std::string UnconfirmedRecordText(std::string_view product, const std::vector<std::string>& byHand,
                                  const std::vector<std::string>& failures) {
    std::string text = Quoted(product) +
                       " was removed from the list of installed programs. Nothing was removed from disk: its uninstall "
                       "information is not confirmed by a copy that only an administrator can write.";
    if (!byHand.empty()) {
        text += "\n\nRemove by hand what is left of it, if it is still there:";
        AppendList(text, byHand);
    }
    if (!failures.empty()) {
        text += "\n\nNot removed:";
        AppendList(text, failures);
    }
    return text;
}

std::string MissingRecordNameText() {
    return "No product was named on the command line, so nothing was removed.\n\n"
           "Remove a product from the system's list of installed programs, which starts "
           "this program with the product's name.";
}

std::string UnknownRecordText(std::string_view record) {
    return "No uninstall information was found for " + Quoted(record) + ", so nothing was removed.";
}

std::string ElevatedUserRecordText(std::string_view record) {
    return Quoted(record) +
           " was installed for one user. Its uninstaller removes it without administrator rights: start it as "
           "that user, not as administrator. Nothing was removed.";
}

std::string AdministratorRightsNeededText(std::string_view record) {
    return Quoted(record) +
           " was installed for all users: removing it needs administrator rights. Nothing was removed.";
}

std::string ElevationFailedText(std::string_view record, unsigned long error) {
    return "The uninstaller could not start itself with administrator rights to remove " + Quoted(record) +
           " (error " + std::to_string(error) + "). Nothing was removed.";
}

std::string ElevationDeniedText(std::string_view record) {
    return "The uninstaller started itself again with administrator rights to remove " + Quoted(record) +
           ", but the system gave it none. Nothing was removed.";
}

std::string UninstallerStaysText(std::string_view failure) {
    return std::string(failure) +
           " It is this uninstaller, which could not move out of the product's folder: the folder stays with it.";
}

std::string DescribeRefusal(const RefusedValue& refused) {
    return "Refused " + refused.name + " = " + Quoted(refused.value) + ": " + RefusalReason(refused.refusal) + ".";
}

std::string KeptFolderText(std::string_view folder) {
    return std::string(folder) + " was kept: it holds files that were not installed.";
}

std::string ForeignShortcutText(std::string_view shortcut) {
    return std::string(shortcut) + " was kept: it does not start this product.";
}

}  // namespace uninstaller
