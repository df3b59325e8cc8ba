// tolvar fetching https from real TLS servers on loopback (s_server and a
// server that cuts its answers, started by scripts/tls_peers.sh, whose ports
// file TOLVAR_TLS_PEERS names): what passes comes byte for byte, every
// refusal ends with 3 and one line that names the check and the host. The
// Linux build trusts the run's test CA through SSL_CERT_FILE only.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/process_runner.h"
#include "support/tls_peers.h"
#include "tolvar_copy.h"

namespace tolvar_https_test {

using e2e::ReadFile;
using e2e::RunResult;
using e2e::RunTolvarCopy;
using e2e::Target;
using e2e::TempDir;
using e2e::TolvarCopyRun;
using tolvar::testing::TlsPeers;

std::string Url(int port, const std::string& path, const std::string& host = "localhost") {
  return "https://" + host + ":" + std::to_string(port) + path;
}

class TolvarHttpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The Windows build trusts the system's certificate store, not these
    // variables: its cases need the CA in that store.
    if (Target::Current().IsWindows()) GTEST_SKIP() << "the Windows build verifies against its own store";
    peers_ = TlsPeers::Find();
    if (peers_ == nullptr) GTEST_SKIP() << "TOLVAR_TLS_PEERS names no running https servers";
  }
  RunResult Quiet(std::vector<std::string> args) {
    args.insert(args.begin(), "-q");
    e2e::RunSpec run = TolvarCopyRun(dir_, args);
    run.env["SSL_CERT_FILE"] = peers_->pki + "/ca.pem";
    // The machine's own CA folder plays no part.
    run.env["SSL_CERT_DIR"] = peers_->pki + "/no-such-dir";
    return RunTolvarCopy(dir_, run);
  }

  const TlsPeers* peers_ = nullptr;
  TempDir dir_;
};

TEST_F(TolvarHttpsTest, ValidChainFetchesByteForByteByNameAndByAddress) {
  for (const char* host : {"localhost", "127.0.0.1"}) {
    for (const char* name : {"page.htm", "big.bin"}) {
      const std::string want = ReadFile(peers_->www + "/" + name);
      ASSERT_FALSE(want.empty()) << name;
      const RunResult r = Quiet({"-u", Url(peers_->valid, std::string("/") + name, host)});
      EXPECT_EQ(r.exit_code, 0) << host << name << r.err;
      EXPECT_TRUE(r.out == want) << host << name << ": " << r.out.size() << " bytes, want " << want.size();
      EXPECT_EQ(r.err.rfind("HTTP/1.0 200 ok\r\n", 0), 0u) << r.err;
    }
  }
}

TEST_F(TolvarHttpsTest, EachRefusalEndsWithThreeAndItsReason) {
  struct Row {
    const char* name;
    std::string url;
    std::string last_line;  // standard error's last line, without its end
  };
  const std::vector<Row> rows = {
      {"UnknownCa", Url(peers_->untrusted, "/page.htm"),
       "tolvar: GET: Certificate check failed for localhost: unable to get local issuer certificate."},
      {"WrongHostName", Url(peers_->otherhost, "/page.htm"),
       "tolvar: GET: Certificate check failed for localhost: hostname mismatch."},
      {"WrongAddress", Url(peers_->otherhost, "/page.htm", "127.0.0.1"),
       "tolvar: GET: Certificate check failed for 127.0.0.1: IP address mismatch."},
      {"Expired", Url(peers_->expired, "/page.htm"),
       "tolvar: GET: Certificate check failed for localhost: certificate has expired."},
      {"TlsOneZeroOnly", Url(peers_->tls10, "/page.htm"),
       "tolvar: GET: Error connecting with SSL to localhost: tlsv1 alert protocol version."},
      // Bytes that stop without TLS's closing alert may be a cut made by
      // someone on the way: never a complete body, counted or not.
      {"CutCountedBody", Url(peers_->cut, "/counted"),
       "tolvar: GET: Socket Error # 10053 Software caused connection abort."},
      {"CutBodyReadToTheClose", Url(peers_->cut, "/until-close"),
       "tolvar: GET: Socket Error # 10053 Software caused connection abort."},
  };
  for (const Row& row : rows) {
    const RunResult r = Quiet({"-u", row.url});
    EXPECT_EQ(r.exit_code, 3) << row.name << r.err;
    std::string err = r.err;
    while (!err.empty() && (err.back() == '\n' || err.back() == '\r')) err.pop_back();
    EXPECT_EQ(err.substr(err.rfind('\n') + 1), row.last_line) << row.name << "\n" << r.err;
  }
}

