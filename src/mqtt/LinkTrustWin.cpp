// The roots that Windows trusts for the current user: the system store
// "ROOT", which shows the user's own, the machine's and those that Group
// Policy pushes. OpenSSL does not read it by itself.
#include "mqtt/LinkSecurity.h"

#include "mqtt/SocketReady.h"

#include <windows.h>
#include <wincrypt.h>

#include <openssl/ssl.h>
#include <openssl/x509.h>

bool AddSystemRoots(SSL_CTX* pCtx, std::string& error)
{
    HCERTSTORE hStore = CertOpenSystemStoreW(0, L"ROOT");
    if (!hStore)
    {
        error = "the Windows store of trusted roots could not be opened: " +
                SystemErrorText(static_cast<int>(GetLastError()));
        return false;
    }
    X509_STORE* pStore = SSL_CTX_get_cert_store(pCtx);
    int nAdded = 0;
    for (PCCERT_CONTEXT pCert = CertEnumCertificatesInStore(hStore, nullptr); pCert;
         pCert = CertEnumCertificatesInStore(hStore, pCert))
    {
        const unsigned char* p = pCert->pbCertEncoded;
        X509* pX509 = d2i_X509(nullptr, &p, static_cast<long>(pCert->cbCertEncoded));
        // A root that OpenSSL cannot read is skipped, not fatal.
        if (pX509 && X509_STORE_add_cert(pStore, pX509) == 1)
            ++nAdded;
        X509_free(pX509);
    }
    CertCloseStore(hStore, 0);
    if (nAdded == 0)
    {
        error = "the Windows store of trusted roots holds no certificate";
        return false;
    }
    return true;
}
