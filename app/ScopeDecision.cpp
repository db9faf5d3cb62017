#include "app/ScopeDecision.h"

#include "app/SetupCommandLine.h"

namespace app {

namespace {

using install::InstallScope;
using install::ProductScope;

ScopeDecision Refuse(std::string message, int exitCode) {
    ScopeDecision decision;
    decision.action = ScopeDecision::Action::Refuse;
    decision.message = std::move(message);
    decision.exitCode = exitCode;
    return decision;
}

ScopeDecision Decided(ScopeDecision::Action action, InstallScope scope) {
    ScopeDecision decision;
    decision.action = action;
    decision.scope = scope;
    return decision;
}

}  // namespace

ScopeDecision DecideScope(ProductScope product, std::optional<InstallScope> requested, bool elevated,
                          bool interactive) {
    if (requested && !install::Offers(product, *requested)) {
        return Refuse(*requested == InstallScope::User
                          ? "/CURRENTUSER: this product installs for all users only."
                          : "/ALLUSERS: this product installs for the current user only.",
                      kExitBadCommandLine);
    }
    const InstallScope wanted = requested.value_or(
        product == ProductScope::User || (product == ProductScope::Both && !elevated) ? InstallScope::User
                                                                                      : InstallScope::Machine);
    if (wanted == InstallScope::User && elevated) {
        return Refuse("This product installs for the current user, and setup runs with administrator rights. "
                      "Start setup as the user it is for, without \"Run as administrator\".",
                      kExitFailed);
    }
    if (wanted == InstallScope::Machine && !elevated && product == ProductScope::Both) {
        return Decided(ScopeDecision::Action::Elevate, InstallScope::Machine);
    }
    if (product == ProductScope::Both && !requested && interactive && !elevated) {
        return Decided(ScopeDecision::Action::ChooseInWindow, wanted);
    }
    return Decided(ScopeDecision::Action::Install, wanted);
}

std::string ElevationRefusedText() {
    return "Installing for all users needs administrator rights, and they were not given. Nothing was installed.";
}

}  // namespace app
