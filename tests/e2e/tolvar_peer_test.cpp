// tolvar against real peers on loopback: nginx as the origin (static files,
// Basic authentication, WebDAV PUT) and tinyproxy in front of it, started by
// scripts/peers.sh, whose ports file TOLVAR_PEERS names. Bodies are compared
// with the served files byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/process_runner.h"
#include "tolvar_copy.h"

namespace tolvar_peer_test {

using e2e::ReadFile;
using e2e::RunResult;
using e2e::RunTolvarCopy;
using e2e::TempDir;

struct Peers {
  int http = 0;
  int proxy = 0;
  std::string root;
};

// Empty ports when the peers were not started for this run.
Peers ReadPeers() {
  Peers p;
  const char* file = std::getenv("TOLVAR_PEERS");
  if (file == nullptr) return p;
  std::ifstream in(file);
  std::string key;
  while (in >> key) {
    if (key == "http")
      in >> p.http;
    else if (key == "proxy")
      in >> p.proxy;
    else if (key == "root")
      in >> p.root;
  }
  return p;
}

class TolvarPeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    peers_ = ReadPeers();
    if (peers_.http == 0) GTEST_SKIP() << "TOLVAR_PEERS names no running peers";
  }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(peers_.http) + path; }
  RunResult Quiet(std::vector<std::string> args) {
    args.insert(args.begin(), "-q");
    return RunTolvarCopy(dir_, args);
  }

  Peers peers_;
  TempDir dir_;
};

TEST_F(TolvarPeerTest, StaticFilesOfEverySizeToStdoutAndToAFile) {
  for (const char* name : {"empty.bin", "one.bin", "page.htm", "edge.bin", "big.bin"}) {
    const std::string want = ReadFile(peers_.root + "/" + name);
    auto r = Quiet({"-u", Url(std::string("/") + name)});
    EXPECT_EQ(r.exit_code, 0) << name << r.err;
    EXPECT_TRUE(r.out == want) << name << ": " << r.out.size() << " bytes, want " << want.size();
    EXPECT_EQ(r.err.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << r.err;
    r = Quiet({"-u", Url(std::string("/") + name), "-b", "body.bin", "-h", "head.txt"});
    EXPECT_EQ(r.exit_code, 0) << name;
    EXPECT_TRUE(ReadFile(dir_.path() + "/body.bin") == want) << name;
    EXPECT_NE(ReadFile(dir_.path() + "/head.txt").find("\r\nContent-Length: " + std::to_string(want.size()) + "\r\n"),
              std::string::npos);
  }
}

TEST_F(TolvarPeerTest, BasicAuthenticationAndItsRefusal) {
  auto r = Quiet({"-u", Url("/auth/page.htm"), "-xu", "user", "-xp", "secret"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "inside\n");
  r = Quiet({"-u", Url("/auth/page.htm")});
  EXPECT_EQ(r.exit_code, 4);
  EXPECT_EQ(r.err.rfind("HTTP/1.1 401 Unauthorized\r\n", 0), 0u) << r.err;
  r = Quiet({"-u", Url("/auth/page.htm"), "-xu", "user", "-xp", "wrong"});
  EXPECT_EQ(r.exit_code, 4);
}

TEST_F(TolvarPeerTest, PutThroughWebDavCreatesThenReplaces) {
  const std::string name = "/dav/put-" + std::to_string(::getpid()) + ".bin";
  std::string data;
  for (int i = 0; i < 70000; ++i) data.push_back(static_cast<char>(i * 7));
  const std::string source = dir_.WriteFile("source.bin", data);
  auto r = Quiet({"-u", Url(name), "-fm", "PUT", "-ff", source});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err.rfind("HTTP/1.1 201 Created\r\n", 0), 0u) << r.err;
  EXPECT_TRUE(ReadFile(peers_.root + name) == data);
  r = Quiet({"-u", Url(name), "-fm", "PUT", "-fs", "replaced"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadFile(peers_.root + name), "replaced");
}

TEST_F(TolvarPeerTest, NotFoundAndRedirectAreFailures) {
  auto r = Quiet({"-u", Url("/no-such-page")});
  EXPECT_EQ(r.exit_code, 4);
  EXPECT_EQ(r.err.rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u) << r.err;
  r = Quiet({"-u", Url("/moved")});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(r.err.rfind("HTTP/1.1 302 Moved Temporarily\r\n", 0), 0u) << r.err;
}

TEST_F(TolvarPeerTest, ThroughTheForwardProxy) {
  const std::string want = ReadFile(peers_.root + "/big.bin");
  auto r = Quiet({"-u", Url("/big.bin"), "-p", "127.0.0.1", "-c", std::to_string(peers_.proxy)});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(r.out == want) << r.out.size();
}

}  // namespace tolvar_peer_test
