#include "tools/tkds/ExecutionLevel.h"

#include <string_view>
#include <vector>

namespace tkds {

namespace {

constexpr std::uint16_t kTypeManifest = 24;  // RT_MANIFEST
constexpr std::uint16_t kProgramManifest = 1;  // CREATEPROCESS_MANIFEST_RESOURCE_ID
constexpr std::string_view kAdministrator = R"(level="requireAdministrator")";
constexpr std::string_view kInvoker = R"(level="asInvoker")";

}  // namespace

bool RequestAsInvoker(resedit::PeFile& pe, std::string& error) {
    const resedit::ResourceKey type = resedit::ResourceKey::Number(kTypeManifest);
    const resedit::ResourceKey name = resedit::ResourceKey::Number(kProgramManifest);
    const resedit::Resource* found = nullptr;
    for (const resedit::Resource& resource : pe.Resources()) {
        if (resource.type != type || resource.name != name) continue;
        if (found) {
            error = "it has more than one application manifest (RT_MANIFEST 1)";
            return false;
        }
        found = &resource;
    }
    if (!found) {
        error = "it has no application manifest (RT_MANIFEST 1)";
        return false;
    }
    resedit::Resource manifest = *found;
    const std::string_view text(reinterpret_cast<const char*>(manifest.data.data()), manifest.data.size());
    const std::size_t at = text.find(kAdministrator);
    if (at == std::string_view::npos || text.find(kAdministrator, at + 1) != std::string_view::npos) {
        error = "its application manifest does not say " + std::string(kAdministrator) + " once";
        return false;
    }
    std::string rewritten(text);
    rewritten.replace(at, kAdministrator.size(), kInvoker);
    manifest.data.assign(rewritten.begin(), rewritten.end());
    pe.SetResource(std::move(manifest));
    return true;
}

}  // namespace tkds
