#pragma once

#include <filesystem>
#include <optional>

#include "core/platform/date.h"
#include "core/platform/dialogs.h"

namespace vmx::store {

// Where the program may find its installation when it starts.
struct StartPlaces {
  std::filesystem::path current;     // the working directory
  std::filesystem::path remembered;  // the installation used last; empty for none
  std::filesystem::path home;        // the user's home directory
};

// Offered for a new installation, in the home directory.
inline constexpr const char* kSuggestedInstallation = "valmorix";

// Whether `dir` is an installation: it holds the account list z.db.
bool is_installation(const std::filesystem::path& dir);

// The installation the program works on. The working directory when it is one
// (the program started in it), else the one used last while it still is one.
// Else the user is asked for a directory: an existing installation is taken;
// a new or empty directory gets a new installation laid out as
// init_installation lays it out, after a question; anything else is refused
// and asked again. nullopt when the user cancels: the program then starts in
// the working directory and the login window says the account list is missing.
std::optional<std::filesystem::path> choose_installation(const StartPlaces& places,
                                                         platform::Dialogs& dialogs, Date today);

}  // namespace vmx::store
