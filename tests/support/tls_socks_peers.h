// The real peers of the TLS and SOCKS handler tests, started for the test
// run by scripts/tls_socks_peers.sh. TOLVAR_TLS_SOCKS_PEERS names the file
// with their ports; Find() is null without it (the cases are then skipped).
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

namespace tolvar::testing {

struct TlsSocksPeers {
  int socks = 0;     // danted: SOCKS 4 and 5, no authentication
  int tls = 0;       // TLS echo server, answers each line reversed
  int starttls = 0;  // "STARTTLS" -> "GO", then the TLS echo server
  int https = 0;     // HTTPS server for the files of `www`
  std::string pki;   // ca.pem, other-ca.pem, client.pem, client.key, client-enc.key ("sesame"), stray.key
  std::string www;

  static const TlsSocksPeers* Find() {
    static const TlsSocksPeers* found = []() -> const TlsSocksPeers* {
      const char* file = std::getenv("TOLVAR_TLS_SOCKS_PEERS");
      if (file == nullptr || *file == '\0') return nullptr;
      std::ifstream in(file);
      static TlsSocksPeers peers;
      std::string key;
      while (in >> key) {
        if (key == "socks") in >> peers.socks;
        if (key == "tls") in >> peers.tls;
        if (key == "starttls") in >> peers.starttls;
        if (key == "https") in >> peers.https;
        if (key == "pki") in >> peers.pki;
        if (key == "www") in >> peers.www;
      }
      return peers.socks != 0 ? &peers : nullptr;
    }();
    return found;
  }
};

}  // namespace tolvar::testing
