#include "install/InstallDocument.h"

#include <algorithm>

#include "framework/UserMessages.h"
#include "install/DocumentText.h"
#include "install/NameRule.h"

namespace install {

NumberDisplay::~NumberDisplay() = default;
DocumentSource::~DocumentSource() = default;
InstallDocument::~InstallDocument() = default;

namespace {

constexpr std::size_t kPayloadFields = 6;

std::optional<FolderKind> FolderFromWord(std::string_view word) {
    if (word == "pit") return FolderKind::InstallFolder;
    if (word == "ps") return FolderKind::PluginFolder;
    if (word == "pf") return FolderKind::ProgramFiles;
    if (word == "wn") return FolderKind::WindowsFolder;
    return std::nullopt;
}

// "pit=" looks at the two characters after the "=" only: "pit=pfx" is "pf".
std::optional<FolderKind> PathTypeFromValue(std::string_view value) {
    const std::string_view word = value.substr(0, 2);
    if (word == "pf") return FolderKind::ProgramFiles;
    if (word == "ps") return FolderKind::PluginFolder;
    if (word == "wn") return FolderKind::WindowsFolder;
    return std::nullopt;
}

bool IsBlank(std::string_view text) { return TrimBlanks(text).empty(); }

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// "the file name "NUL.txt" names the device NUL."
std::string NameRefused(std::string_view what, std::string_view name, NameFault fault) {
    return std::string(what) + " " + Quoted(name) + " " + DescribeNameFault(fault, name) + ".";
}

// A key line's value when the line starts with key (case-sensitive, "=" included).
std::optional<std::string_view> KeyValue(std::string_view line, std::string_view key) {
    if (line.substr(0, key.size()) != key) return std::nullopt;
    return line.substr(key.size());
}

}  // namespace

void InstallDocument::Clear() {
    productName.clear();
    registryRecord.clear();
    defaultFolder.clear();
    groupName.clear();
    installPathType.reset();
    entries.clear();
    requiredKilobytes = 0;
    defaultDestination.clear();
    damageReason_.clear();
}

void InstallDocument::MarkDamaged(int line, std::string_view what) {
    if (IsDamaged()) return;  // the first problem is the one reported
    damageReason_ = line > 0 ? "Install document, line " + std::to_string(line) + ": " : "Install document: ";
    damageReason_ += what;
}

void InstallDocument::Parse(std::string_view text) {
    Clear();
    int recordLine = 0;
    int groupLine = 0;
    int folderLine = 0;
    for (const DocumentLine& raw : SplitDocumentLines(text)) {
        const std::string_view line = TrimBlanks(raw.text);
        if (line.empty() || line.substr(0, 2) == "//") continue;

        if (const auto value = KeyValue(line, "pit=")) {
            if (const auto kind = PathTypeFromValue(*value)) installPathType = kind;
        } else if (const auto value = KeyValue(line, "deffolder=")) {
            defaultFolder.assign(*value);
            folderLine = raw.number;
        } else if (const auto value = KeyValue(line, "groupname=")) {
            groupName.assign(*value);
            groupLine = raw.number;
        } else if (const auto value = KeyValue(line, "regrecord=")) {
            registryRecord.assign(*value);
            recordLine = raw.number;
        } else if (const auto value = KeyValue(line, "name=")) {
            productName.assign(*value);
        } else {
            ParsePayloadLine(raw.number, line);
        }
    }

    // The run names the uninstall record and the program group by these; without
    // them it would write into the parent keys and folders themselves.
    if (recordLine == 0) {
        MarkDamaged(0, "there is no \"regrecord=\" line naming the uninstall record.");
    } else if (const NameFault fault = CheckRelativePath(registryRecord); fault != NameFault::None) {
        MarkDamaged(recordLine, NameRefused("the uninstall record name", registryRecord, fault));
    }
    // The group is one folder under the Start menu's Programs folder: a nested
    // "A\B" would leave "A" behind, which the uninstaller never removes.
    if (groupLine == 0) {
        MarkDamaged(0, "there is no \"groupname=\" line naming the program group.");
    } else if (const NameFault fault = CheckName(groupName); fault != NameFault::None) {
        MarkDamaged(groupLine, NameRefused("the program group", groupName, fault));
    }
    // The default destination is Program Files + "\" + this folder.
    if (folderLine != 0) {
        if (const NameFault fault = CheckRelativePath(defaultFolder); fault != NameFault::None) {
            MarkDamaged(folderLine, NameRefused("the default folder", defaultFolder, fault));
        }
    }
}

void InstallDocument::ParsePayloadLine(int line, std::string_view text) {
    const std::vector<std::string_view> fields = SplitPayloadFields(text);
    if (fields.size() < kPayloadFields) {
        MarkDamaged(line, "a payload line needs six fields: key, file name, folder, start menu, desktop, "
                          "shortcut name.");
        return;
    }
    PayloadEntry entry;
    entry.line = line;
    entry.key.assign(fields[0]);
    entry.fileName.assign(fields[1]);
    const auto kind = FolderFromWord(fields[2]);
    if (!kind) {
        MarkDamaged(line, Quoted(fields[2]) + " is not a folder (pit, pf, ps or wn).");
        return;
    }
    entry.folderKind = *kind;
    entry.startMenuShortcut = fields[3] == "t";
    entry.desktopShortcut = fields[4] == "t";
    entry.shortcutName.assign(fields[5]);

    if (const NameFault fault = CheckRelativePath(entry.fileName); fault != NameFault::None) {
        MarkDamaged(line, NameRefused("the file name", entry.fileName, fault));
        return;
    }
    if (entry.startMenuShortcut || entry.desktopShortcut) {
        if (IsBlank(entry.shortcutName)) {
            MarkDamaged(line, "a shortcut is asked for but its name is empty.");
            return;
        }
        if (const NameFault fault = CheckName(entry.shortcutName); fault != NameFault::None) {
            MarkDamaged(line, NameRefused("the shortcut name", entry.shortcutName, fault));
            return;
        }
    }
    entries.push_back(std::move(entry));
}

std::string InstallDocument::DefaultDestinationFor(std::optional<FolderKind> pathType,
                                                   const std::optional<std::string>& programFilesDir,
                                                   std::string_view defaultFolder) {
    if (pathType.value_or(FolderKind::ProgramFiles) != FolderKind::ProgramFiles) return {};
    std::string destination = programFilesDir && !programFilesDir->empty() ? *programFilesDir
                                                                          : std::string(kProgramFilesFallback);
    if (destination.back() != '\\') destination += '\\';
    destination += defaultFolder;
    return destination;
}

void InstallDocument::Load(DocumentSource& source, NumberDisplay& display, const ProgramFilesLookup& programFiles) {
    Clear();
    std::string text;
    if (!source.ReadText(kDocumentNode, text)) {
        // Nothing to show and nothing to install; the run refuses a damaged document.
        MarkDamaged(0, "it could not be read.");
        return;
    }
    Parse(text);

    // Every entry takes its node's declared size; the bytes stay in the container
    // until the run streams them. A node that cannot announce its size leaves the
    // document damaged and does not stay in the list.
    std::uint32_t totalBytes = 0;
    // Streamed products may pass 4 GB: their sizes add up in 64 bits.
    std::uint64_t streamedBytes = 0;
    std::vector<PayloadEntry> loaded;
    loaded.reserve(entries.size());
    for (PayloadEntry& entry : entries) {
        if (!source.ReadBinarySize(PayloadNode(entry), entry.size)) {
            MarkUnreadable(entry);
            continue;
        }
        entry.streamed = source.IsStreamed(PayloadNode(entry));
        if (entry.streamed) {
            streamedBytes += entry.size;
        } else {
            totalBytes += entry.size;  // an unsigned 32-bit sum
        }
        loaded.push_back(std::move(entry));
    }
    entries = std::move(loaded);
    requiredKilobytes = static_cast<std::uint32_t>(std::min<std::uint64_t>((totalBytes + streamedBytes) >> 10, UINT32_MAX));
    display.DrawNumber(static_cast<int>(requiredKilobytes));

    const bool needsProgramFiles = installPathType.value_or(FolderKind::ProgramFiles) == FolderKind::ProgramFiles;
    defaultDestination = DefaultDestinationFor(installPathType, needsProgramFiles && programFiles ? programFiles()
                                                                                                  : std::nullopt,
                                               defaultFolder);
    if (IsDamaged()) framework::ShowMessage(damageReason_, framework::MessageIcon::Exclamation);
}

std::string InstallDocument::PayloadNode(const PayloadEntry& entry) {
    return std::string(kPayloadPrefix) + entry.key;
}

void InstallDocument::MarkUnreadable(const PayloadEntry& entry) {
    MarkDamaged(entry.line, "the data " + Quoted(PayloadNode(entry)) + " could not be read.");
}

}  // namespace install
