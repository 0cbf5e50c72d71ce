#include "tls_setup.h"

#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>

#include <cstdio>
#include <memory>

namespace orv::sim {

namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

X509* ReadCert(const std::string& path) {
  FilePtr f(std::fopen(path.c_str(), "r"));
  return f ? PEM_read_X509(f.get(), nullptr, nullptr, nullptr) : nullptr;
}

EVP_PKEY* ReadKey(const std::string& path) {
  FilePtr f(std::fopen(path.c_str(), "r"));
  return f ? PEM_read_PrivateKey(f.get(), nullptr, nullptr, nullptr) : nullptr;
}

bool WriteCert(const std::string& path, X509* cert) {
  FilePtr f(std::fopen(path.c_str(), "w"));
  return f && PEM_write_X509(f.get(), cert) == 1;
}

bool WriteKey(const std::string& path, EVP_PKEY* key) {
  FilePtr f(std::fopen(path.c_str(), "w"));
  if (!f) return false;
  ::fchmod(fileno(f.get()), 0600);
  return PEM_write_PrivateKey(f.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
}

bool AddExt(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  if (!ext) return false;
  bool ok = X509_add_ext(cert, ext, -1) == 1;
  X509_EXTENSION_free(ext);
  return ok;
}

// A certificate for `key` named `common_name`, signed by issuer_key (self
// signed when issuer is null).
X509* MakeCert(EVP_PKEY* key, const char* common_name, X509* issuer, EVP_PKEY* issuer_key, bool ca) {
  X509* cert = X509_new();
  X509_set_version(cert, 2);
  unsigned char serial[16];
  RAND_bytes(serial, sizeof serial);
  serial[0] &= 0x7f;
  BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
  BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert));
  BN_free(bn);
  X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert), 60L * 60 * 24 * 825);
  X509_set_pubkey(cert, key);
  X509_NAME* name = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("orvelle-cloudsim"), -1,
                             -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(common_name), -1, -1, 0);
  X509* signer = issuer ? issuer : cert;
  X509_set_issuer_name(cert, X509_get_subject_name(signer));
  bool ok = AddExt(cert, signer, NID_subject_key_identifier, "hash");
  if (ca) {
    ok = ok && AddExt(cert, signer, NID_basic_constraints, "critical,CA:TRUE") &&
         AddExt(cert, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
  } else {
    ok = ok && AddExt(cert, signer, NID_basic_constraints, "critical,CA:FALSE") &&
         AddExt(cert, signer, NID_key_usage, "critical,digitalSignature,keyEncipherment") &&
         AddExt(cert, signer, NID_ext_key_usage, "serverAuth") &&
         AddExt(cert, signer, NID_subject_alt_name, "IP:127.0.0.1,IP:::1,DNS:localhost") &&
         AddExt(cert, signer, NID_authority_key_identifier, "keyid:always");
  }
  if (!ok || X509_sign(cert, issuer_key ? issuer_key : key, EVP_sha256()) == 0) {
    X509_free(cert);
    return nullptr;
  }
  return cert;
}

}  // namespace

ServerIdentity::~ServerIdentity() {
  X509_free(cert);
  EVP_PKEY_free(key);
}

bool LoadOrCreateIdentity(const std::string& dir, ServerIdentity& identity, std::string& error) {
  const std::string ca_path = dir + "/ca.pem", ca_key_path = dir + "/ca-key.pem";
  const std::string cert_path = dir + "/server.pem", key_path = dir + "/server-key.pem";
  if (Exists(cert_path) && Exists(key_path)) {
    identity.cert = ReadCert(cert_path);
    identity.key = ReadKey(key_path);
    if (identity.cert && identity.key) return true;
    error = "cannot read " + cert_path + " or " + key_path;
    return false;
  }
  X509* ca = nullptr;
  EVP_PKEY* ca_key = nullptr;
  if (Exists(ca_path) && Exists(ca_key_path)) {
    ca = ReadCert(ca_path);
    ca_key = ReadKey(ca_key_path);
  } else {
    ca_key = EVP_EC_gen("P-256");
    ca = ca_key ? MakeCert(ca_key, "orvelle-cloudsim local CA", nullptr, nullptr, true) : nullptr;
    if (!ca || !WriteKey(ca_key_path, ca_key) || !WriteCert(ca_path, ca)) error = "cannot write " + ca_path;
  }
  if (ca && ca_key && error.empty()) {
    identity.key = EVP_EC_gen("P-256");
    identity.cert = identity.key ? MakeCert(identity.key, "127.0.0.1", ca, ca_key, false) : nullptr;
    if (!identity.cert || !WriteKey(key_path, identity.key) || !WriteCert(cert_path, identity.cert))
      error = "cannot write " + cert_path;
  } else if (error.empty()) {
    error = "cannot read " + ca_path;
  }
  X509_free(ca);
  EVP_PKEY_free(ca_key);
  return error.empty();
}

}  // namespace orv::sim
