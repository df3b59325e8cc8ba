// The controller over its form model and the window host of the build,
// against scripted loopback servers: the settings check, the exit-code
// order, retries, abort, and closing during a transfer or a retry wait.
#include "client/transfer/form_main.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "client/options/command_line_option.h"
#include "client/transfer/transfer_messages.h"
#include "client/transfer/transfer_texts.h"
#include "support/file_bytes.h"
#include "support/loopback.h"
#include "support/scripted_server.h"
#include "support/temp_path.h"

namespace tolvar::client {
namespace form_main_test {

using tolvar::testing::TScript;
using tolvar::testing::TScriptedServer;

using tolvar::testing::kHeadEnd;

using tolvar::testing::LoopbackUrl;
using tolvar::testing::ReadFileBytes;
using tolvar::testing::RefusedPort;

// The window: forwards every event to the form and lets a test act after a
// message was handled, on the window's thread, as a user would.
class Harness : public platform::TWindowEvents {
 public:
  Harness()
      : body_(tolvar::testing::FreshTempPath("tolvar_form_body.bin")),
        header_(tolvar::testing::FreshTempPath("tolvar_form_header.txt")) {
    options.FFlags = ofQuiet;
    options.FIgnoreIni = true;
    options.FBodyFile = body_;
    options.FHeaderFile = header_;
  }

  std::intptr_t OnMessage(std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam) override {
    const std::intptr_t r = form.OnMessage(msg, wparam, lparam);
    if (after) after(msg, wparam);
    return r;
  }
  void OnCloseRequest() override { form.OnCloseRequest(); }
  void OnClose() override { form.OnClose(); }

  // Creates the window and runs it until it closes.
  void Run() {
    host = std::make_unique<platform::TWindowHost>("Quillon", kDesignBounds, *this);
    form.FormCreate(*host);
    host->Show((options.FFlags & ofQuiet) != 0);
    if (before_loop) before_loop();
    host->Run();
    form.FormDestroy();
  }

  const std::vector<std::string>& Log() const { return form.Model().StatusLog; }
  std::size_t Count(const std::string& line) const { return std::count(Log().begin(), Log().end(), line); }
  bool Has(const std::string& line) const { return Count(line) > 0; }
  std::string Body() const { return ReadFileBytes(body_); }
  std::string Header() const { return ReadFileBytes(header_); }
  std::string Dump() const {
    std::string all;
    for (const auto& l : Log()) all += l + "\n";
    return all;
  }

  TCommandLineOption options;
  TFormMain form{options};
  std::unique_ptr<platform::TWindowHost> host;
  std::function<void(std::uint32_t, std::uintptr_t)> after;
  std::function<void()> before_loop;

