#include "install/InstallScope.h"

namespace install {

std::string_view ProductScopeName(ProductScope scope) noexcept {
    switch (scope) {
        case ProductScope::User: return "user";
        case ProductScope::Both: return "both";
        case ProductScope::Machine: break;
    }
    return "machine";
}

std::optional<ProductScope> ParseProductScope(std::string_view name) noexcept {
    for (ProductScope scope : {ProductScope::Machine, ProductScope::User, ProductScope::Both}) {
        if (name == ProductScopeName(scope)) return scope;
    }
    return std::nullopt;
}

bool Offers(ProductScope product, InstallScope scope) noexcept {
    if (product == ProductScope::Both) return true;
    return (product == ProductScope::User) == (scope == InstallScope::User);
}

}  // namespace install
