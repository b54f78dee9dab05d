// The dashboard's TLS: a certificate (with the chain after it) and its
// private key, PEM files as OpenSSL reads them; TLS 1.2 at least.
#ifndef VANDREL_WEB_TLS_H
#define VANDREL_WEB_TLS_H

#include <openssl/ssl.h>

#include <string>

namespace vdweb {

// Sets up ctx; false with error saying which file is wrong and why.
bool LoadTls(SSL_CTX &ctx, const std::string &certFile, const std::string &keyFile, std::string &error);

}  // namespace vdweb

#endif
