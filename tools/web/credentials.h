// The secrets of the dashboard's users: passwords kept as argon2id hashes
// (libsodium's crypto_pwhash_str), and random secrets (sessions, API
// tokens, CSRF tokens) kept, where they are stored, as their BLAKE2b digest.
// Every comparison of a secret takes the same time whatever it holds.
#ifndef VANDREL_WEB_CREDENTIALS_H
#define VANDREL_WEB_CREDENTIALS_H

#include <string>

namespace vdweb {

// Once, before any other call; false when libsodium cannot start.
bool StartCredentials();

// The password's argon2id hash, as a text with its salt and costs; false
// when there is not the memory to make it.
bool HashPassword(const std::string &password, std::string &hash);
bool PasswordMatches(const std::string &hash, const std::string &password);

// 256 random bits as 64 hexadecimal digits.
std::string NewSecret();
// A secret's digest as hexadecimal digits: stored in its place.
std::string Digest(const std::string &secret);
// Equal texts, compared in a time that does not tell where they differ.
bool SameSecret(const std::string &a, const std::string &b);

}  // namespace vdweb

#endif
