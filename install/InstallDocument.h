#pragma once
// The install document ("Data.idoc" in the container): what to install, where, and
// with which shortcuts. Read once while the main window starts; afterwards the
// installation run's only source of what to install and how to name it.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "install/NumberDisplay.h"
#include "storage/NodeStream.h"

namespace storage {
class Storage;
}

namespace install {

// A base folder, numbered as the document's words are.
enum class FolderKind : int {
    ProgramFiles = 0,   // "pf"
    PluginFolder = 1,   // "ps"
    WindowsFolder = 2,  // "wn"
    InstallFolder = 3,  // "pit": the destination the user confirms
};

struct PayloadEntry {
    std::string key;       // node "Data." + key holds the file's bytes
    std::string fileName;  // name of the installed file in its base folder
    FolderKind folderKind = FolderKind::InstallFolder;
    bool startMenuShortcut = false;
    bool desktopShortcut = false;
    std::string shortcutName;  // without ".lnk"
    std::uint32_t size = 0;    // decoded bytes the node declares; the run streams them
    bool streamed = false;     // the node's bytes are in the payload stream, not the container
    int line = 0;              // the document line the entry comes from
};

// What Load reads from the container; the storage reader in the program, a table in tests.
class DocumentSource {
public:
    virtual ~DocumentSource();
    virtual bool ReadText(std::string_view path, std::string& text) = 0;
    // The decoded size a binary node declares, without decoding it.
    virtual bool ReadBinarySize(std::string_view path, std::uint32_t& size) = 0;
    // Whether a binary node keeps its bytes in the payload stream.
    virtual bool IsStreamed(std::string_view) { return false; }
};

// Finds the Program Files folder; nothing when it cannot be read.
using ProgramFilesLookup = std::function<std::optional<std::string>()>;

class InstallDocument {
public:
    static constexpr std::string_view kDocumentNode = "Data.idoc";
    static constexpr std::string_view kPayloadPrefix = "Data.";
    static constexpr std::string_view kProgramFilesFallback = "C:\\Program Files";

    InstallDocument() = default;
    virtual ~InstallDocument();
    InstallDocument(const InstallDocument&) = delete;
    InstallDocument& operator=(const InstallDocument&) = delete;

    std::string productName;
    std::string registryRecord;
    std::string defaultFolder;
    std::string groupName;
    std::optional<FolderKind> installPathType;  // none until a valid "pit=" line
    std::vector<PayloadEntry> entries;          // complete entries only, in document order
    std::uint32_t requiredKilobytes = 0;
    std::string defaultDestination;

#ifdef _WIN32
    // Reads the document from the program's container, takes every payload's size
    // (decoding none), shows the kilobytes on display and works out the default
    // destination from the registry's Program Files folder.
    void Load(storage::Storage& storage, NumberDisplay& display);
#endif
    // The same with the Program Files lookup supplied.
    void Load(storage::Storage& storage, NumberDisplay& display, const ProgramFilesLookup& programFiles);
    // The same with any source of container nodes.
    // A document that cannot be read leaves every field empty, shows nothing and
    // counts as damaged. A damaged line or payload node is reported in one message
    // box naming its line; the rest of the document is still read and shown.
    void Load(DocumentSource& source, NumberDisplay& display, const ProgramFilesLookup& programFiles);

    // Reads the document's text into the fields (without payload data); a damaged
    // line is recorded (the first one found is kept) and left out of entries.
    void Parse(std::string_view text);

    // The default destination for a path type: the Program Files folder (or the
    // fallback when it is unknown) + "\" + defaultFolder; empty for the plug-in and
    // Windows types. A document without "pit=" is treated as "pit=pf".
    static std::string DefaultDestinationFor(std::optional<FolderKind> pathType,
                                             const std::optional<std::string>& programFilesDir,
                                             std::string_view defaultFolder);

    // A damaged document must not be installed; DamageReason() says why, naming the
    // line where there is one ("Install document, line 15: ...").
    bool IsDamaged() const noexcept { return !damageReason_.empty(); }
    const std::string& DamageReason() const noexcept { return damageReason_; }

    // The container node that holds an entry's bytes: "Data." + key.
    static std::string PayloadNode(const PayloadEntry& entry);

    // Decodes the entry's bytes from the container into sink in bounded chunks,
    // checked against the node's declared size and checksum as they come. Damaged
    // data (the sink may have had a part of it) marks the document damaged, naming
    // the entry's line as Load names an unreadable node.
    storage::StreamResult WritePayload(storage::Storage& storage, const PayloadEntry& entry, storage::ByteSink& sink);

private:
    void Clear();
    void MarkDamaged(int line, std::string_view what);
    void MarkUnreadable(const PayloadEntry& entry);
    void ParsePayloadLine(int line, std::string_view text);

    std::string damageReason_;
};

}  // namespace install
