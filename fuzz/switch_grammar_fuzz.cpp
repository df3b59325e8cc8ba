// The switch grammar: a stored switch string, tokenised and applied, built
// back with BuildCommandLine and applied again, gives the same savable
// option set. The credentials never come back, no switch appears that was
// not saved, and a value that one token cannot hold (a line break, or both
// kinds of quote) is left out and named.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "client/options/command_line_option.h"
#include "client/support/url_text.h"
#include "fuzz_check.h"

namespace {

using tolvar::client::TCommandLineOption;

struct TSaved {
  const char* sw;
  std::string TCommandLineOption::*field;
};

const TSaved kSaved[] = {
    {"-u", &TCommandLineOption::FUrl},        {"-r", &TCommandLineOption::FReferer},
    {"-p", &TCommandLineOption::FProxyHost},  {"-c", &TCommandLineOption::FProxyPort},
    {"-h", &TCommandLineOption::FHeaderFile}, {"-b", &TCommandLineOption::FBodyFile},
    {"-a", &TCommandLineOption::FRetrys},     {"-i", &TCommandLineOption::FInterval},
    {"-t", &TCommandLineOption::FTimeOut},
};

bool Holds(const std::vector<std::string>& list, std::string_view item) {
  for (const std::string& s : list)
    if (s == item) return true;
  return false;
}

bool Unstorable(const std::string& value) {
  return value.find_first_of("\r\n") != std::string::npos ||
         (value.find('"') != std::string::npos && value.find('\'') != std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string stored(reinterpret_cast<const char*>(data), size);
  TCommandLineOption first;
  first.ParseArguments(tolvar::client::SplitCommandLine("tolvar", stored));
  std::vector<std::string> left_out;
  const std::string built = first.BuildCommandLine(&left_out);
  FUZZ_CHECK(built.empty() || built.back() == ' ');
  FUZZ_CHECK(built.find_first_of("\r\n") == std::string::npos);

  // What the first set holds in the form it is stored in.
  const std::string url = tolvar::client::UrlWithoutUserInfo(first.FUrl);
  for (const TSaved& s : kSaved) {
    const std::string& value = s.field == &TCommandLineOption::FUrl ? url : first.*s.field;
    FUZZ_CHECK(Holds(left_out, s.sw) == Unstorable(value));
  }
  const char* data_switch = first.FPostPutAsFileName ? "-ff" : "-fs";
  FUZZ_CHECK(Holds(left_out, data_switch) == Unstorable(first.FPostPutData));

  TCommandLineOption second;
  second.ParseArguments(tolvar::client::SplitCommandLine("tolvar", built));
  FUZZ_CHECK(second.FUserName.empty() && second.FPassword.empty());
  FUZZ_CHECK(!second.FIgnoreIni && (second.FFlags & ~std::uint32_t{tolvar::client::ofUnixStyle}) == 0);

  FUZZ_CHECK((second.FFlags & tolvar::client::ofUnixStyle) == (first.FFlags & tolvar::client::ofUnixStyle));
  for (const TSaved& s : kSaved) {
    const std::string& value = s.field == &TCommandLineOption::FUrl ? url : first.*s.field;
    const std::string expected = Unstorable(value) ? std::string() : value;
    FUZZ_CHECK_MSG(second.*s.field == expected, std::string(s.sw) + " [" + second.*s.field + "] [" + expected + "]");
  }
  FUZZ_CHECK(second.FMethod == first.FMethod);
  if (!Unstorable(first.FPostPutData)) {
    FUZZ_CHECK(second.FPostPutData == first.FPostPutData);
    if (!first.FPostPutData.empty()) FUZZ_CHECK(second.FPostPutAsFileName == first.FPostPutAsFileName);
  }
  // Stable from here on: the second set stores the same string.
  std::vector<std::string> second_left_out;
  FUZZ_CHECK(second.BuildCommandLine(&second_left_out) == built);
  FUZZ_CHECK(second_left_out.empty());
  return 0;
}