 private:
  std::string body_;
  std::string header_;
};

TEST(TFormMainCheckTest, EveryFailingCheckReportedInOrder) {
  Harness h;
  h.options.FUrl = "";
  h.options.FProxyHost = "proxy.test";
  h.options.FRetrys = "1";
  h.Run();
  EXPECT_EQ(h.Log(), (std::vector<std::string>{texts::kNoUrl, texts::kNoProxyPort, texts::kProxyPortNotNumber,
                                               texts::kProxyPortNegative, texts::kRetrysNeedTimeOut}));
  EXPECT_EQ(h.options.FExitCode, 1);
  EXPECT_TRUE(h.host->Closed());
  // The settings are editable again.
  EXPECT_TRUE(h.form.Model().ButtonConnect.Enabled);
  EXPECT_FALSE(h.form.Model().EditUrl.ReadOnly);
}

TEST(TFormMainCheckTest, NumbersSplitByBlanksAndNegativePort) {
  Harness h;
  h.options.FUrl = "http://127.0.0.1:1/";
  h.options.FProxyHost = "proxy.test";
  h.options.FProxyPort = "-8";
  h.before_loop = [&] {
    h.form.Model().MaskEditRetrys.Text = "1 ";
    h.form.Model().MaskEditInterval.Text = "1 2";
    h.form.Model().MaskEditTimeOut.Text = "  3 ";
  };
  h.Run();
  EXPECT_EQ(h.Log(), (std::vector<std::string>{texts::kProxyPortNegative, texts::kBadInterval}));
  EXPECT_EQ(h.options.FExitCode, 1);
}

TEST(TFormMainRunTest, SuccessLogsInOrderAndWritesBodyAndHeader) {
  TScriptedServer server({TScript()
                              .ReadUntil(kHeadEnd)
                              .Send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nX-Test: 1\r\n\r\nhello")
                              .WaitPeerClose()});
  Harness h;
  // A host name, so that resolving is reported too.
  h.options.FUrl = "http://localhost:" + std::to_string(server.Port()) + "/page";
  h.options.FRetrys = "3";
  h.options.FTimeOut = "10";
  h.Run();
  const std::vector<std::string> expected{texts::kHostResolved,
                                          texts::kConnected,
                                          texts::kConnectionClosed,
                                          "HTTP/1.1 200 OK",
                                          "Content-Length: 5",
                                          "X-Test: 1",
                                          "Length(Header)=47, Length(Body)=5",
                                          "ExitCode=0"};
  EXPECT_EQ(h.Log(), expected) << h.Dump();
  EXPECT_EQ(h.options.FExitCode, 0);
  EXPECT_EQ(h.Body(), "hello");
  EXPECT_EQ(h.Header(), "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nX-Test: 1\r\n");
  EXPECT_EQ(server.Accepted(), 1u);  // no retry after a success
}

TEST(TFormMainRunTest, RefusedConnectionRetriesWithCountAndLines) {
  Harness h;
  h.options.FUrl = "http://127.0.0.1:" + std::to_string(RefusedPort()) + "/";
  h.options.FRetrys = "2";
  h.options.FInterval = "0";
  h.options.FTimeOut = "5";
  h.Run();
  EXPECT_EQ(h.options.FExitCode, 3);
  const std::string retry_line = std::string("0") + texts::kRetryInSuffix;
  EXPECT_EQ(h.Count(retry_line), 2u) << h.Dump();
  EXPECT_EQ(h.Count("Length(Header)=2, Length(Body)=0"), 3u) << h.Dump();
  const auto& log = h.Log();
  for (std::size_t i = 0; i + 1 < log.size(); ++i) {
    if (log[i] == retry_line) {
      EXPECT_EQ(log[i + 1], "");
    }
  }
  EXPECT_EQ(log.back(), "ExitCode=3");
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("GET: ", 0) == 0; }), 3);
}

TEST(TFormMainRunTest, NotFoundRetriedAndEndsWithFour) {
  const std::string answer = "HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nno!";
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send(answer).WaitPeerClose(),
                          TScript().ReadUntil(kHeadEnd).Send(answer).WaitPeerClose()});
  Harness h;
  h.options.FUrl = LoopbackUrl(server);
  h.options.FRetrys = "1";
  h.options.FInterval = "0";
  h.options.FTimeOut = "5";
  h.Run();
  EXPECT_EQ(server.Accepted(), 2u);
  EXPECT_EQ(h.options.FExitCode, 4) << h.Dump();
}

TEST(TFormMainRunTest, BodyShorterThanContentLengthEndsWithThree) {
  TScriptedServer server(
      {TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabc").Close()});
  Harness h;
  h.options.FUrl = LoopbackUrl(server);
  h.Run();
  EXPECT_EQ(h.options.FExitCode, 3) << h.Dump();
  EXPECT_TRUE(h.Has("Length(Header)=37, Length(Body)=3")) << h.Dump();
}

// Redirects are not followed; an empty 3xx used to pass the length check
// and end with success.
TEST(TFormMainRunTest, RegressionEmptyRedirectOrNotModifiedIsNoSuccess) {
  struct Case {
    const char* answer;
    int exit_code;
  };
  for (const Case& c : {Case{"HTTP/1.1 301 Moved Permanently\r\nLocation: /x\r\nContent-Length: 0\r\n\r\n", 3},
                        Case{"HTTP/1.1 302 Found\r\nLocation: /x\r\nContent-Length: 0\r\n\r\n", 3},
                        Case{"HTTP/1.1 304 Not Modified\r\nContent-Length: 0\r\n\r\n", 3},
                        Case{"HTTP/1.1 201 Created\r\nLocation: /new\r\nContent-Length: 0\r\n\r\n", 0}}) {
    TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send(c.answer).WaitPeerClose()});
    Harness h;
    h.options.FUrl = LoopbackUrl(server);
    h.Run();
    EXPECT_EQ(h.options.FExitCode, c.exit_code) << c.answer << h.Dump();
  }
}

