#pragma once
// Whom a product installs for. A product offers the machine (all users: Program
// Files, the records under HKEY_LOCAL_MACHINE, administrator rights), the current
// user (the user's own programs folder and HKEY_CURRENT_USER, no administrator
// rights), or both, as its maker chose when the setup program was made. One run
// of setup installs for one of them.
//
// The container says which: a String node kScopeNode at its root holding the
// product scope's name. A container without it offers the machine only, as every
// container did before products could install per user.
#include <optional>
#include <string_view>

namespace install {

enum class ProductScope { Machine, User, Both };
enum class InstallScope { Machine, User };

inline constexpr std::string_view kScopeNode = "Scope";

// "machine", "user", "both": the node's text, tkds's --scope values and what tkds list shows.
std::string_view ProductScopeName(ProductScope scope) noexcept;
// The scope a name gives; nothing for any other text (letter case counts).
std::optional<ProductScope> ParseProductScope(std::string_view name) noexcept;
// True when a product of this scope may be installed for whom.
bool Offers(ProductScope product, InstallScope scope) noexcept;

}  // namespace install
