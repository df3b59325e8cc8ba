// Read-only access to string values of the current user's registry.
#pragma once

#include <string>

namespace tolvar::platform {

// Reads the string value `name` below HKEY_CURRENT_USER\`key_path`, opening
// the key for reading only and never creating it. False when the key or the
// value is missing or is no string; Linux has no registry and always says so.
bool ReadCurrentUserString(const std::string& key_path, const std::string& name, std::string* value);

}  // namespace tolvar::platform
