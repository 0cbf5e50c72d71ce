// The simulator's own certificate authority and server certificate, made
// with OpenSSL on first start and kept in the data folder (ca.pem is what
// clients trust).
#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <string>

namespace orv::sim {

struct ServerIdentity {
  X509* cert = nullptr;
  EVP_PKEY* key = nullptr;
  ServerIdentity() = default;
  ServerIdentity(const ServerIdentity&) = delete;
  ServerIdentity& operator=(const ServerIdentity&) = delete;
  ~ServerIdentity();
};

// Loads DIR/server.pem and DIR/server-key.pem, creating DIR/ca.pem,
// DIR/ca-key.pem and a server certificate for 127.0.0.1, ::1 and localhost
// when they are missing. False with a reason in `error` on failure.
bool LoadOrCreateIdentity(const std::string& dir, ServerIdentity& identity, std::string& error);

}  // namespace orv::sim
