// What a scripted run of tolvar says on standard error beyond the header:
// the reason each failed attempt ended (after that attempt's header text),
// the retry notices, and one warning per ignored input at start-up. Exact
// texts; the exit codes and the header text stay what they were.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/process_runner.h"
#include "support/scripted_server.h"
#include "tolvar_copy.h"

namespace {

using e2e::RunTolvarCopy;
using e2e::Target;
using e2e::TempDir;
using tolvar::testing::kHeadEnd;
using tolvar::testing::TScript;
using tolvar::testing::TScriptedServer;

// The default end of a message line: LF on Linux, CR LF on Windows.
std::string MessageEnd() {
  return Target::Current().IsWindows() ? "\r\n" : "\n";
}

// "tolvar: %d 秒後に再試行します." as the target shows it.
std::string RetryNotice(int seconds) {
  const std::string rest = Target::Current().IsWindows()
                               ? " \x95"
                                 "b\x8C\xE3\x82\xC9\x8D\xC4\x8E\x8E\x8Ds\x82\xB5\x82\xDC\x82\xB7."
                               : " 秒後に再試行します.";
  return "tolvar: " + std::to_string(seconds) + rest;
}

std::string RefusedUrl() {
  TScriptedServer gone({});
  return "http://127.0.0.1:" + std::to_string(gone.Port()) + "/";
}

struct FailureRow {
  const char* name;
  std::function<TScript()> script;  // null: no server
  std::string url;                  // "": the server's
  std::vector<std::string> args;    // after "-q -u URL"
  int exit_code;
  std::string err;  // "$" stands for the default line end
};

std::string Expand(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '$' ? MessageEnd() : std::string(1, c);
  return out;
}

TEST(TolvarMessagesTest, EachFailureSaysWhyAfterItsHeader) {
  const std::string moved = "HTTP/1.1 302 Found\r\nLocation: http://h.test/next\r\nContent-Length: 0\r\n\r\n";
  const std::string short_body = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n01234";
  const std::vector<FailureRow> rows = {
      {"Refused", nullptr, RefusedUrl(), {}, 3, "\r\ntolvar: GET: Socket Error # 10061 Connection refused.$"},
      {"RefusedWithLd",
       nullptr,
       RefusedUrl(),
       {"-ld"},
       3,
       "\r\ntolvar: GET: Socket Error # 10061 Connection refused.\r\n"},
      {"RefusedWithLu",
       nullptr,
       RefusedUrl(),
       {"-lu"},
       3,
       "\r\ntolvar: GET: Socket Error # 10061 Connection refused.\n"},
      {"UnknownHost",
       nullptr,
       "http://no-such-host.invalid/",
       {},
       3,
       "\r\ntolvar: GET: Socket Error # 11001 Host not found.$"},
      {"TimeOut",
       [] { return TScript().ReadUntil(kHeadEnd).Silent(); },
       "",
       {"-t", "1"},
       3,
       "\r\ntolvar: GET: Read Timeout$"},
      {"RedirectNotFollowed",
       [moved] { return TScript().ReadUntil(kHeadEnd).Send(moved).WaitPeerClose(); },
       "",
       {},
       3,
       "HTTP/1.1 302 Found\r\nLocation: http://h.test/next\r\nContent-Length: 0\r\n"
       "tolvar: GET: HTTP/1.1 302 Found, not followed: Location http://h.test/next$"},
      // https gets as far as http: the refused connect is the reason.
      {"HttpsRefused",
       nullptr,
       "https" + RefusedUrl().substr(4),
       {},
       3,
       "\r\ntolvar: GET: Socket Error # 10061 Connection refused.$"},
      {"ShortBody",
       [short_body] { return TScript().ReadUntil(kHeadEnd).Send(short_body).Close(); },
       "",
       {},
       3,
       "HTTP/1.1 200 OK\r\nContent-Length: 10\r\ntolvar: GET: Length(Body)=5, Content-Length: 10$"},
      {"NotFoundWithPut",
       [] { return TScript().ReadUntil(kHeadEnd).ReadCount(1).Send("HTTP/1.0 404 Not Found\r\n\r\n").Close(); },
       "",
       {"-fm", "PUT", "-fs", "x"},
       4,
       "HTTP/1.0 404 Not Found\r\ntolvar: PUT: HTTP/1.0 404 Not Found$"},
  };
  for (const FailureRow& row : rows) {
    std::vector<TScript> scripts;
    if (row.script) scripts.push_back(row.script());
    TScriptedServer server(scripts);
    TempDir dir;
    std::vector<std::string> args{
        "-q", "-u", row.url.empty() ? "http://127.0.0.1:" + std::to_string(server.Port()) + "/" : row.url};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const auto r = RunTolvarCopy(dir, args);
    EXPECT_EQ(r.exit_code, row.exit_code) << row.name;
    EXPECT_EQ(r.err, Expand(row.err)) << row.name;
  }
}

TEST(TolvarMessagesTest, RetriesSayWhichAttemptFailedAndWhenTheNextStarts) {
  TScriptedServer server({TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 503 Busy\r\n\r\n").Close(),
                          TScript().ReadUntil(kHeadEnd).Send("HTTP/1.0 200 OK\r\nX: 1\r\n\r\nok").Close()});
  TempDir dir;
  const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/";
  auto r = RunTolvarCopy(dir, {"-q", "-u", url, "-a", "2", "-i", "0", "-t", "5"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "ok");
  // The successful attempt's header text alone follows, as in any success.
  EXPECT_EQ(r.err, "HTTP/1.0 503 Busy\r\ntolvar: attempt 1 of 3: GET: HTTP/1.0 503 Busy" + MessageEnd() +
                       RetryNotice(0) + MessageEnd() + "HTTP/1.0 200 OK\r\nX: 1\r\n");

  // Every attempt refused: each says so; no notice after the last.
  r = RunTolvarCopy(dir, {"-q", "-u", RefusedUrl(), "-a", "1", "-i", "0", "-t", "5", "-lu"});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(r.err, "\r\ntolvar: attempt 1 of 2: GET: Socket Error # 10061 Connection refused.\n" + RetryNotice(0) +
                       "\n\r\ntolvar: attempt 2 of 2: GET: Socket Error # 10061 Connection refused.\n");
}

TEST(TolvarMessagesTest, IgnoredInputIsWarnedAboutOnceAtStartUp) {
  struct Row {
    std::vector<std::string> args;
    std::string warnings;  // "$" stands for the default line end
  };
  const std::vector<Row> rows = {
      {{"-o", "x.html"},
       "tolvar: warning: -o: unknown switch, ignored$"
       "tolvar: warning: \"x.html\": not a switch nor the value of one, ignored$"},
      {{"-fm", "HEAD"}, "tolvar: warning: -fm HEAD: not GET, POST or PUT, GET used$"},
      {{"-fs", "a=1"}, "tolvar: warning: request data given with GET: not sent (-fm POST or -fm PUT sends it)$"},
      {{"-fm", "POST", "-fs", "a=1", "-ff", "@data"},
       "tolvar: warning: -fs and -ff both given: only the last one, -ff, used$"},
      {{"-a", "150", "-i", "1000", "-t", "10000"},
       "tolvar: warning: -a 150: more than 99, 99 used$tolvar: warning: -i 1000: more than 999, 999 used$"
       "tolvar: warning: -t 10000: more than 9999, 9999 used$"},
  };
  for (const Row& row : rows) {
    // The run itself goes on as it did: the one answer, exit code 0.
    // A request with data is read whole before the answer, so the close
    // never meets unread bytes.
    TScript script;
    script.ReadUntil(kHeadEnd);
    for (const std::string& a : row.args)
      if (a == "@data") script.ReadUntil("b=2");
    TScriptedServer server({script.Send("HTTP/1.0 200 OK\r\n\r\nok").Close()});
    TempDir dir;
    std::vector<std::string> args{"-q", "-u", "http://127.0.0.1:" + std::to_string(server.Port()) + "/"};
    for (const std::string& a : row.args) args.push_back(a == "@data" ? dir.WriteFile("data.bin", "b=2") : a);
    const auto r = RunTolvarCopy(dir, args);
    EXPECT_EQ(r.exit_code, 0) << row.args[0];
    EXPECT_EQ(r.out, "ok") << row.args[0];
    const std::string expected = Expand(row.warnings);
    EXPECT_EQ(r.err.substr(0, expected.size()), expected) << row.args[0];
    EXPECT_EQ(r.err.substr(r.err.size() - 17), "HTTP/1.0 200 OK\r\n") << row.args[0];
  }
}

}  // namespace