TEST(TFormMainRunTest, PostSendsTheLiteralDataUnlessTheBoxWasEdited) {
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).ReadCount(4).Send("HTTP/1.0 200 OK\r\n\r\n").Close()});
  Harness h;
  h.options.FUrl = LoopbackUrl(server, "/form");
  h.options.FMethod = 1;
  h.options.FPostPutData = "a\nb\r";  // more than the one-line box can hold
  h.Run();
  ASSERT_TRUE(server.WaitDone(10000));
  EXPECT_EQ(server.Received(0).substr(server.Received(0).size() - 8), "\r\n\r\na\nb\r");
  EXPECT_EQ(h.options.FPostPutData, "a\nb\r");
  EXPECT_EQ(h.options.FExitCode, 0) << h.Dump();
}

// Regression: the failure was reported and then an empty request went out
// (a PUT emptied the file on the server) and the run ended with 0. Now no
// request goes, the body file is left alone and the run ends with 1.
TEST(TFormMainRunTest, RegressionMissingDataFileIsReportedAndNothingIsSent) {
  for (const std::uint8_t method : {std::uint8_t{1}, std::uint8_t{2}}) {
    TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 204 No Content\r\n\r\n").Close()});
    Harness h;
    h.options.FUrl = LoopbackUrl(server);
    h.options.FMethod = method;
    h.options.FRetrys = "2";
    h.options.FTimeOut = "5";
    h.options.FPostPutData = tolvar::testing::FreshTempPath("tolvar_no_such_data.bin");
    h.options.FPostPutAsFileName = true;
    h.Run();
    EXPECT_EQ(server.Accepted(), 0u);
    const std::string prefix = std::string(texts::kFilePrefix) + h.options.FPostPutData + "\". ";
    EXPECT_EQ(h.Log().front().rfind(prefix, 0), 0u) << h.Dump();
    EXPECT_EQ(h.Log().back(), "ExitCode=1") << h.Dump();
    EXPECT_EQ(h.options.FExitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(h.options.FBodyFile));
  }
}

// Regression: on Linux the header file that names the body file replaced
// the body with the header and the run ended with 0. The header is refused
// the file, as on Windows, and goes to standard error.
TEST(TFormMainRunTest, RegressionHeaderFileThatIsTheBodyFileKeepsTheBody) {
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\n\r\nok").Close()});
  Harness h;
  h.options.FUrl = LoopbackUrl(server);
  h.options.FHeaderFile = h.options.FBodyFile;
  h.Run();
  EXPECT_EQ(h.options.FExitCode, 0) << h.Dump();
  EXPECT_EQ(h.Body(), "ok");
  EXPECT_EQ(std::count_if(h.Log().begin(), h.Log().end(),
                          [](const std::string& l) { return l.rfind(texts::kFilePrefix, 0) == 0; }),
            1)
      << h.Dump();
}

TEST(TFormMainRunTest, HeaderFileThatCannotBeCreatedFallsBackWithoutChangingTheExitCode) {
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\n\r\nok").Close()});
  Harness h;
  h.options.FUrl = LoopbackUrl(server);
  const std::string bad = tolvar::testing::FreshTempPath("tolvar_no_dir") + "/h.txt";
  h.options.FHeaderFile = bad;
  h.Run();
  EXPECT_EQ(h.options.FExitCode, 0) << h.Dump();
  EXPECT_EQ(h.Body(), "ok");
  // The full path, in the system's own spelling (backslashes on Windows).
  EXPECT_TRUE(std::any_of(h.Log().begin(), h.Log().end(), [&](const std::string& l) {
    return l.rfind(texts::kFilePrefix, 0) == 0 && l.find("tolvar_no_dir") != std::string::npos &&
           l.find("h.txt\". ") != std::string::npos;
  })) << h.Dump();
}

