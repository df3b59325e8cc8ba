// The whole help page against pages written down beforehand, byte for byte.
// The expected pages (Shift_JIS, CR LF) sit beside this file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "client/help/help_document.h"

namespace tolvar::client {
namespace help_document_golden_test {

std::string Golden(const char* name) {
  const auto path = std::filesystem::path(__FILE__).parent_path() / name;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string GoldenPage(std::vector<std::string> args) {
  TCommandLineOption o;
  o.FVersion = "1.2.3.4";
  args.insert(args.begin(), "tolvar");
  o.ParseArguments(args);
  return BuildHelpDocument(o, "C:\\tools\\tolvara.htm");
}

// The first differing line, for a readable failure.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
  std::size_t i = 0;
  while (i < expected.size() && i < actual.size() && expected[i] == actual[i]) ++i;
  const std::size_t line_start = expected.rfind('\n', i == 0 ? 0 : i - 1);
  const std::size_t from = line_start == std::string::npos ? 0 : line_start + 1;
  return "at byte " + std::to_string(i) + ": expected line \"" +
         expected.substr(from, expected.find('\r', from) - from) + "\", got \"" +
         actual.substr(from, actual.find('\r', from) - from) + "\"";
}

TEST(BuildHelpDocumentGoldenTest, DefaultSettings) {
  std::string expected = Golden("help_page_defaults.htm");
  // Where message lines end in LF by default, the page says so.
  const std::string dos = "</B>: DOS ";
  ASSERT_NE(expected.find(dos), std::string::npos);
  if (platform::LfEndsLinesByDefault()) expected.replace(expected.find(dos), dos.size(), "</B>: UNIX ");
  const std::string actual = GoldenPage({});
  EXPECT_TRUE(actual == expected) << FirstDifference(expected, actual);
}

TEST(BuildHelpDocumentGoldenTest, SettingsGivenOnTheCommandLine) {
  const std::string expected = Golden("help_page_given.htm");
  const std::string actual = GoldenPage({"-lu", "-q",       "-p",  "proxy.example",
                                         "-c",  "8080",     "-r",  "http://ref.example/page",
                                         "-xu", "alice",    "-fm", "POST",
                                         "-ff", "data.bin", "-h",  "head.txt",
                                         "-b",  "body.txt", "-u",  "http://host.example/path",
                                         "-a",  "3",        "-i",  "20",
                                         "-t",  "60"});
  EXPECT_TRUE(actual == expected) << FirstDifference(expected, actual);
}

}  // namespace help_document_golden_test
}  // namespace tolvar::client
