// A certificate authority made at test time, and the server certificates it
// signs, as PEM files in a temporary folder that goes with the object.
// Header-only so that the benchmark can use it too.
#pragma once

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace duvra::testing {

inline constexpr long kSecondsPerDay = 24 * 60 * 60;

class TestCa {
 public:
  // A server certificate and its key.
  struct Issued {
    std::string cert_file;  // the certificate followed by the CA's
    std::string key_file;
  };

  explicit TestCa(const std::string& name = "Duvra Test CA") {
    char dir[] = "/tmp/duvra-ca-XXXXXX";
    if (mkdtemp(dir) == nullptr) throw std::runtime_error("mkdtemp");
    dir_ = dir;
    key_ = NewKey();
    cert_ = X509_new();
    Fill(cert_, name, key_, -1, 3650);
    X509_set_issuer_name(cert_, X509_get_subject_name(cert_));
    AddExtension(cert_, cert_, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(cert_, cert_, NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(cert_, cert_, NID_subject_key_identifier, "hash");
    X509_sign(cert_, key_, EVP_sha256());
    ca_file_ = dir_ + "/ca.pem";
    WritePem(ca_file_, {cert_}, nullptr);
  }

  ~TestCa() {
    X509_free(cert_);
    EVP_PKEY_free(key_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  TestCa(const TestCa&) = delete;
  TestCa& operator=(const TestCa&) = delete;

  // The CA certificate, for the client's trust.
  const std::string& ca_file() const { return ca_file_; }
  const std::string& dir() const { return dir_; }

  // A server certificate for subject_alt_names ("DNS:localhost,IP:127.0.0.1"),
  // valid from now + from_days to now + to_days (negative: in the past).
  Issued Issue(const std::string& file_name, const std::string& subject_alt_names,
               long from_days = -1, long to_days = 30) {
    EVP_PKEY* key = NewKey();
    X509* cert = X509_new();
    Fill(cert, "Duvra test server", key, from_days, to_days);
    X509_set_issuer_name(cert, X509_get_subject_name(cert_));
    AddExtension(cert_, cert, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(cert_, cert, NID_key_usage, "critical,digitalSignature,keyEncipherment");
    AddExtension(cert_, cert, NID_ext_key_usage, "serverAuth");
    AddExtension(cert_, cert, NID_subject_alt_name, subject_alt_names);
    X509_sign(cert, key_, EVP_sha256());
    Issued issued{dir_ + "/" + file_name + ".pem", dir_ + "/" + file_name + ".key"};
    WritePem(issued.cert_file, {cert, cert_}, nullptr);
    WritePem(issued.key_file, {}, key);
    X509_free(cert);
    EVP_PKEY_free(key);
    return issued;
  }

 private:
  static EVP_PKEY* NewKey() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (key == nullptr) throw std::runtime_error("EC key");
    return key;
  }

  void Fill(X509* cert, const std::string& common_name, EVP_PKEY* key, long from_days,
            long to_days) {
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), ++serial_);
    X509_gmtime_adj(X509_getm_notBefore(cert), from_days * kSecondsPerDay);
    X509_gmtime_adj(X509_getm_notAfter(cert), to_days * kSecondsPerDay);
    X509_set_pubkey(cert, key);
    X509_NAME_add_entry_by_txt(X509_get_subject_name(cert), "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(common_name.c_str()), -1, -1,
                               0);
  }

  static void AddExtension(X509* issuer, X509* cert, int nid, const std::string& value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
    if (ext == nullptr) throw std::runtime_error("extension " + value);
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
  }

  static void WritePem(const std::string& path, std::initializer_list<X509*> certs, EVP_PKEY* key) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) throw std::runtime_error("write " + path);
    for (X509* c : certs) PEM_write_X509(f, c);
    if (key != nullptr) PEM_write_PrivateKey(f, key, nullptr, nullptr, 0, nullptr, nullptr);
    std::fclose(f);
  }

  std::string dir_;
  std::string ca_file_;
  EVP_PKEY* key_ = nullptr;
  X509* cert_ = nullptr;
  long serial_ = 0;
};

}  // namespace duvra::testing
