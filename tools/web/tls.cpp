#include "tls.h"

#include <openssl/err.h>
#include <openssl/pem.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vdweb {

namespace {

// A file that cannot be opened is said so plainly, with the system's
// reason: OpenSSL's words for it say little.
bool Readable(const std::string &option, const std::string &path, std::string &error) {
    FILE *f = std::fopen(path.c_str(), "r");
    if (f) return std::fclose(f), true;
    error = option + " " + path + ": " + std::strerror(errno);
    return false;
}

// A key with a passphrase is refused rather than asked for on a terminal
// that a service does not have.
int NoPassphrase(char *, int, int, void *) { return 0; }

}  // namespace

bool LoadTls(SSL_CTX &ctx, const std::string &certFile, const std::string &keyFile, std::string &error) {
    if (!Readable("--tls-cert", certFile, error) || !Readable("--tls-key", keyFile, error)) return false;
    SSL_CTX_set_min_proto_version(&ctx, TLS1_2_VERSION);
    SSL_CTX_set_options(&ctx, SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION);
    if (SSL_CTX_use_certificate_chain_file(&ctx, certFile.c_str()) != 1)
        return (error = "--tls-cert " + certFile + ": not a PEM certificate"), false;
    FILE *file = std::fopen(keyFile.c_str(), "r");
    EVP_PKEY *key = file ? PEM_read_PrivateKey(file, nullptr, NoPassphrase, nullptr) : nullptr;
    if (file) std::fclose(file);
    if (!key)
        return (error = "--tls-key " + keyFile + ": not a PEM private key without a passphrase"), false;
    const bool used = SSL_CTX_use_PrivateKey(&ctx, key) == 1 && SSL_CTX_check_private_key(&ctx) == 1;
    EVP_PKEY_free(key);
    ERR_clear_error();
    if (!used) error = "--tls-key " + keyFile + " is not the key of --tls-cert " + certFile;
    return used;
}

}  // namespace vdweb