TEST(TFormMainAbortTest, AbortDuringTransferEndsWithThreeWithoutRetry) {
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Silent(), TScript().ReadUntil(kHeadEnd).Silent()});
  Harness h;
  h.options.FUrl = LoopbackUrl(server);
  h.options.FRetrys = "2";
  h.options.FTimeOut = "600";
  h.after = [&](std::uint32_t msg, std::uintptr_t code) {
    if (msg == WM_TRANSFER_STATUS && code == kStatusConnected) h.form.ButtonAbortClick();
  };
  h.Run();
  EXPECT_EQ(h.options.FExitCode, 3);
  EXPECT_TRUE(h.Has(texts::kAborting)) << h.Dump();
  EXPECT_FALSE(h.Has(texts::kConnectionClosed));
  EXPECT_EQ(h.Log().back(), "ExitCode=3");
  // The client saw its connect complete before the server's thread may have
  // taken it from the backlog: wait for that, then count.
  for (int i = 0; i < 500 && server.Accepted() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(server.Accepted(), 1u);
}

TEST(TFormMainAbortTest, AbortWhenIdleClosesTheWindow) {
  Harness h;
  h.options.FFlags = 0;  // interactive: nothing starts by itself
  h.before_loop = [&] { h.form.ButtonAbortClick(); };
  h.Run();
  EXPECT_TRUE(h.host->Closed());
  EXPECT_TRUE(h.Log().empty());
}

// A close request used to leave the 0 that the attempt's start had set:
// a run closed mid-transfer ended as a success.
TEST(TFormMainCloseTest, RegressionCloseDuringTransferEndsWithThree) {
  struct Case {
    const char* name;
    TScript script;
    bool close_after_body_bytes;  // else at once when connected
  };
  const Case cases[] = {
      {"ServerNeverAnswers", TScript().ReadUntil(kHeadEnd).Silent(), false},
      {"TenOfAHundredBytesThenStall",
       TScript().ReadUntil(kHeadEnd).Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789").Silent(), true},
      // Closed before its end was handled: the header never went out.
      {"WholeAnswerNotYetHandled",
       TScript().ReadUntil(kHeadEnd).Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok").WaitPeerClose(), true},
  };
  for (const Case& c : cases) {
    TScriptedServer server({c.script});
    Harness h;
    h.options.FUrl = LoopbackUrl(server);
    h.options.FTimeOut = "600";
    bool closed = false;
    h.after = [&](std::uint32_t msg, std::uintptr_t code) {
      if (closed || msg != WM_TRANSFER_STATUS || code != kStatusConnected) return;
      closed = true;
      // Some bytes of the body written, where the case wants them: the
      // request is closed with the attempt still running either way.
      if (c.close_after_body_bytes) {
        for (int i = 0; i < 2000 && h.Body().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      h.host->RequestClose();
    };
    h.Run();
    EXPECT_TRUE(h.host->Closed()) << c.name;
    EXPECT_FALSE(h.form.Transferring()) << c.name;
    EXPECT_EQ(h.options.FExitCode, 3) << c.name << h.Dump();
    // The stopped worker finishes no attempt: no result is logged.
    for (const auto& line : h.Log()) EXPECT_NE(line.rfind("ExitCode=", 0), 0u) << c.name << h.Dump();
    EXPECT_EQ(h.Header(), "") << c.name;
  }
}

TEST(TFormMainCloseTest, CloseDuringTransferStillTakesTheWorkersReport) {
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Silent()});
  Harness h;
  h.options.FUrl = LoopbackUrl(server);
  h.options.FTimeOut = "600";
  h.after = [&](std::uint32_t msg, std::uintptr_t code) {
    if (msg == WM_TRANSFER_STATUS && code == kStatusConnected) h.host->RequestClose();
  };
  h.Run();
  // The failure report of the stopped worker was still taken in.
  EXPECT_EQ(h.Log().back().rfind("GET: ", 0), 0u) << h.Dump();
}

// A retry wait holds no attempt: closing then keeps the last attempt's code.
TEST(TFormMainCloseTest, CloseDuringRetryWaitEndsTheWaitAtOnceAndKeepsTheCode) {
  const std::string not_found = "HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nno!";
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send(not_found).WaitPeerClose()});
  struct Case {
    std::string url;
    int exit_code;
  };
  for (const Case& c :
       {Case{"http://127.0.0.1:" + std::to_string(RefusedPort()) + "/", 3}, Case{LoopbackUrl(server), 4}}) {
    Harness h;
    h.options.FUrl = c.url;
    h.options.FRetrys = "5";
    h.options.FInterval = "999";
    h.options.FTimeOut = "5";
    h.after = [&](std::uint32_t msg, std::uintptr_t code) {
      if (msg == WM_TRANSFER_COMMAND && code == kCommandFinished && h.form.WaitingForRetry()) h.host->RequestClose();
    };
    h.Run();
    EXPECT_FALSE(h.form.WaitingForRetry());
    EXPECT_EQ(h.Count(std::string("999") + texts::kRetryInSuffix), 1u) << h.Dump();
    EXPECT_EQ(h.options.FExitCode, c.exit_code) << c.url << h.Dump();
  }
}

