#include <optional>
#include <string_view>

#include "framework/UserMessages.h"
#include "install/InstallDocument.h"
#include "install/NameRule.h"
#include "install/UninstallLayout.h"
#include "tests/fuzz/FuzzChecks.h"

namespace fuzz {

namespace {

constexpr std::uint32_t kBytesPerKeyCharacter = 300;

class TableSource final : public install::DocumentSource {
public:
    explicit TableSource(std::string_view text) : text_(text) {}
    bool ReadText(std::string_view path, std::string& text) override {
        if (path != install::InstallDocument::kDocumentNode) return false;
        text.assign(text_);
        return true;
    }
    bool ReadBinarySize(std::string_view path, std::uint32_t& size) override {
        const std::string_view prefix = install::InstallDocument::kPayloadPrefix;
        if (path.substr(0, prefix.size()) != prefix) return false;
        const std::string_view key = path.substr(prefix.size());
        if (key.find('?') != std::string_view::npos) return false;
        size = static_cast<std::uint32_t>(key.size()) * kBytesPerKeyCharacter;
        return true;
    }

private:
    std::string_view text_;
};

class RecordingDisplay final : public install::NumberDisplay {
public:
    void DrawNumber(int n) override { numbers.push_back(n); }
    std::vector<int> numbers;
};

bool SameFields(const install::InstallDocument& a, const install::InstallDocument& b) {
    if (a.productName != b.productName || a.registryRecord != b.registryRecord ||
        a.defaultFolder != b.defaultFolder || a.groupName != b.groupName ||
        a.installPathType != b.installPathType || a.entries.size() != b.entries.size() ||
        a.DamageReason() != b.DamageReason())
        return false;
    for (std::size_t i = 0; i < a.entries.size(); ++i) {
        const install::PayloadEntry& x = a.entries[i];
        const install::PayloadEntry& y = b.entries[i];
        if (x.key != y.key || x.fileName != y.fileName || x.folderKind != y.folderKind ||
            x.startMenuShortcut != y.startMenuShortcut || x.desktopShortcut != y.desktopShortcut ||
            x.shortcutName != y.shortcutName || x.line != y.line)
            return false;
    }
    return true;
}

// The rules every loaded document keeps, whatever its text; the first one broken.
std::string BrokenRule(const install::InstallDocument& doc, std::size_t textLength) {
    std::uint32_t total = 0;
    for (const install::PayloadEntry& e : doc.entries) {
        if (e.size != e.key.size() * kBytesPerKeyCharacter) return "an entry's size is not its node's";
        if (install::CheckRelativePath(e.fileName) != install::NameFault::None)
            return "a file name the name rule refuses was accepted";
        if (static_cast<int>(e.folderKind) < 0 || static_cast<int>(e.folderKind) > 3) return "folder kind out of range";
        if ((e.startMenuShortcut || e.desktopShortcut) &&
            install::CheckName(e.shortcutName) != install::NameFault::None)
            return "a shortcut name that cannot name a file was accepted";
        if (e.line < 1 || static_cast<std::size_t>(e.line) > textLength) return "an entry's line number is impossible";
        total += e.size;
    }
    if (doc.requiredKilobytes != total >> 10) return "requiredKilobytes is not the payload's size in KB";
    if (!doc.IsDamaged()) {
        if (!install::uninstall_layout::IsValidRecordName(doc.registryRecord))
            return "an undamaged document has an unusable record name";
        if (install::CheckName(doc.groupName) != install::NameFault::None)
            return "an undamaged document has a group that is not one usable name";
        if (!doc.defaultFolder.empty() && install::CheckRelativePath(doc.defaultFolder) != install::NameFault::None)
            return "an undamaged document has a default folder the name rule refuses";
    } else if (doc.DamageReason().rfind("Install document", 0) != 0) {
        return "a damage reason that does not name the install document";
    }
    const bool programFilesType =
        doc.installPathType.value_or(install::FolderKind::ProgramFiles) == install::FolderKind::ProgramFiles;
    if (programFilesType != !doc.defaultDestination.empty()) return "default destination for the wrong path type";
    if (programFilesType) {
        const std::string& d = doc.defaultDestination;
        if (d.size() < doc.defaultFolder.size() || d.compare(d.size() - doc.defaultFolder.size(),
                                                             std::string::npos, doc.defaultFolder) != 0)
            return "the default destination does not end with the default folder";
    }
    return {};
}

}  // namespace

DocumentOutcome CheckInstallDocument(const std::uint8_t* bytes, std::size_t length) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), length);
    DocumentOutcome outcome;
    framework::SetMessageSink(
        [&outcome](std::string_view message, framework::MessageIcon) { outcome.messages.emplace_back(message); });

    install::InstallDocument doc;
    TableSource source(text);
    RecordingDisplay display;
    const std::optional<std::string> programFiles =
        length % 2 == 0 ? std::optional<std::string>("C:\\Program Files") : std::nullopt;
    doc.Load(source, display, [&programFiles] { return programFiles; });
    framework::SetMessageSink({});

    outcome.damaged = doc.IsDamaged();
    outcome.reason = doc.DamageReason();
    outcome.entries = doc.entries.size();
    outcome.requiredKilobytes = doc.requiredKilobytes;
    outcome.defaultDestination = doc.defaultDestination;

    outcome.broken = BrokenRule(doc, length);
    if (!outcome.broken.empty()) return outcome;
    if (display.numbers.size() != 1 || display.numbers[0] != static_cast<int>(doc.requiredKilobytes))
        outcome.broken = "the counter was not shown the required kilobytes exactly once";
    else if (outcome.damaged != (outcome.messages.size() == 1) ||
             (outcome.damaged && outcome.messages[0] != outcome.reason))
        outcome.broken = "a damaged document is not reported in exactly one message (or a sound one is)";
    if (!outcome.broken.empty()) return outcome;

    // Parsing alone reads the same fields, and reading twice changes nothing.
    install::InstallDocument first;
    install::InstallDocument second;
    first.Parse(text);
    second.Parse(text);
    second.Parse(text);
    if (!SameFields(first, second)) outcome.broken = "parsing the same text twice gave different documents";
    else if (first.productName != doc.productName || first.registryRecord != doc.registryRecord ||
             first.groupName != doc.groupName || first.defaultFolder != doc.defaultFolder)
        outcome.broken = "Parse and Load read different texts";
    return outcome;
}

}  // namespace fuzz
