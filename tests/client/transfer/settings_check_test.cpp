// The settings check as a table: the boxes as the user left them, the
// messages in order and the numbers a run would use.
#include "client/transfer/settings_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/transfer/transfer_texts.h"

namespace tolvar::client {
namespace settings_check_test {

struct Row {
  const char* name;
  // URL, proxy, proxy port; then the masked boxes exactly as they hold
  // their text (blanks included): retries, interval, time-out.
  const char* url;
  const char* proxy;
  const char* port;
  const char* retries;
  const char* interval;
  const char* timeout;
  std::vector<std::string> messages;
  // Proxy port, retries, interval and time-out in milliseconds.
  std::string numbers;
};

std::string Numbers(const TSettingsCheck& c) {
  return std::to_string(c.ProxyPort) + " " + std::to_string(c.Retries) + " " + std::to_string(c.IntervalMs) + " " +
         std::to_string(c.TimeoutMs);
}

TEST(CheckSettingsTest, MessagesInOrderAndTheNumbersOfTheRun) {
  using namespace texts;
  // clang-format off
  const std::vector<Row> rows = {
      {"AllEmptyButTheUrl", "http://h/", "", "", "  ", "   ", "    ", {}, "-1 0 0 0"},
      {"NoUrl", "", "", "", "", "", "", {kNoUrl}, "-1 0 0 0"},
      {"ProxyWithPort", "u", "proxy", "8080", "", "", "", {}, "8080 0 0 0"},
      {"ProxyPortWithLeadingBlanks", "u", "proxy", "  81", "", "", "", {}, "81 0 0 0"},
      // A trailing blank makes the port no number.
      {"ProxyPortWithTrailingBlank", "u", "proxy", "81 ", "", "", "",
       {kProxyPortNotNumber, kProxyPortNegative}, "-1 0 0 0"},
      {"ProxyWithoutPortReportsThreeLines", "u", "proxy", "", "", "", "",
       {kNoProxyPort, kProxyPortNotNumber, kProxyPortNegative}, "-1 0 0 0"},
      {"NegativePort", "u", "proxy", "-8", "", "", "", {kProxyPortNegative}, "-8 0 0 0"},
      {"PortBeyond32Bits", "u", "proxy", "4294967296", "", "", "",
       {kProxyPortNotNumber, kProxyPortNegative}, "-1 0 0 0"},
      // Without a proxy the port box is not looked at.
      {"PortWithoutProxyIgnored", "u", "", "x", "", "", "", {}, "-1 0 0 0"},
      {"SecondsBecomeMilliseconds", "u", "", "", " 3", " 10", "  20", {}, "-1 3 10000 20000"},
      // A bad time-out counts as none, so retries then want one too.
      {"DigitsSplitByABlank", "u", "", "", "1 ", "1 2", " 3 4",
       {kBadInterval, kBadTimeOut, kRetrysNeedTimeOut}, "-1 1 0 0"},
      {"RetriesWithoutTimeOut", "u", "", "", " 1", "  5", "    ", {kRetrysNeedTimeOut}, "-1 1 5000 0"},
      // A bad count is no count: no time-out needed.
      {"BadRetriesNeedNoTimeOut", "u", "", "", "9 9", "", "", {kBadRetrys}, "-1 0 0 0"},
      {"EveryCheckFails", "", "proxy", "", "1 1", "1 2", "1 1",
       {kNoUrl, kNoProxyPort, kProxyPortNotNumber, kProxyPortNegative, kBadRetrys, kBadInterval, kBadTimeOut},
       "-1 0 0 0"},
      // Seconds beyond what 32 bits hold in milliseconds stay at the bound.
      {"HugeSecondsHeldWithin32Bits", "u", "", "", "", "2147484", "99999999", {}, "-1 0 2147483647 2147483647"},
  };
  // clang-format on
  for (const Row& row : rows) {
    TFormModel model;
    model.EditUrl.Text = row.url;
    model.EditProxy.Text = row.proxy;
    model.EditProxyPort.Text = row.port;
    model.MaskEditRetrys.Text = row.retries;
    model.MaskEditInterval.Text = row.interval;
    model.MaskEditTimeOut.Text = row.timeout;
    const TSettingsCheck check = CheckSettings(model);
    EXPECT_EQ(check.Messages, row.messages) << row.name;
    EXPECT_EQ(check.Ok(), row.messages.empty()) << row.name;
    EXPECT_EQ(Numbers(check), row.numbers) << row.name;
  }
}

}  // namespace settings_check_test
}  // namespace tolvar::client
