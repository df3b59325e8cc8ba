// Replacing a whole file on Linux so that a crash, a full disk or a planted
// link never leaves a half-written or misdirected file: the settings file
// and the help page are both written this way.
#pragma once

#include <string>

namespace tolvar::platform {

// Writes `content` to a new file beside `file` (created exclusively, so an
// existing name, a link too, is never opened), flushes it to the disk and
// renames it over `file`: `file` is then either its old self or the whole
// new content, and a link at `file` is replaced, never followed. `mode`
// becomes the new file's permission bits. False on any failure; the
// temporary file is removed then.
bool ReplaceFileContent(const std::string& file, const std::string& content, unsigned mode);

}  // namespace tolvar::platform
