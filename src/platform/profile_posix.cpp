#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/profile.h"
#include "platform/replace_file_posix.h"

namespace tolvar::platform {
namespace {

// One line of the file with its own line end ("\n", "\r\n" or none at the
// very end), so that lines nobody changes are written back byte for byte.
struct Line {
  std::string text;
  std::string end;
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::vector<Line> SplitLines(const std::string& content) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < content.size()) {
    const std::size_t lf = content.find('\n', pos);
    if (lf == std::string::npos) {
      lines.push_back({content.substr(pos), ""});
      break;
    }
    std::size_t stop = lf;
    if (stop > pos && content[stop - 1] == '\r') --stop;
    lines.push_back({content.substr(pos, stop - pos), content.substr(stop, lf + 1 - stop)});
    pos = lf + 1;
  }
  return lines;
}

// The name of a "[name]" line, or false for any other line.
bool SectionName(const std::string& line, std::string* name) {
  const std::string t = Trim(line);
  if (t.empty() || t[0] != '[') return false;
  const std::size_t close = t.rfind(']');
  *name = Trim(t.substr(1, (close == std::string::npos || close == 0 ? t.size() : close) - 1));
  return true;
}

// The key of a "key=value" line (the whole line when it has no "="); false
// for comments.
bool KeyOf(const std::string& line, std::string* key, std::string* value) {
  const std::string t = Trim(line);
  if (t.empty() || t[0] == ';') return false;
  const std::size_t eq = t.find('=');
  *key = Trim(t.substr(0, eq));
  *value = eq == std::string::npos ? std::string() : Trim(t.substr(eq + 1));
  return true;
}

bool ReadAll(const std::string& file, std::string* content) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    content->append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

// Creates the directories above `file` that are missing.
void MakeParentDirectories(const std::string& file) {
  for (std::size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1))
    ::mkdir(file.substr(0, slash).c_str(), 0700);
}

// The user's home folder: $HOME when it is an absolute path, else the
// password database's entry of the effective user; empty when neither has
// one.
std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buf(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
  struct passwd pw;
  struct passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/')
    return found->pw_dir;
  return {};
}

}  // namespace

std::string SettingsFilePath(const std::string& program_path) {
  std::string name = program_path.substr(program_path.rfind('/') + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  // Only absolute paths count (the XDG base directory rule): a relative one
  // would put the settings wherever the run happens to start, where anyone
  // who can write that folder could plant them.
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/" + name + ".ini";
  const std::string home = HomeDirectory();
  return home.empty() ? std::string() : home + "/.config/" + name + ".ini";
}

std::string ReadIniValue(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& fallback) {
  std::string content;
  std::string result = fallback;
  if (ReadAll(file, &content)) {
    bool in_section = false;
    for (const Line& line : SplitLines(content)) {
      std::string name, value;
      if (SectionName(line.text, &name)) {
        // The first section of that name is the one that counts.
        if (in_section) break;
        in_section = SameName(name, section);
      } else if (in_section && KeyOf(line.text, &name, &value) && SameName(name, key)) {
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
          value = value.substr(1, value.size() - 2);
        result = value;
        break;
      }
    }
  }
  if (result.size() > kProfileReadLimit) result.resize(kProfileReadLimit);
  return result;
}

bool WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) {
  if (file.empty()) return false;  // no settings file for a user without a home folder
  mode_t mode = 0600;
  struct stat st;
  std::string content;
  if (::stat(file.c_str(), &st) == 0) {
    // A file without its owner's write bit is read-only, for root too.
    if (!S_ISREG(st.st_mode) || !(st.st_mode & S_IWUSR) || !ReadAll(file, &content)) return false;
    mode = st.st_mode & 07777;
  } else {
    MakeParentDirectories(file);
  }
  std::vector<Line> lines = SplitLines(content);
  // New lines take the line end the file already uses.
  std::string eol = "\n";
  for (const Line& line : lines)
    if (!line.end.empty()) {
      eol = line.end;
      break;
    }
  const std::string entry = key + "=" + value;

  std::size_t section_at = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string name;
    if (SectionName(lines[i].text, &name) && SameName(name, section)) {
      section_at = i;
      break;
    }
  }
  if (section_at == lines.size()) {
    if (!lines.empty() && lines.back().end.empty()) lines.back().end = eol;
    if (!lines.empty() && !Trim(lines.back().text).empty()) lines.push_back({"", eol});
    lines.push_back({"[" + section + "]", eol});
    lines.push_back({entry, eol});
  } else {
    std::size_t last_entry = section_at;  // the last non-blank line of the section
    bool replaced = false;
    for (std::size_t i = section_at + 1; i < lines.size(); ++i) {
      std::string name, old;
      if (SectionName(lines[i].text, &name)) break;
      if (!Trim(lines[i].text).empty()) last_entry = i;
      if (KeyOf(lines[i].text, &name, &old) && SameName(name, key)) {
        lines[i].text = entry;
        replaced = true;
        break;
      }
    }
    if (!replaced) {
      if (lines[last_entry].end.empty()) lines[last_entry].end = eol;
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last_entry) + 1, Line{entry, eol});
    }
  }
  std::string out;
  for (const Line& line : lines) out += line.text + line.end;
  return ReplaceFileContent(file, out, mode);
}

}  // namespace tolvar::platform
