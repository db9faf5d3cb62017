#include "install/FolderTrust_win.h"

#include <aclapi.h>
#include <sddl.h>

#include <initializer_list>

namespace install {

namespace {

// A SID in a buffer of its own: S-<authority>-<sub authorities...>.
class LocalSid {
public:
    LocalSid(BYTE authority, std::initializer_list<DWORD> subAuthorities) {
        SID_IDENTIFIER_AUTHORITY identifier = {{0, 0, 0, 0, 0, authority}};
        InitializeSid(Get(), &identifier, static_cast<BYTE>(subAuthorities.size()));
        DWORD index = 0;
        for (const DWORD part : subAuthorities) *GetSidSubAuthority(Get(), index++) = part;
    }
    PSID Get() noexcept { return buffer_; }

private:
    alignas(DWORD) BYTE buffer_[SECURITY_MAX_SID_SIZE] = {};
};

// The running account's SID. Elevated, the account is an administrator; without
// elevation (an installation for the current user) what it may change is its own.
class RunningAccount {
public:
    RunningAccount() {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
        DWORD size = 0;
        const BOOL read = GetTokenInformation(token, TokenUser, user_, sizeof user_, &size);
        CloseHandle(token);
        known_ = read != FALSE;
    }
    bool Is(PSID sid) const noexcept {
        return known_ && EqualSid(reinterpret_cast<const TOKEN_USER*>(user_)->User.Sid, sid);
    }

private:
    alignas(8) BYTE user_[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    bool known_ = false;
};

class Administrators {
public:
    bool Include(PSID sid) noexcept {
        return EqualSid(sid, system_.Get()) || EqualSid(sid, administrators_.Get()) ||
               EqualSid(sid, trustedInstaller_.Get()) || account_.Is(sid);
    }

private:
    LocalSid system_{5, {SECURITY_LOCAL_SYSTEM_RID}};
    LocalSid administrators_{5, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}};
    LocalSid trustedInstaller_{5, {80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464}};
    RunningAccount account_;
};

ACCESS_MASK RightsOfChange(FolderChange change) noexcept {
    ACCESS_MASK rights = FILE_ADD_FILE | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
    if (change == FolderChange::AddAnything) rights |= FILE_ADD_SUBDIRECTORY | DELETE;
    return rights;
}

}  // namespace

bool OthersMayChange(HANDLE folder, FolderChange change) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                        nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return true;
    }
    Administrators administrators;
    // Creator owner and creator group stand for whoever makes a child: on the
    // folder itself their entries grant nothing. Owner rights is the owner.
    LocalSid creatorOwner(3, {0});
    LocalSid creatorGroup(3, {1});
    LocalSid ownerRights(3, {4});
    const bool ownerTrusted = owner && administrators.Include(owner);
    bool open = !ownerTrusted || !dacl;  // no access list: everyone may do anything
    const ACCESS_MASK rights = RightsOfChange(change);
    for (DWORD index = 0; !open && index < dacl->AceCount; ++index) {
        void* entry = nullptr;
        if (!GetAce(dacl, index, &entry)) {
            open = true;
            break;
        }
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceFlags & INHERIT_ONLY_ACE) continue;
        const bool allows = header->AceType == ACCESS_ALLOWED_ACE_TYPE ||
                            header->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE ||
                            header->AceType == ACCESS_ALLOWED_OBJECT_ACE_TYPE ||
                            header->AceType == ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE;
        if (!allows) continue;
        // Every allowing entry has its mask first; only the plain kinds have the SID right after it.
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        if (!(allowed->Mask & rights)) continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE) {
            open = true;
            break;
        }
        const PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if (EqualSid(sid, creatorOwner.Get()) || EqualSid(sid, creatorGroup.Get()) ||
            EqualSid(sid, ownerRights.Get()) || administrators.Include(sid)) {
            continue;
        }
        open = true;
    }
    LocalFree(descriptor);
    return open;
}

SecurityFromText::SecurityFromText(const wchar_t* text) {
    if (text) ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &descriptor_, nullptr);
}

SecurityFromText::~SecurityFromText() {
    if (descriptor_) LocalFree(descriptor_);
}

}  // namespace install