TEST(TFormMainCloseTest, AbortDuringRetryWaitClosesAndStopsTheWait) {
  Harness h;
  h.options.FUrl = "http://127.0.0.1:" + std::to_string(RefusedPort()) + "/";
  h.options.FRetrys = "1";
  h.options.FInterval = "999";
  h.options.FTimeOut = "5";
  h.after = [&](std::uint32_t msg, std::uintptr_t code) {
    if (msg == WM_TRANSFER_COMMAND && code == kCommandFinished && h.form.WaitingForRetry()) h.form.ButtonAbortClick();
  };
  h.Run();
  EXPECT_TRUE(h.host->Closed());
  EXPECT_FALSE(h.form.WaitingForRetry());  // released by FormDestroy
}

TEST(TFormMainCloseTest, FormCloseCopiesTheSettingsBack) {
  Harness h;
  h.options.FFlags = 0;
  h.options.FUrl = "http://h/";
  h.options.FPostPutData = "x\ny";
  h.options.FRetrys = "7";
  h.options.FPositionMain = TRect{10, 20, 509, 419};
  h.before_loop = [&] {
    TFormModel& m = h.form.Model();
    EXPECT_EQ(m.MaskEditRetrys.Text, " 7");
    m.EditReferer.Text = "http://ref/";
    m.MaskEditTimeOut.Text = "  30";
    h.form.SetRequestMethod(0x82);
    h.host->RequestClose();
  };
  h.Run();
  EXPECT_EQ(h.options.FMethod, 2);
  EXPECT_EQ(h.options.FReferer, "http://ref/");
  EXPECT_EQ(h.options.FRetrys, "7");
  EXPECT_EQ(h.options.FTimeOut, "30");
  EXPECT_EQ(h.options.FPostPutData, "x\ny");  // the box was not edited
  EXPECT_EQ(h.options.FPositionMain, (TRect{10, 20, 509, 419}));

  Harness edited;
  edited.options.FFlags = 0;
  edited.options.FPostPutData = "x\ny";
  edited.before_loop = [&] {
    edited.form.Model().EditPostPut.Text = "typed";
    edited.form.EditPostPutChange();
    edited.host->RequestClose();
  };
  edited.Run();
  EXPECT_EQ(edited.options.FPostPutData, "typed");
}

TEST(TFormMainSettingsTest, LockedDuringARunExceptAbort) {
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\n\r\n").Close()});
  Harness h;
  h.options.FUrl = LoopbackUrl(server);
  h.options.FFlags = 0;
  h.options.FPostPutAsFileName = false;
  bool checked_while_running = false;
  h.after = [&](std::uint32_t msg, std::uintptr_t code) {
    const TFormModel& m = h.form.Model();
    if (msg == WM_TRANSFER_STATUS && code == kStatusConnected) {
      checked_while_running = true;
      EXPECT_FALSE(m.ButtonConnect.Enabled);
      EXPECT_FALSE(m.RadioGroupMethod.Enabled);
      EXPECT_TRUE(m.EditUrl.ReadOnly);
      EXPECT_EQ(m.MaskEditPassWord.Color, TControlColor::clBtnFace);
      EXPECT_TRUE(m.ButtonAbort.Enabled);
    }
    if (msg == WM_TRANSFER_COMMAND && code == kCommandFinished) h.host->RequestClose();
  };
  h.before_loop = [&] { h.form.ButtonDownLoadClick(); };
  h.Run();
  EXPECT_TRUE(checked_while_running);
  const TFormModel& m = h.form.Model();
  EXPECT_TRUE(m.ButtonConnect.Enabled);
  EXPECT_FALSE(m.ButtonOpenPostPut.Enabled);  // the box is not ticked
  EXPECT_EQ(m.LogScrolledToEnd, 1);           // interactive: the log end shown
  EXPECT_EQ(h.options.FExitCode, 0);
}

