// Whose settings: each login name has its own ini section.
#pragma once

#include <string>

namespace tolvar::client {

// The login name of the current user, or ".Default" when it cannot be had
// (the section then is "User..Default"). Callers put "User." before it.
std::string GetUserSectionName();

}  // namespace tolvar::client
