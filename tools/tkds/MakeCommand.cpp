// tkds make MANIFEST -o OUTPUT.exe [--arch x86|x64] [--scope machine|user|both] [-D NAME=VALUE]...
//           [--icon FILE.ico] [--product-version A.B.C.D] [--company TEXT] [--copyright TEXT]
//           [--stubs DIR] [--quiet] [--threads N] [signing options] [winget options]
//
// A finished setup program from a vendor's folder: the container that "build"
// makes, written into a copy of the prebuilt stub as resource "STORAGE" 129, with
// the vendor's icon and version information. No compiler is involved. Signed, the
// uninstaller is signed before it goes into the container and the setup program
// after the container is in it, so that both carry a signature of their own.
// Nodes marked compress=lzma go into the payload stream, which is appended after
// the image once the resources are laid out; a signature covers it too.
// With --winget-manifests DIR, the Windows Package Manager's three manifests for
// the written file go into DIR too. A product that installs for the user (--scope
// user or both) says so in its container and starts without administrator rights.
// While the payload stream is encoded, its progress shows on standard error
// (--quiet: none); --threads N encodes N of its chunks at once (default: all
// processors), which changes the time it takes, never the bytes written.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <span>
#include <system_error>
#include <utility>

#include "install/InstallDocument.h"
#include "install/InstallScope.h"
#include "install/UninstallLayout.h"
#include "install/VersionInfo.h"
#include "storage/ContainerFormat.h"
#include "storage/Sha256.h"
#include "tools/resedit/PeHeaders.h"
#include "tools/resedit/PeResources.h"
#include "tools/tkds/CommandSupport.h"
#include "tools/tkds/ExecutionLevel.h"
#include "tools/tkds/FileIo.h"
#include "tools/tkds/IconFile.h"
#include "tools/tkds/KitFolder.h"
#include "tools/tkds/ManifestBuilder.h"
#include "tools/tkds/ManifestContainer.h"
#include "tools/tkds/PayloadStreamWriter.h"
#include "tools/tkds/ScratchFile.h"
#ifdef TKDS_HAVE_SIGNING
#include "tools/tkds/PrivateTempFolder.h"
#include "tools/tkds/Signing.h"
#endif
#include "tools/tkds/VersionResource.h"
#include "tools/tkds/WingetManifest.h"

