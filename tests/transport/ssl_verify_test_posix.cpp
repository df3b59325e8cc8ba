// The verifying mode of the TLS handler against the real TLS echo peer
// (certificate for 127.0.0.1 and localhost, signed by the run's test CA):
// which names, trust anchors and settings pass, and the exact text of each
// refusal.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "support/failure_of.h"
#include "support/tls_socks_peers.h"
#include "transport/ssl_exceptions.h"
#include "transport/ssl_io_handler.h"
#include "transport/tcp_client.h"

namespace tolvar::transport {
namespace ssl_verify_test {

using tolvar::testing::FailureOf;
using tolvar::testing::TlsSocksPeers;

struct Row {
  const char* name;
  bool verify;
  std::string root;           // RootCertFile under pki, or empty
  std::string ssl_cert_file;  // SSL_CERT_FILE under pki, or empty for unset
  std::string server_name;
  std::string failure;  // "" when the echo must work
};

// Sets or clears one environment variable for the life of the object.
class EnvValue {
 public:
  EnvValue(const char* name, const std::string& value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old, had_ = true;
    if (value.empty()) {
      unsetenv(name);
    } else {
      setenv(name, value.c_str(), 1);
    }
  }
  ~EnvValue() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(SSLVerifyTest, NamesAnchorsAndTheirRefusals) {
  const TlsSocksPeers* peers = TlsSocksPeers::Find();
  if (peers == nullptr) GTEST_SKIP() << "TOLVAR_TLS_SOCKS_PEERS does not name the running peers";
  const std::vector<Row> rows = {
      {"IpLiteralAgainstIpEntry", true, "ca.pem", "", "127.0.0.1", ""},
      {"HostNameAgainstDnsEntry", true, "ca.pem", "", "localhost", ""},
      {"NamesCompareIgnoringCase", true, "ca.pem", "", "LocalHost", ""},
      // The system trust store's own variable is honoured.
      {"TrustedThroughSslCertFile", true, "", "ca.pem", "localhost", ""},
      {"OtherName", true, "ca.pem", "", "other.test", "Certificate check failed for other.test: hostname mismatch."},
      {"OtherAddress", true, "ca.pem", "", "127.0.0.2", "Certificate check failed for 127.0.0.2: IP address mismatch."},
      // A name is no IP entry, and an address no DNS entry.
      {"WildcardOfAnotherLevel", true, "ca.pem", "", "x.localhost",
       "Certificate check failed for x.localhost: hostname mismatch."},
      {"UnknownCa", true, "other-ca.pem", "", "localhost",
       "Certificate check failed for localhost: unable to get local issuer certificate."},
      {"NoTrustAnchorAtAll", true, "", "other-ca.pem", "localhost",
       "Certificate check failed for localhost: unable to get local issuer certificate."},
      {"NoNameToCheck", true, "ca.pem", "", "",
       "Certificate check failed for (no host): no host name to check against."},
      {"NameWithNul", true, "ca.pem", "", std::string("localhost\0.evil", 15),
       "Certificate check failed for localhost\\0.evil: no host name to check against."},
      // Without the verifying mode the handler keeps its old defaults for
      // programs that install it themselves: no check at all.
      {"NotVerifyingChecksNothing", false, "", "other-ca.pem", "other.test", ""},
  };
  for (const Row& row : rows) {
    EnvValue cert_file("SSL_CERT_FILE", row.ssl_cert_file.empty() ? "" : peers->pki + "/" + row.ssl_cert_file);
    // The system's own directory must not vouch for the test CA either.
    EnvValue cert_dir("SSL_CERT_DIR", peers->pki + "/no-such-dir");
    auto handler = std::make_shared<TNetSSLIOHandlerSocket>();
    handler->SSLOptions().VerifyServer = row.verify;
    if (!row.root.empty()) handler->SSLOptions().RootCertFile = peers->pki + "/" + row.root;
    handler->SetServerName(row.server_name);
    TNetTCPClient client;
    client.SetIOHandler(handler);
    client.Host = "127.0.0.1";
    client.Port = peers->tls;
    client.ReadTimeout = 10000;
    const std::string failure = FailureOf([&] {
      client.Connect(10000);
      client.Write("verified\n");
      if (client.ReceiveLine() != "deifirev") throw ENetException("wrong echo");
    });
    EXPECT_EQ(failure, row.failure.empty() ? "no exception" : row.failure) << row.name;
    EXPECT_EQ(client.Connected(), row.failure.empty()) << row.name;
    client.Disconnect();
  }
}

}  // namespace ssl_verify_test
}  // namespace tolvar::transport
