// The install document read from a container through the storage reader.
#include "install/InstallDocument.h"
#include "storage/Storage.h"

namespace install {

namespace {

// Every read passes the empty password.
class StorageSource final : public DocumentSource {
public:
    explicit StorageSource(storage::Storage& storage) : storage_(storage) {}
    bool ReadText(std::string_view path, std::string& text) override { return storage_.GetString(path, text, ""); }
    bool ReadBinary(std::string_view path, storage::HeapBlock& data, std::uint32_t& size) override {
        return storage_.GetBinary(path, data, size, "");
    }

private:
    storage::Storage& storage_;
};

}  // namespace

void InstallDocument::Load(storage::Storage& storage, NumberDisplay& display, const ProgramFilesLookup& programFiles) {
    StorageSource source(storage);
    Load(source, display, programFiles);
}

}  // namespace install