namespace tkds {

namespace {

namespace fs = std::filesystem;
using resedit::ResourceKey;

constexpr std::uint16_t kTypeIcon = 3;         // RT_ICON
constexpr std::uint16_t kTypeGroupIcon = 14;   // RT_GROUP_ICON
constexpr std::uint16_t kTypeVersion = 16;     // RT_VERSION
constexpr std::uint16_t kSetupIconGroup = 128;
// The language the project's resource scripts give every resource; the setup's
// FindResource of "STORAGE" 129 finds it whatever the user's language.
constexpr std::uint16_t kResourceLanguage = install::version_layout::kEnglishUs;
constexpr const char* kStubName = "setup-stub.exe";
constexpr const char* kUninstallerName = "TKUNTOOL.EXE";

struct Architecture {
    std::string_view name;
    std::uint16_t machine;
};
constexpr Architecture kArchitectures[] = {{"x86", 0x014C}, {"x64", 0x8664}};  // I386, AMD64

struct MakeRequest {
    std::string manifest;
    fs::path output;
    const Architecture* arch = &kArchitectures[0];  // x86, the release architecture
    install::ProductScope scope = install::ProductScope::Machine;
    Defines defines;
    std::string icon;
    VersionNumber version{1, 0, 0, 0};
    std::u16string company;
    std::u16string copyright;
    fs::path stubs;
    StreamSettings stream;  // --quiet, --threads
    std::string companyText;    // --company as given (UTF-8)
    std::string copyrightText;  // --copyright as given
    // --winget-manifests DIR and what the manifests need besides the document.
    std::optional<fs::path> wingetFolder;
    WingetPackage winget;
#ifdef TKDS_HAVE_SIGNING
    SigningIdentity signing;
#endif
};

// The winget options: all of them need --winget-manifests, which needs the
// package id, the installer's address, the publisher and the license.
bool ReadWingetOptions(ParsedArgs& parsed, MakeRequest& request, std::string& error) {
    static constexpr const char* kNeedFolder[] = {"--package-id", "--installer-url", "--locale", "--license",
                                                  "--short-description"};
    if (!parsed.Has("--winget-manifests")) {
        for (const char* option : kNeedFolder) {
            if (parsed.Has(option)) {
                error = std::string(option) + " belongs to --winget-manifests DIR";
                return false;
            }
        }
        return true;
    }
    request.wingetFolder = parsed.Value("--winget-manifests");
    for (const char* option : {"--package-id", "--installer-url", "--company", "--license"}) {
        if (parsed.Value(option).empty()) {
            error = std::string("--winget-manifests needs ") + option;
            return false;
        }
    }
    for (const char* option : {"--license", "--short-description"}) {
        std::u16string unused;
        if (!Utf8ToUtf16(parsed.Value(option), unused)) {
            error = std::string(option) + " is not UTF-8 text";
            return false;
        }
    }
    WingetPackage& package = request.winget;
    package.packageId = parsed.Value("--package-id");
    package.installerUrl = parsed.Value("--installer-url");
    if (parsed.Has("--locale")) package.locale = parsed.Value("--locale");
    package.license = parsed.Value("--license");
    package.shortDescription = parsed.Value("--short-description");
    return true;
}

// Reads the options; on failure returns the usage exit code in exitCode.
bool ReadRequest(const Args& args, MakeRequest& request, int& exitCode) {
    ParsedArgs parsed;
    std::string error;
    const auto usage = [&](std::string_view reason) {
        exitCode = UsageError(kMakeCommand, reason);
        return false;
    };
    if (!ParseArgs(args,
                   {{"-o", true}, {"--output", true}, {"--arch", true}, {"--scope", true}, {"-D", true},
                    {"--icon", true}, {"--product-version", true}, {"--company", true}, {"--copyright", true},
                    {"--stubs", true}, {"--winget-manifests", true}, {"--package-id", true},
                    {"--installer-url", true}, {"--locale", true}, {"--license", true},
                    {"--short-description", true}, {"--quiet", false}, {"--threads", true},
#ifdef TKDS_HAVE_SIGNING
                    {kSignPkcs12, true}, {kSignKey, true}, {kSignCert, true}, {kSignPasswordFile, true},
                    {kSignPasswordEnv, true}, {kSignTimestamp, true},
#endif
                   },
                   parsed, error)) {
        return usage(error);
    }
    if (parsed.positional.size() != 1) return usage("expected one manifest file");
    request.manifest = parsed.positional[0];
    const std::string output = parsed.Has("--output") ? parsed.Value("--output") : parsed.Value("-o");
    if (output.empty()) return usage("missing -o OUTPUT.exe");
    if (output == "-") return usage("the setup program is written to a file, not to standard output");
    request.output = output;
    if (parsed.Has("--arch")) {
        const std::string arch = parsed.Value("--arch");
        request.arch = nullptr;
        for (const Architecture& known : kArchitectures) {
            if (known.name == arch) request.arch = &known;
        }
        if (!request.arch) return usage("--arch is x86 or x64, not '" + arch + "'");
    }
    if (parsed.Has("--scope")) {
        const std::string scope = parsed.Value("--scope");
        const std::optional<install::ProductScope> parsedScope = install::ParseProductScope(scope);
        if (!parsedScope) return usage("--scope is machine, user or both, not '" + scope + "'");
        request.scope = *parsedScope;
    }
    if (!AddDefines(parsed.options["-D"], request.defines, error)) return usage(error);
    request.icon = parsed.Value("--icon");
    if (!ReadStreamSettings(parsed, request.stream, error)) return usage(error);
    if (parsed.Has("--product-version") && !ParseVersionNumber(parsed.Value("--product-version"), request.version)) {
        return usage("--product-version needs four numbers 0-65535 as A.B.C.D, found '" +
                     parsed.Value("--product-version") + "'");
    }
    if (!Utf8ToUtf16(parsed.Value("--company"), request.company)) return usage("--company is not UTF-8 text");
    if (!Utf8ToUtf16(parsed.Value("--copyright"), request.copyright)) return usage("--copyright is not UTF-8 text");
    request.companyText = parsed.Value("--company");
    request.copyrightText = parsed.Value("--copyright");
    if (!ReadWingetOptions(parsed, request, error)) return usage(error);
#ifdef TKDS_HAVE_SIGNING
    if (!ReadSigningOptions(parsed, request.signing, error)) return usage(error);
#endif
    if (parsed.Has("--stubs")) {
        request.stubs = parsed.Value("--stubs");
    } else {
        fs::path kit;
        if (!FindKitFolder(kit, error)) {
            PrintError(error);
            exitCode = kExitFailure;
            return false;
        }
        request.stubs = kit / kKitStubs;
    }
    return true;
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code failure;
    return fs::equivalent(a, b, failure);
}

// The install document the container carries: the version information names the
// product after it, and a document the setup would refuse is refused here too.
bool ReadDocument(const std::string& manifest, const std::optional<std::string>& text,
                  install::InstallDocument& document) {
    if (!text) {
        PrintError(manifest + ": the container has no install document (a String node \"Data.idoc\")");
        return false;
    }
    document.Parse(*text);
    if (document.IsDamaged()) {
        PrintError(manifest + ": " + document.DamageReason());
        return false;
    }
    return true;
}

// A product for the user installs nothing into the Windows folder, which only
// administrators may write.
bool CheckUserFolders(const std::string& manifest, install::ProductScope scope,
                      const install::InstallDocument& document) {
    if (scope == install::ProductScope::Machine) return true;
    for (const install::PayloadEntry& entry : document.entries) {
        if (entry.folderKind != install::FolderKind::WindowsFolder) continue;
        PrintError(manifest + ": install document line " + std::to_string(entry.line) + " puts " + entry.fileName +
                   " into the Windows folder, which a user cannot write (--scope " +
                   std::string(install::ProductScopeName(scope)) + ")");
        return false;
    }
    return true;
}

// Replaces icon group 128 and the images it names with the icon file's images.
void ReplaceIcon(resedit::PeFile& pe, const std::vector<IconImage>& images) {
    const ResourceKey iconType = ResourceKey::Number(kTypeIcon);
    const ResourceKey groupType = ResourceKey::Number(kTypeGroupIcon);
    const ResourceKey groupName = ResourceKey::Number(kSetupIconGroup);
    std::uint16_t language = kResourceLanguage;
    std::vector<std::uint16_t> oldImages;
    for (const resedit::Resource& resource : pe.Resources()) {
        if (resource.type != groupType || resource.name != groupName) continue;
        language = resource.language;
        std::vector<std::uint16_t> ids;
        if (IconGroupIds(resource.data, ids)) oldImages.insert(oldImages.end(), ids.begin(), ids.end());
    }
    for (std::uint16_t id : oldImages) pe.RemoveResource(iconType, ResourceKey::Number(id));
    pe.RemoveResource(groupType, groupName);
    // The new images take the ids after every image that other groups still use.
    std::uint16_t firstId = 1;
    for (const resedit::Resource& resource : pe.Resources()) {
        if (resource.type == iconType && resource.name.id && *resource.name.id >= firstId) firstId = *resource.name.id + 1;
    }
    for (std::size_t i = 0; i < images.size(); ++i) {
        pe.SetResource({iconType, ResourceKey::Number(static_cast<std::uint16_t>(firstId + i)), language, 0,
                        images[i].data});
    }
    pe.SetResource({groupType, groupName, language, 0, IconGroupData(images, firstId)});
}

VersionInfo SetupVersionInfo(const MakeRequest& request, const install::InstallDocument& document) {
    VersionInfo info;
    info.fileVersion = request.version;
    info.productVersion = request.version;
    const std::u16string version = AnsiToUtf16(VersionText(request.version));
    std::u16string fileName;
    std::u16string stem;
    Utf8ToUtf16(request.output.filename().string(), fileName);
    Utf8ToUtf16(request.output.stem().string(), stem);
    info.strings = {
        {u"CompanyName", request.company},
        {u"FileDescription", AnsiToUtf16(document.productName)},
        {u"FileVersion", version},
        {u"InternalName", stem},
        {u"LegalCopyright", request.copyright},
        {u"OriginalFilename", fileName},
        {u"ProductName", AnsiToUtf16(document.groupName)},
        {u"ProductVersion", version},
    };
    return info;
}

void ReplaceVersion(resedit::PeFile& pe, const VersionInfo& info) {
    const ResourceKey type = ResourceKey::Number(kTypeVersion);
    const ResourceKey name = ResourceKey::Number(install::version_layout::kResourceId);
    std::uint16_t language = kResourceLanguage;
    for (const resedit::Resource& resource : pe.Resources()) {
        if (resource.type == type && resource.name == name) language = resource.language;
    }
    pe.RemoveResource(type, name);
    pe.SetResource({type, name, language, 0, BuildVersionResource(info)});
}

#ifdef TKDS_HAVE_SIGNING
// The name Windows shows for a signed program when it asks for elevation: the
// product's name, when it is plain ASCII text (the signer takes no code page).
std::string SignedDescription(const std::string& productName) {
    for (const char c : productName) {
        if (c < 0x20 || c > 0x7E) return {};
    }
    return productName;
}
#endif

void SetContainer(resedit::PeFile& pe, const std::vector<std::uint8_t>& container) {
    pe.SetResource({ResourceKey::Named(kStorageResourceType), ResourceKey::Number(kStorageResourceId), kResourceLanguage, 0, container});
}

// Sets the PE checksum of the image written into fd to the whole file's: the
// image's own bytes (its checksum field as zero), then what follows it in fd,
// read back. The image alone sums to another figure once a stream follows it.
bool SumWholeFile(int fd, std::vector<std::uint8_t>& image, std::string& error) {
    resedit::PeHeaders headers;
    if (!resedit::ReadPeHeaders(image, headers, error)) return false;
    const std::size_t checksumAt = headers.optionalAt + resedit::kCheckSumAt;
    storage::StoreLE32(image.data() + checksumAt, 0);
    resedit::PeChecksumSum checksum;
    checksum.Add(image);
    std::vector<std::uint8_t> buffer(1 << 20);
    for (std::uint64_t at = image.size();;) {
        const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(at));
        if (n < 0) {
            error = std::string("cannot read the payload stream back: ") + std::strerror(errno);
            return false;
        }
        if (n == 0) break;
        checksum.Add(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)));
        at += static_cast<std::uint64_t>(n);
    }
    storage::StoreLE32(image.data() + checksumAt, checksum.Finish());
    return true;
}

