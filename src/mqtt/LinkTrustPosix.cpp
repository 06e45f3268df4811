// Elsewhere the system's roots are where OpenSSL looks by default.
#include "mqtt/LinkSecurity.h"

#include <openssl/ssl.h>

bool AddSystemRoots(SSL_CTX* pCtx, std::string& error)
{
    if (SSL_CTX_set_default_verify_paths(pCtx) == 1)
        return true;
    error = "the system's trusted roots could not be loaded";
    return false;
}
