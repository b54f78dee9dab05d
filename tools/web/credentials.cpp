#include "credentials.h"

#include <sodium.h>

namespace vdweb {

bool StartCredentials() { return sodium_init() >= 0; }

bool HashPassword(const std::string &password, std::string &hash) {
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                              crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13) != 0)
        return false;
    hash = out;
    return true;
}

bool PasswordMatches(const std::string &hash, const std::string &password) {
    return hash.compare(0, 10, "$argon2id$") == 0 &&
           crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

namespace {

std::string Hex(const unsigned char *bytes, size_t n) {
    std::string text(n * 2 + 1, '\0');
    sodium_bin2hex(&text[0], text.size(), bytes, n);
    text.pop_back();
    return text;
}

}  // namespace

std::string NewSecret() {
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    return Hex(bytes, sizeof bytes);
}

std::string Digest(const std::string &secret) {
    unsigned char out[32];
    crypto_generichash(out, sizeof out, reinterpret_cast<const unsigned char *>(secret.data()), secret.size(), nullptr,
                       0);
    return Hex(out, sizeof out);
}

bool SameSecret(const std::string &a, const std::string &b) {
    return a.size() == b.size() && !a.empty() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace vdweb
