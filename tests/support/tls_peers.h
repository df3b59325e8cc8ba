// The https servers of the TLS tests of both builds, started for the test
// run by scripts/tls_peers.sh. TOLVAR_TLS_PEERS names the file with their
// ports; Find() is null without it (the cases are then skipped).
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

namespace tolvar::testing {

struct TlsPeers {
  int valid = 0;         // certificate for localhost and 127.0.0.1 from the test CA
  int untrusted = 0;     // the same names from a CA nobody trusts
  int expired = 0;       // from the test CA, expired in 2020
  int otherhost = 0;     // from the test CA, for other.test only
  int tls10 = 0;         // TLS 1.0 only
  int cut = 0;           // the body cut off without the closing alert
  int proxy = 0;         // tinyproxy, CONNECT to `valid` only
  bool trusted = false;  // the test CA is among the host's trusted roots
  std::string pki;       // the test CA is pki/ca.pem
  std::string www;       // the files the HTTPS servers serve

  static const TlsPeers* Find() {
    static const TlsPeers* found = []() -> const TlsPeers* {
      const char* file = std::getenv("TOLVAR_TLS_PEERS");
      if (file == nullptr || *file == '\0') return nullptr;
      std::ifstream in(file);
      static TlsPeers peers;
      std::string key;
      while (in >> key) {
        if (key == "valid") in >> peers.valid;
        if (key == "untrusted") in >> peers.untrusted;
        if (key == "expired") in >> peers.expired;
        if (key == "otherhost") in >> peers.otherhost;
        if (key == "tls10") in >> peers.tls10;
        if (key == "cut") in >> peers.cut;
        if (key == "proxy") in >> peers.proxy;
        if (key == "trusted") in >> peers.trusted;
        if (key == "pki") in >> peers.pki;
        if (key == "www") in >> peers.www;
      }
      return peers.valid != 0 ? &peers : nullptr;
    }();
    return found;
  }
};

}  // namespace tolvar::testing