TEST_F(TolvarHttpsTest, ThroughTheProxysTunnel) {
  const std::string want = ReadFile(peers_->www + "/big.bin");
  const std::string proxy = std::to_string(peers_->proxy);
  RunResult r = Quiet({"-u", Url(peers_->valid, "/big.bin"), "-p", "127.0.0.1", "-c", proxy});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(r.out == want) << r.out.size() << " bytes, want " << want.size();
  // The tunnel reaches the origin; the certificate is checked against the
  // origin's name, never the proxy's.
  r = Quiet({"-u", Url(peers_->valid, "/page.htm", "127.0.0.1"), "-p", "localhost", "-c", proxy});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  // A tunnel the proxy refuses is a failed connection, not the origin's
  // answer.
  r = Quiet({"-u", Url(peers_->expired, "/page.htm"), "-p", "127.0.0.1", "-c", proxy});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_NE(r.err.find("tolvar: GET: HTTP/1.1 403 "), std::string::npos) << r.err;
}

// The Windows build speaks TLS through the system's own client and trusts
// the system's certificate store: the fixture put the test CA among the
// host's trusted roots, which Wine's store reads, for this run only.
TEST(TolvarHttpsWindowsTest, SystemTlsFetchesVerifiedAndRefusesWithThree) {
  if (!Target::Current().IsWindows()) GTEST_SKIP() << "Linux verifies through OpenSSL (TolvarHttpsTest)";
  const TlsPeers* peers = TlsPeers::Find();
  if (peers == nullptr) GTEST_SKIP() << "TOLVAR_TLS_PEERS names no running servers";
  if (!peers->trusted) GTEST_SKIP() << "the test CA could not be added to the host's trusted roots";
  const std::string want = ReadFile(peers->www + "/all.bin");
  ASSERT_FALSE(want.empty());
  auto url = [](const char* host, int port) { return "https://" + std::string(host) + ":" + std::to_string(port); };
  struct Row {
    const char* name;
    std::vector<std::string> args;
    std::string last_line;  // empty: the file arrives whole with exit code 0
  };
  const std::string proxy = std::to_string(peers->proxy);
  const std::vector<Row> rows = {
      {"ByName", {"-u", url("localhost", peers->valid) + "/all.bin"}, ""},
      {"ByAddress", {"-u", url("127.0.0.1", peers->valid) + "/all.bin"}, ""},
      {"ThroughTheProxysTunnel",
       {"-u", url("localhost", peers->valid) + "/all.bin", "-p", "127.0.0.1", "-c", proxy},
       ""},
      {"UnknownCa",
       {"-u", url("localhost", peers->untrusted) + "/all.bin"},
       "tolvar: GET: TLS certificate check failed for localhost: the certificate is not issued by a trusted "
       "authority."},
      {"Expired",
       {"-u", url("localhost", peers->expired) + "/all.bin"},
       "tolvar: GET: TLS certificate check failed for localhost: the certificate has expired or is not yet valid."},
      {"TlsOneZeroOnly",
       {"-u", url("localhost", peers->tls10) + "/all.bin"},
       "tolvar: GET: TLS handshake with localhost failed: no protocol version or cipher in common (TLS 1.2 or later "
       "is required)."},
      // 5000 of 100000 counted bytes, then the connection ends without
      // TLS's closing alert.
      {"CutStream",
       {"-u", url("localhost", peers->cut) + "/"},
       "tolvar: GET: Socket Error # 10053 Software caused connection abort."},
  };
  for (const Row& row : rows) {
    TempDir dir;
    std::vector<std::string> args = row.args;
    args.insert(args.begin(), "-q");
    const RunResult r = RunTolvarCopy(dir, TolvarCopyRun(dir, args));
    if (row.last_line.empty()) {
      EXPECT_EQ(r.exit_code, 0) << row.name << "\n" << r.err;
      EXPECT_TRUE(r.out == want) << row.name << ": " << r.out.size() << " bytes, want " << want.size();
      continue;
    }
    EXPECT_EQ(r.exit_code, 3) << row.name << "\n" << r.err;
    std::string err = r.err;
    while (!err.empty() && (err.back() == '\n' || err.back() == '\r')) err.pop_back();
    const std::size_t end = err.rfind('\n');
    std::string last = err.substr(end == std::string::npos ? 0 : end + 1);
    EXPECT_EQ(last, row.last_line) << row.name << "\n" << r.err;
  }
}

}  // namespace tolvar_https_test
