// The ini reader (Linux file rules) over arbitrary files: every read stays
// within the 2047-byte cut, a missing key gives the fallback, and a value
// written the way the settings are saved (in double quotes) reads back
// unchanged while every other key keeps its value.
//
// Input: the file's bytes, optionally followed by a NUL and the value to
// write.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_check.h"
#include "platform/profile.h"

namespace {

// One scratch file per fuzzing process, removed at exit.
class TScratchFile {
 public:
  TScratchFile() {
    // In memory where the system has a place for it: every save syncs the
    // file, which on a disk would bound the run at a few hundred a second.
    std::error_code ignored;
    const std::filesystem::path shm = "/dev/shm";
    const std::filesystem::path dir =
        std::filesystem::is_directory(shm, ignored) ? shm : std::filesystem::temp_directory_path();
    std::random_device random;
    path_ = (dir / ("tolvar-ini-fuzz-" + std::to_string(random()) + ".ini")).string();
  }
  ~TScratchFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  const std::string& Fill(std::string_view bytes) {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path_;
  }

 private:
  std::string path_;
};

bool Blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string Trimmed(std::string_view s) {
  while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
  return std::string(s);
}

// The (section, key) pairs the file holds, as a reader of the format sees
// them; a rough scan is enough, the reader decides what they hold.
std::vector<std::pair<std::string, std::string>> Keys(std::string_view content) {
  std::vector<std::pair<std::string, std::string>> keys;
  std::string section;
  bool have_section = false;
  std::size_t pos = 0;
  while (pos < content.size() && keys.size() < 64) {
    std::size_t lf = content.find('\n', pos);
    if (lf == std::string_view::npos) lf = content.size();
    const std::string line = Trimmed(content.substr(pos, lf - pos));
    pos = lf + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const std::size_t close = line.rfind(']');
      section = Trimmed(
          std::string_view(line).substr(1, (close == std::string::npos || close == 0 ? line.size() : close) - 1));
      have_section = true;
    } else if (have_section) {
      keys.emplace_back(section, Trimmed(std::string_view(line).substr(0, line.find('='))));
    }
  }
  return keys;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    if (up(a[i]) != up(b[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TScratchFile scratch;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  const std::string_view content = input.substr(0, nul);
  const std::string& file = scratch.Fill(content);
  const std::string kMissing = "\x01missing";

  const auto keys = Keys(content);
  std::vector<std::string> before;
  for (const auto& [section, key] : keys) {
    before.push_back(tolvar::platform::ReadIniValue(file, section, key, kMissing));
    FUZZ_CHECK(before.back().size() <= tolvar::platform::kProfileReadLimit);
  }
  FUZZ_CHECK(tolvar::platform::ReadIniValue(file, "no such section\x02", "CommandLine", kMissing) == kMissing);
  FUZZ_CHECK(tolvar::platform::ReadIniValue(file, "User.fuzz", "no such key\x02", kMissing) == kMissing);

  if (nul == std::string_view::npos) return 0;
  const std::string value(input.substr(nul + 1));
  if (value.find_first_of("\r\n") != std::string::npos) return 0;  // never one ini line
  // Into the first section and key of the file when they can be written
  // back as such, else a section of its own.
  std::string section = "User.fuzz", key = "CommandLine";
  if (!keys.empty() && keys[0].first.find_first_of("\r\n") == std::string::npos && !keys[0].second.empty() &&
      keys[0].second[0] != '[' && keys[0].second.find_first_of("\r\n") == std::string::npos) {
    section = keys[0].first;
    key = keys[0].second;
  }
  if (!tolvar::platform::WriteIniValue(file, section, key, "\"" + value + "\"")) return 0;
  const std::string back = tolvar::platform::ReadIniValue(file, section, key, kMissing);
  FUZZ_CHECK_MSG(back == value.substr(0, tolvar::platform::kProfileReadLimit), back);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (SameName(keys[i].first, section) && SameName(keys[i].second, key)) continue;
    FUZZ_CHECK_MSG(tolvar::platform::ReadIniValue(file, keys[i].first, keys[i].second, kMissing) == before[i],
                   keys[i].first + " / " + keys[i].second);
  }
  return 0;
}
