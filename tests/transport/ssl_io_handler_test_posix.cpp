// The TLS handler against real TLS peers on loopback (s_server instances and
// a plain-prelude relay started for the test run, with a CA, certificates
// and keys made for it). Linux only: the Windows build has no OpenSSL here,
// its failure path is tested on its own.
#include "transport/ssl_io_handler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/failure_of.h"
#include "support/scripted_server.h"
#include "support/tls_socks_peers.h"
#include "transport/ssl_exceptions.h"
#include "transport/tcp_client.h"

namespace tolvar::transport {
namespace ssl_io_handler_test_posix {

using tolvar::testing::FailureOf;
using tolvar::testing::TlsSocksPeers;

class SSLIOHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    peers_ = TlsSocksPeers::Find();
    if (peers_ == nullptr) GTEST_SKIP() << "TOLVAR_TLS_SOCKS_PEERS does not name the running peers";
    handler_ = std::make_shared<TNetSSLIOHandlerSocket>();
    handler_->OnStatusInfo = [this](const std::string& m) { status_.push_back(m); };
    client_.SetIOHandler(handler_);
    client_.Host = "127.0.0.1";
    client_.ReadTimeout = 10000;
  }
  std::string Pki(const std::string& name) const { return peers_->pki + "/" + name; }
  void TrustCa(const std::string& ca) {
    handler_->SSLOptions().RootCertFile = Pki(ca);
    handler_->SSLOptions().VerifyMode = sslvrfPeer;
    handler_->SSLOptions().VerifyDepth = 2;
  }
  // One line through the reversing echo server.
  std::string Echo(const std::string& line) {
    client_.Write(line + "\n");
    return client_.ReceiveLine();
  }

  const TlsSocksPeers* peers_ = nullptr;
  std::vector<std::string> status_;  // outlives the handler that reports into it
  std::shared_ptr<TNetSSLIOHandlerSocket> handler_;
  TNetTCPClient client_;
};

TEST_F(SSLIOHandlerTest, HandshakeEchoAndCipherStatus) {
  TrustCa("ca.pem");
  client_.Port = peers_->tls;
  client_.Connect(10000);
  EXPECT_EQ(Echo("hello over tls"), "slt revo olleh");
  // Many lines in one write: several TLS records each way, and records
  // whose bytes wait decrypted in the TLS layer while the socket is idle.
  std::string many;
  for (int i = 0; i < 4000; ++i) many += "line " + std::to_string(i) + "\n";
  client_.Write(many);
  int mismatches = 0;
  for (int i = 0; i < 4000; ++i) {
    std::string want = "line " + std::to_string(i);
    mismatches += client_.ReceiveLine() != std::string(want.rbegin(), want.rend());
  }
  EXPECT_EQ(mismatches, 0);

  ASSERT_NE(handler_->SSLSocket(), nullptr);
  const TNetSSLCipher& cipher = handler_->SSLSocket()->Cipher();
  EXPECT_FALSE(cipher.Name().empty());
  EXPECT_GE(cipher.Bits(), 128);
  const std::string expected = "Cipher: name = " + cipher.Name() + "; description = " + cipher.Description() +
                               "; bits = " + std::to_string(cipher.Bits()) + "; version = " + cipher.Version() + "; ";
  EXPECT_NE(std::find(status_.begin(), status_.end(), expected), status_.end());
  EXPECT_TRUE(std::regex_search(expected, std::regex("version = TLSv1\\.[23]; $")));
  // The info callback reported the handshake's states before the cipher.
  ASSERT_FALSE(status_.empty());
  EXPECT_EQ(status_.front().rfind("SSL status: \"", 0), 0u) << status_.front();
  client_.Disconnect();
  EXPECT_EQ(handler_->SSLSocket(), nullptr);
}

TEST_F(SSLIOHandlerTest, PlainFirstThenTlsOnTheSameConnection) {
  TrustCa("ca.pem");
  handler_->SetPassThrough(true);
  client_.Port = peers_->starttls;
  client_.Connect(10000);
  EXPECT_EQ(handler_->SSLSocket(), nullptr);
  client_.WriteLine("STARTTLS");
  EXPECT_EQ(client_.ReceiveLine(), "GO");
  handler_->SetPassThrough(false);
  ASSERT_NE(handler_->SSLSocket(), nullptr);
  EXPECT_EQ(Echo("switched"), "dehctiws");
}