// Broken peers as the status log shows them: the failure line, and a
// Length line whose body count is what the body file really holds.
struct TFaultLog {
  const char* name;
  std::function<TScript()> script;
  const char* timeout;  // seconds, "" for none
  int exit_code;
  std::string failure;  // the worker's line; "" when no line is certain
};

std::vector<TFaultLog> FaultLogs() {
  const auto wait = [](std::string reply) {
    return [reply] { return TScript().ReadUntil(kHeadEnd).Send(reply).WaitPeerClose(); };
  };
  const auto close = [](std::string reply) {
    return [reply] { return TScript().ReadUntil(kHeadEnd).Send(reply).Close(); };
  };
  std::string many = "HTTP/1.1 200 OK\r\n";
  for (int i = 0; i < 100000; ++i) many += "X-Line-" + std::to_string(100000 + i) + ": filler\r\n";
  const std::string cap = "GET: The response header is larger than 1048576 bytes.";
  return {
      // One line meets the connection's line cap long before the head cap.
      {"HeaderLineOfTenMegabytes", wait("HTTP/1.1 200 OK\r\nX: " + std::string(10 << 20, 'h') + "\r\n\r\n"), "", 3,
       "GET: Max line length exceeded."},
      {"HundredThousandHeaderLines", wait(many + "\r\nbody"), "", 3, cap},
      {"ContentLengthTwoToTheSixtyThird", close("HTTP/1.1 200 OK\r\nContent-Length: 9223372036854775808\r\n\r\nabc"),
       "", 3, "GET: Invalid Content-Length: 9223372036854775808"},
      {"NegativeContentLength", close("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nabc"), "", 3,
       "GET: Invalid Content-Length: -5"},
      {"ChunkSizeTwoToTheSixtyFourth",
       wait("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n10000000000000000\r\n"), "", 3,
       "GET: Chunk size out of range: 10000000000000000"},
      {"CloseRightAfterTheHead", close("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n"), "", 3, ""},
      {"ResetInTheBody",
       [] { return TScript().ReadUntil(kHeadEnd).Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n01234").Reset(); },
       "", 3, ""},
      {"SilentAfterTheHeadUnderAOneSecondTimeOut",
       [] { return TScript().ReadUntil(kHeadEnd).Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n0").Silent(); },
       "1", 3, "GET: Read Timeout"},
      // One byte every 200 ms never leaves a receive waiting a second.
      {"DripUnderAOneSecondTimeOut",
       [] {
         TScript t = TScript().ReadUntil(kHeadEnd).Send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n");
         for (char c : std::string("01234")) t.Send(std::string(1, c), 200);
         return t.WaitPeerClose();
       },
       "1", 0, ""},
  };
}

class TFormMainFaultTest : public ::testing::TestWithParam<TFaultLog> {};

TEST_P(TFormMainFaultTest, FailureLineAndTheBodyCountedAsWritten) {
  const TFaultLog& c = GetParam();
  TScriptedServer server({c.script()});
  Harness h;
  h.options.FUrl = LoopbackUrl(server);
  h.options.FTimeOut = c.timeout;
  h.Run();
  EXPECT_EQ(h.options.FExitCode, c.exit_code) << h.Dump();
  if (!c.failure.empty()) {
    EXPECT_TRUE(h.Has(c.failure)) << h.Dump();
  }
  if (c.failure.empty() && c.exit_code == 0) {
    for (const std::string& line : h.Log()) EXPECT_NE(line.rfind("GET: ", 0), 0u) << h.Dump();
  }
  const std::vector<std::string>& log = h.Log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2],
            "Length(Header)=" + std::to_string(h.Header().size()) + ", Length(Body)=" + std::to_string(h.Body().size()))
      << h.Dump();
  EXPECT_EQ(log.back(), "ExitCode=" + std::to_string(c.exit_code));
  EXPECT_TRUE(server.WaitDone(20000)) << "the connection stayed open";
}

INSTANTIATE_TEST_SUITE_P(Faults, TFormMainFaultTest, ::testing::ValuesIn(FaultLogs()),
                         [](const ::testing::TestParamInfo<TFaultLog>& info) { return info.param.name; });

}  // namespace form_main_test
}  // namespace tolvar::client
