// The install document read from a container through the storage reader, and its
// payloads streamed out of it.
#include "framework/ContainerText.h"
#include "install/InstallDocument.h"
#include "storage/Storage.h"

namespace install {

namespace {

// Every read passes the empty password. The document's text is converted from
// the container's code page as it is read; the payload names it gives are looked
// up again in the container's spelling.
class StorageSource final : public DocumentSource {
public:
    explicit StorageSource(storage::Storage& storage) : storage_(storage) {}
    bool ReadText(std::string_view path, std::string& text) override {
        std::string stored;
        if (!storage_.GetString(framework::NameInContainer(path), stored, "")) return false;
        text = framework::TextFromContainer(stored);
        return true;
    }
    bool ReadBinarySize(std::string_view path, std::uint32_t& size) override {
        return storage_.GetBinarySize(framework::NameInContainer(path), size, "");
    }
    bool IsStreamed(std::string_view path) override {
        std::uint32_t recordOffset = 0;
        return storage_.StreamedRecordOffset(path, recordOffset);
    }

private:
    storage::Storage& storage_;
};

}  // namespace

void InstallDocument::Load(storage::Storage& storage, NumberDisplay& display, const ProgramFilesLookup& programFiles) {
    StorageSource source(storage);
    Load(source, display, programFiles);
}

storage::StreamResult InstallDocument::WritePayload(storage::Storage& storage, const PayloadEntry& entry,
                                                    storage::ByteSink& sink) {
    const storage::StreamResult result = storage.StreamBinary(framework::NameInContainer(PayloadNode(entry)), sink, "");
    if (result == storage::StreamResult::Damaged) MarkUnreadable(entry);
    return result;
}

}  // namespace install