// The program with its container, then the payload stream as its overlay, made in
// fd. The stream starts where the image ends; filling in the stream record after
// the stream is written changes no size, so the image is laid out again in place,
// with the checksum of the whole file.
bool WriteSetupWithStream(int fd, resedit::PeFile& pe, std::vector<std::uint8_t>& container, const StreamPlan& stream,
                          const StreamSettings& settings, std::string& error) {
    std::vector<std::uint8_t> image;
    SetContainer(pe, container);
    if (!pe.Write(image, error)) return false;
    StreamFigures figures;
    if (!WriteStream(fd, image.size(), stream, figures, settings, error)) return false;
    PatchStreamRecord(container, stream, figures);
    SetContainer(pe, container);
    const std::size_t imageSize = image.size();
    if (!pe.Write(image, error)) return false;
    if (image.size() != imageSize) {
        error = "the image changed its size when the stream record was filled in";
        return false;
    }
    return SumWholeFile(fd, image, error) && WriteAt(fd, 0, image.data(), image.size(), error);
}

// Copies a file of our own into fd.
bool CopyInto(const std::string& source, int fd, std::string& error) {
    FilePtr file(std::fopen(source.c_str(), "rb"));
    if (!file) {
        error = "cannot read " + source + ": " + std::strerror(errno);
        return false;
    }
    std::vector<std::uint8_t> buffer(1 << 20);
    std::uint64_t at = 0;
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) {
        if (!WriteAt(fd, at, buffer.data(), n, error)) return false;
        at += n;
    }
    if (std::ferror(file.get())) {
        error = "cannot read " + source + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

struct DescriptorCloser {
    int fd = -1;
    ~DescriptorCloser() {
        if (fd >= 0) ::close(fd);
    }
};

// make for a container with a payload stream: the setup program is assembled in a
// file (never whole in memory), signed as a file when asked, and renamed into place.
int MakeWithStream(const MakeRequest& request, const install::InstallDocument& document, resedit::PeFile& pe,
                   std::vector<std::uint8_t>& container, const StreamPlan& stream) {
    std::string error;
    const std::string output = request.output.string();
    StagedFile staged;
#ifdef TKDS_HAVE_SIGNING
    if (request.signing.Wanted()) {
        PrivateTempFolder folder;
        const std::string name = request.output.filename().string();
        const std::string unsignedPath = folder.Create(error) ? folder / ("unsigned-" + name) : std::string();
        DescriptorCloser unsignedFile;
        if (!unsignedPath.empty()) {
            unsignedFile.fd = ::open(unsignedPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (unsignedFile.fd < 0) error = std::strerror(errno);
        }
        if (unsignedFile.fd < 0 || !WriteSetupWithStream(unsignedFile.fd, pe, container, stream, request.stream, error)) {
            PrintError("cannot make " + output + ": " + error);
            return kExitFailure;
        }
        ::close(std::exchange(unsignedFile.fd, -1));
        if (!SignPeFile(request.signing, unsignedPath, folder / name, SignedDescription(document.productName),
                        error)) {
            PrintError("cannot sign " + output + ": " + error);
            return kExitFailure;
        }
        if (!staged.Create(output, error) || !CopyInto(folder / name, staged.Descriptor(), error) ||
            !staged.Commit(error)) {
            PrintError("cannot write " + output + ": " + error);
            return kExitFailure;
        }
        return kExitOk;
    }
#else
    (void)document;
#endif
    if (!staged.Create(output, error) || !WriteSetupWithStream(staged.Descriptor(), pe, container, stream, request.stream, error) ||
        !staged.Commit(error)) {
        PrintError("cannot write " + output + ": " + error);
        return kExitFailure;
    }
    return kExitOk;
}

// Writes the setup program with the container as its resource (signed when asked).
int MakeWithContainer(const MakeRequest& request, const install::InstallDocument& document, resedit::PeFile& pe,
                      ScratchFile& container) {
    pe.SetResource({ResourceKey::Named(kStorageResourceType), ResourceKey::Number(kStorageResourceId),
                    kResourceLanguage, 0, {}, &container});
    std::string error;

    const auto cannotWrite = [&](const std::string& reason) {
        PrintError("cannot write " + request.output.string() + ": " + reason);
        return kExitFailure;
    };
    StagedFile setup;
    if (!setup.Create(request.output.string(), error)) return cannotWrite(error);
#ifdef TKDS_HAVE_SIGNING
    if (request.signing.Wanted()) {
        // Signed in a private folder under its own name, then copied into place.
        PrivateTempFolder folder;
        const std::string fileName = request.output.filename().string();
        const std::string unsignedPath = folder / ("unsigned-" + fileName);
        const std::string signedPath = folder / fileName;
        StagedFile unsignedSetup;
        if (!folder.Create(error) || !unsignedSetup.Create(unsignedPath, error) || !pe.Write(unsignedSetup, error) ||
            !unsignedSetup.Commit(error)) {
            return cannotWrite(error);
        }
        FileSource signedSetup;
        if (!SignPeFile(request.signing, unsignedPath, signedPath, SignedDescription(document.productName), error) ||
            !signedSetup.Open(signedPath, error)) {
            PrintError("cannot sign " + request.output.string() + ": " + error);
            return kExitFailure;
        }
        const auto copy = [&](std::span<const std::uint8_t> chunk) { return setup.Write(chunk, error); };
        if (!storage::ForEachChunk(signedSetup, copy, error) || !setup.Commit(error)) return cannotWrite(error);
        return kExitOk;
    }
#endif
    if (!pe.Write(setup, error) || !setup.Commit(error)) return cannotWrite(error);
    return kExitOk;
}

// The manifests of the written (and signed) file: its hash, and the uninstall
// entry exactly as its setup registers it.
int WriteWingetManifests(MakeRequest& request, const install::InstallDocument& document) {
    std::string error;
    FileSource setup;
    storage::Sha256Hasher hasher;
    const auto hash = [&](std::span<const std::uint8_t> chunk) {
        hasher.Add(chunk);
        return true;
    };
    if (!setup.Open(request.output.string(), error) || !storage::ForEachChunk(setup, hash, error)) {
        PrintError("cannot read " + request.output.string() + " back: " + error);
        return kExitFailure;
    }
    WingetPackage& package = request.winget;
    package.packageVersion = VersionText(request.version);
    package.publisher = request.companyText;
    package.packageName = AnsiToUtf8(document.groupName);
    if (package.shortDescription.empty()) package.shortDescription = AnsiToUtf8(document.productName);
    package.copyright = request.copyrightText;
    package.architecture = std::string(request.arch->name);
    package.scope = request.scope;
    package.installerSha256 = storage::HexDigest(hasher.Finish());
    package.productCode = document.registryRecord;
    package.displayName = AnsiToUtf8(document.groupName + std::string(install::uninstall_layout::kRemoveOnlySuffix));
    package.displayVersion = package.packageVersion;
    if (!CheckWingetPackage(package, error)) {
        PrintError("cannot write the winget manifests: " + error);
        return kExitFailure;
    }
    std::error_code failure;
    fs::create_directories(*request.wingetFolder, failure);
    if (!fs::is_directory(*request.wingetFolder, failure)) {
        PrintError("cannot make the folder " + request.wingetFolder->string() + " for the winget manifests");
        return kExitFailure;
    }
    for (const WingetFile& file : WingetManifests(package)) {
        const std::string path = (*request.wingetFolder / file.name).string();
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.text.data());
        if (!WriteFileBytes(path, {bytes, file.text.size()}, error)) {
            PrintError("cannot write " + path + ": " + error);
            return kExitFailure;
        }
    }
    return kExitOk;
}

int RunMake(const Args& args) {
    MakeRequest request;
    int exitCode = kExitFailure;
    if (!ReadRequest(args, request, exitCode)) return exitCode;
    std::string error;

    const fs::path archFolder = request.stubs / std::string(request.arch->name);
    std::error_code failure;
    if (!fs::is_directory(archFolder, failure)) {
        PrintError("no stub folder " + archFolder.string() + " (--stubs DIR names the folder that holds x86/ and x64/)");
        return kExitFailure;
    }
    const fs::path stub = archFolder / kStubName;
    const fs::path uninstaller = archFolder / kUninstallerName;
    if (SameFile(request.output, stub) || SameFile(request.output, uninstaller)) {
        PrintError("the output " + request.output.string() + " is a file of the stub folder; choose another name");
        return kExitFailure;
    }
    // Absolute: the manifest's relative file names are read from its own folder.
    request.defines.try_emplace("UNINSTALL", fs::absolute(uninstaller, failure).string());
#ifdef TKDS_HAVE_SIGNING
    // The container carries the signed copy of the uninstaller it names.
    PrivateTempFolder signingFolder;
    if (request.signing.Wanted()) {
        const std::string unsignedUninstaller =
            ResolveFile(fs::path(request.manifest).parent_path().string(), request.defines["UNINSTALL"]);
        std::vector<std::uint8_t> unsignedImage;
        if (!ReadFileBytes(unsignedUninstaller, unsignedImage, error)) {
            PrintError("cannot read the uninstaller " + unsignedUninstaller + ": " + error);
            return kExitFailure;
        }
        std::vector<std::uint8_t> signedImage;
        if (!signingFolder.Create(error) ||
            !SignPeImage(request.signing, unsignedImage, kUninstallerName, "", signedImage, error) ||
            !WriteFileBytes(signingFolder / kUninstallerName, signedImage, error)) {
            PrintError("cannot sign the uninstaller " + unsignedUninstaller + ": " + error);
            return kExitFailure;
        }
        request.defines["UNINSTALL"] = signingFolder / kUninstallerName;
    }
#endif

    std::vector<IconImage> icon;
    if (!request.icon.empty()) {
        std::vector<std::uint8_t> bytes;
        if (!ReadFileBytes(request.icon, bytes, error) || !ParseIconFile(bytes, icon, error)) {
            PrintError("icon " + request.icon + ": " + error);
            return kExitFailure;
        }
    }
    std::vector<std::uint8_t> stubBytes;
    resedit::PeFile pe;
    if (!ReadFileBytes(stub.string(), stubBytes, error) || !resedit::PeFile::Parse(stubBytes, pe, error)) {
        PrintError("stub " + stub.string() + ": " + error);
        return kExitFailure;
    }
    if (pe.Machine() != request.arch->machine) {
        PrintError("stub " + stub.string() + " is not an " + std::string(request.arch->name) + " program");
        return kExitFailure;
    }

    // The container goes into a file without a name beside the output and from
    // there into the program as it is written: neither is ever held whole. With a
    // payload stream it holds no streamed node's bytes and is read back whole.
    ScratchFile container;
    const std::string outputFolder = request.output.parent_path().string();
    if (!container.Create(outputFolder, error)) {
        PrintError("cannot write beside " + request.output.string() + ": " + error);
        return kExitFailure;
    }
    std::optional<std::string> documentText;
    StreamPlan stream;
    if (!BuildManifestContainer(request.manifest, request.defines, container, documentText, stream, request.scope)) {
        return kExitFailure;
    }
    install::InstallDocument document;
    if (!ReadDocument(request.manifest, documentText, document) ||
        !CheckUserFolders(request.manifest, request.scope, document)) {
        return kExitFailure;
    }

    pe.RemoveResource(ResourceKey::Named(kStorageResourceType), ResourceKey::Number(kStorageResourceId));
    if (request.scope != install::ProductScope::Machine && !RequestAsInvoker(pe, error)) {
        PrintError("stub " + stub.string() + " cannot start without elevation: " + error);
        return kExitFailure;
    }
    if (!icon.empty()) ReplaceIcon(pe, icon);
    ReplaceVersion(pe, SetupVersionInfo(request, document));
    int made = kExitFailure;
    if (stream.Empty()) {
        made = MakeWithContainer(request, document, pe, container);
    } else {
        std::vector<std::uint8_t> bytes;
        if (!storage::ReadWhole(container, bytes, error)) {
            PrintError("cannot read back the container of " + request.output.string() + ": " + error);
            return kExitFailure;
        }
        made = MakeWithStream(request, document, pe, bytes, stream);
    }
    if (made != kExitOk || !request.wingetFolder) return made;
    return WriteWingetManifests(request, document);
}

}  // namespace

const Command kMakeCommand = {
    "make",
    "MANIFEST -o OUTPUT.exe [--arch x86|x64] [--scope machine|user|both] [-D NAME=VALUE]...\n"
    "           [--icon FILE.ico] [--product-version A.B.C.D] [--company TEXT] [--copyright TEXT]\n"
    "           [--stubs DIR] [--quiet] [--threads N]\n"
    "           [--winget-manifests DIR --package-id Publisher.Product --installer-url URL --license TEXT\n"
    "            [--short-description TEXT] [--locale en-US]]"
#ifdef TKDS_HAVE_SIGNING
    "\n           [--sign-pkcs12 FILE.p12 | --sign-key KEY.pem --sign-cert CERT.pem]"
    "\n           [--sign-password-file FILE | --sign-password-env NAME] [--sign-timestamp URL]"
#endif
    ,
    "make a setup program: MANIFEST's container in a copy of the prebuilt stub, with its icon and version",
    RunMake,
};

}  // namespace tkds