TEST_F(SSLIOHandlerTest, VerificationAgainstTheRightAndAWrongCa) {
  std::vector<std::string> subjects;
  handler_->OnVerifyPeer = [&](TNetX509& cert) {
    subjects.push_back(cert.SubjectName());
    return true;
  };
  TrustCa("ca.pem");
  client_.Port = peers_->tls;
  client_.Connect(10000);
  EXPECT_EQ(Echo("ok"), "ko");
  client_.Disconnect();
  // Every certificate of the chain, CA first, was offered to the event.
  EXPECT_EQ(subjects, (std::vector<std::string>{"/CN=tolvar test CA", "/CN=127.0.0.1"}));

  TrustCa("other-ca.pem");
  EXPECT_EQ(FailureOf<ENetOpenSSLError>([&] { client_.Connect(10000); }), "Error connecting with SSL.");
  // A failed handshake leaves no socket behind.
  EXPECT_FALSE(client_.Connected());

  // The right CA, but the event refuses the peer.
  TrustCa("ca.pem");
  handler_->OnVerifyPeer = [](TNetX509&) { return false; };
  EXPECT_EQ(FailureOf<ENetOSSLConnectError>([&] { client_.Connect(10000); }), "Error connecting with SSL.");

  // A chain deeper than VerifyDepth allows is refused too.
  handler_->OnVerifyPeer = [](TNetX509&) { return true; };
  handler_->SSLOptions().VerifyDepth = 0;
  EXPECT_EQ(FailureOf<ENetOSSLConnectError>([&] { client_.Connect(10000); }), "Error connecting with SSL.");
}

TEST_F(SSLIOHandlerTest, PasswordProtectedKeyThroughTheCallback) {
  handler_->SSLOptions().CertFile = Pki("client.pem");
  handler_->SSLOptions().KeyFile = Pki("client-enc.key");
  std::string given = "wrong";
  int asked = 0;
  handler_->OnGetPassword = [&](std::string& password) {
    ++asked;
    password = given;
  };
  client_.Port = peers_->tls;
  EXPECT_EQ(FailureOf<ENetOSSLLoadingKeyError>([&] { client_.Connect(10000); }), "Could not load key, check password.");
  EXPECT_GE(asked, 1);
  given = "sesame";
  client_.Connect(10000);
  EXPECT_EQ(Echo("key"), "yek");
}

TEST_F(SSLIOHandlerTest, CertificateAndKeyFileFailures) {
  client_.Port = peers_->tls;
  auto& o = handler_->SSLOptions();
  o.RootCertFile = Pki("missing-ca.pem");
  EXPECT_EQ(FailureOf<ENetOpenSSLLoadError>([&] { client_.Connect(10000); }), "Could not load root certificate.");
  o.RootCertFile.clear();
  o.CertFile = Pki("missing.pem");
  EXPECT_EQ(FailureOf<ENetOpenSSLLoadError>([&] { client_.Connect(10000); }), "Could not load certificate.");
  o.CertFile = Pki("client.pem");
  o.KeyFile = Pki("stray.key");  // a key of some other certificate
  EXPECT_EQ(FailureOf<ENetOpenSSLLoadError>([&] { client_.Connect(10000); }), "Could not load key, check password.");
  o.KeyFile = Pki("client.key");
  o.CipherList = "NO-SUCH-CIPHER";
  EXPECT_EQ(FailureOf<ENetOSSLSettingCipherError>([&] { client_.Connect(10000); }), "SetCipher failed.");
  o.CipherList.clear();
  o.Method = static_cast<TNetSSLVersion>(9);
  EXPECT_EQ(FailureOf<ENetOSSLGetMethodError>([&] { client_.Connect(10000); }), "Error geting SSL method.");
  EXPECT_FALSE(client_.Connected());
  // Each failure closed its socket; the same client still works.
  o.Method = sslvTLSv1;
  client_.Connect(10000);
  EXPECT_EQ(Echo("again"), "niaga");
}

TEST_F(SSLIOHandlerTest, EveryVersionSettingReachesACurrentServer) {
  client_.Port = peers_->tls;
  for (TNetSSLVersion v : {sslvSSLv2, sslvSSLv23, sslvSSLv3, sslvTLSv1}) {
    handler_->SSLOptions().Method = v;
    client_.Connect(10000);
    EXPECT_EQ(Echo("v"), "v") << v;
    client_.Disconnect();
  }
}

TEST_F(SSLIOHandlerTest, SilentPeerFailsTheHandshakeWithinTheTimeOut) {
  // A plain server that never answers the client's hello.
  testing::TScriptedServer silent({testing::TScript().Silent(), testing::TScript().Silent()});
  client_.Port = silent.Port();
  EXPECT_EQ(FailureOf<ENetOSSLConnectError>([&] { client_.Connect(300); }), "Error connecting with SSL.");
  EXPECT_FALSE(client_.Connected());
  // A handler's own wait applies even where the connect has no time-out.
  handler_->ReadTimeout = 300;
  EXPECT_EQ(FailureOf<ENetOSSLConnectError>([&] { client_.Connect(); }), "Error connecting with SSL.");
}

TEST_F(SSLIOHandlerTest, DisconnectFromAnotherThreadEndsABlockedRead) {
  client_.Port = peers_->tls;
  client_.ReadTimeout = 0;  // would wait forever
  client_.Connect(10000);
  EXPECT_EQ(Echo("x"), "x");
  auto reader = std::async(std::launch::async, [&] {
    try {
      client_.ReceiveLine();  // the server sends nothing unasked
    } catch (const ENetException&) {
      return true;
    }
    return false;
  });
  ASSERT_EQ(reader.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  client_.Disconnect();
  ASSERT_EQ(reader.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_TRUE(reader.get());
}

}  // namespace ssl_io_handler_test_posix
}  // namespace tolvar::transport
