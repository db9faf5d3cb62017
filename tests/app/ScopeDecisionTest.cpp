#include "app/ScopeDecision.h"

#include <gtest/gtest.h>

#include "app/SetupCommandLine.h"

namespace app {
namespace {

using install::InstallScope;
using install::ProductScope;
using Action = ScopeDecision::Action;

TEST(DecideScope, EveryProductEveryRequestElevatedOrNot) {
    constexpr auto User = InstallScope::User;
    constexpr auto Machine = InstallScope::Machine;
    struct Case {
        ProductScope product;
        std::optional<InstallScope> requested;
        bool elevated;
        bool interactive;
        Action action;
        InstallScope scope;  // for Install, ChooseInWindow and Elevate
        int exitCode;        // for Refuse
    };
    const Case cases[] = {
        // A machine product behaves as it always has, however it is started.
        {ProductScope::Machine, std::nullopt, true, true, Action::Install, Machine, 0},
        {ProductScope::Machine, std::nullopt, false, false, Action::Install, Machine, 0},
        {ProductScope::Machine, Machine, true, false, Action::Install, Machine, 0},
        {ProductScope::Machine, User, false, false, Action::Refuse, Machine, kExitBadCommandLine},
        // A user product never runs elevated and never installs for all.
        {ProductScope::User, std::nullopt, false, true, Action::Install, User, 0},
        {ProductScope::User, User, false, false, Action::Install, User, 0},
        {ProductScope::User, std::nullopt, true, false, Action::Refuse, Machine, kExitFailed},
        {ProductScope::User, Machine, false, false, Action::Refuse, Machine, kExitBadCommandLine},
        // Both: the user by default unelevated, all users elevated; the window asks.
        {ProductScope::Both, std::nullopt, false, false, Action::Install, User, 0},
        {ProductScope::Both, std::nullopt, false, true, Action::ChooseInWindow, User, 0},
        {ProductScope::Both, std::nullopt, true, true, Action::Install, Machine, 0},
        {ProductScope::Both, Machine, false, false, Action::Elevate, Machine, 0},
        {ProductScope::Both, Machine, false, true, Action::Elevate, Machine, 0},
        {ProductScope::Both, Machine, true, false, Action::Install, Machine, 0},
        {ProductScope::Both, User, false, true, Action::Install, User, 0},
        {ProductScope::Both, User, true, false, Action::Refuse, Machine, kExitFailed},
    };
    int row = 0;
    for (const Case& c : cases) {
        const ScopeDecision decision = DecideScope(c.product, c.requested, c.elevated, c.interactive);
        EXPECT_EQ(decision.action, c.action) << "row " << row;
        if (c.action == Action::Refuse) {
            EXPECT_EQ(decision.exitCode, c.exitCode) << "row " << row;
            EXPECT_FALSE(decision.message.empty()) << "row " << row;
        } else {
            EXPECT_EQ(decision.scope, c.scope) << "row " << row;
        }
        ++row;
    }
}

}  // namespace
}  // namespace app
