#pragma once

#include <filesystem>

#include "core/platform/date.h"

namespace vmx::store {

// The two managed accounts every installation has, and the template directory
// a new account's tables are copied from.
inline constexpr const char* kMyAccountName = "我的帐户";
inline constexpr const char* kMyAccountDir = "user";
inline constexpr const char* kDemoAccountName = "示范帐户";
inline constexpr const char* kDemoAccountDir = "demo";
inline constexpr const char* kTemplateDir = "empty";

// Lays out a new installation directory: every program-directory table with its
// reference data (security types, code ranges, brokers, currencies, the
// security list, quote sources, order programs, investment types); the template
// directory "empty" with every account table, empty; the account list z.db
// with 我的帐户 (user/) and 示范帐户 (demo/, last picked), both without a
// password, their directories filled from the template. With `demo`, the demo
// account holds a portfolio (holdings as a valuation leaves them, pending
// orders, closed trades), a year of fund history and the investors' addresses,
// all dated relative to `today`. The program's help file is copied in when
// there is one (program_help_file).
//
// `dir` is created when it does not exist. Throws Error, before writing
// anything, when `dir` is not an empty directory; on any later failure (a
// table that cannot be written) everything written so far is removed again
// and the Error is passed on.
void init_installation(const std::filesystem::path& dir, bool demo, Date today);
// The same, dated relative to the local current date.
void init_installation(const std::filesystem::path& dir, bool demo);

// The help file this program came with, or an empty path when there is none:
// valmorix.hlp in help/ beside the running program (a build) or in
// ../share/valmorix/ from it (an installed package).
std::filesystem::path program_help_file();

// The local current date.
Date local_today();

}  // namespace vmx::store
