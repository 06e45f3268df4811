#include "mqtt/LinkSecurity.h"

#include "config/ProtectedPassword.h"
#include "mqtt/LinkFacts.h"
#include "mqtt/RobotMqttServiceCallback.h"

#include <mosquitto.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace
{
// What the certificate check found, kept with the context: the library frees
// the SSL object of a failed handshake before the client can ask.
struct SVerifyRecord
{
    std::string hostName;
    std::string text;
};

void FreeRecord(void*, void* p, CRYPTO_EX_DATA*, int, long, void*)
{
    delete static_cast<SVerifyRecord*>(p);
}

int RecordIndex()
{
    static const int s_nIndex = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, FreeRecord);
    return s_nIndex;
}

SVerifyRecord* RecordOf(SSL_CTX* pCtx)
{
    return static_cast<SVerifyRecord*>(SSL_CTX_get_ex_data(pCtx, RecordIndex()));
}

std::string NameText(X509_NAME* pName)
{
    if (!pName)
        return "?";
    BIO* pBio = BIO_new(BIO_s_mem());
    X509_NAME_print_ex(pBio, pName, 0, XN_FLAG_RFC2253);
    char* p = nullptr;
    long n = BIO_get_mem_data(pBio, &p);
    std::string text(p, static_cast<size_t>(n));
    BIO_free(pBio);
    return text;
}

std::string VerifyText(int nError, X509* pCert)
{
    switch (nError)
    {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
        return "certificate not trusted (issued by " + NameText(pCert ? X509_get_issuer_name(pCert) : nullptr) + ")";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return "host name does not match the certificate";
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return "certificate expired";
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return "certificate not yet valid";
    case X509_V_ERR_CERT_REVOKED:
        return "certificate revoked";
    default:
        return std::string("certificate rejected: ") + X509_verify_cert_error_string(nError);
    }
}

// Keeps OpenSSL's verdict; only the first fault of a handshake is kept.
int OnVerify(int bPreverified, X509_STORE_CTX* pStoreCtx)
{
    if (bPreverified)
        return 1;
    SSL* pSsl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(pStoreCtx, SSL_get_ex_data_X509_STORE_CTX_idx()));
    SVerifyRecord* pRecord = pSsl ? RecordOf(SSL_get_SSL_CTX(pSsl)) : nullptr;
    if (pRecord && pRecord->text.empty())
        pRecord->text = VerifyText(X509_STORE_CTX_get_error(pStoreCtx), X509_STORE_CTX_get_current_cert(pStoreCtx));
    return 0;
}

bool IsNumericHost(const std::string& host)
{
    ASN1_OCTET_STRING* pIp = a2i_IPADDRESS(host.c_str());
    ASN1_OCTET_STRING_free(pIp);
    return pIp != nullptr;
}

// The library gives the numeric address as the server name; the broker
// behind a name-routing proxy needs the name. Set as each handshake starts,
// before the hello is built.
void OnInfo(const SSL* pSsl, int nWhere, int)
{
    if (!(nWhere & SSL_CB_HANDSHAKE_START))
        return;
    SSL* p = const_cast<SSL*>(pSsl);
    const SVerifyRecord* pRecord = RecordOf(SSL_get_SSL_CTX(p));
    if (pRecord && !pRecord->hostName.empty() && !IsNumericHost(pRecord->hostName))
        SSL_set_tlsext_host_name(p, pRecord->hostName.c_str());
}

std::string OpenSslError(const std::string& what)
{
    unsigned long e = ERR_get_error();
    ERR_clear_error();
    if (e == 0)
        return what;
    char sz[256];
    ERR_error_string_n(e, sz, sizeof sz);
    const char* pszReason = ERR_reason_error_string(e);
    return what + ": " + (pszReason ? pszReason : sz);
}
}

SLinkSecurity ReadLinkSecurity(CRobotMqttServiceCallback& callback, std::string& error)
{
    SLinkSecurity s;
    s.user = callback.GetConfigString(Link::SECTION, Link::KEY_USER, Link::DEFAULT_USER);
    const SPasswordRead password =
        ReadPasswordSetting(callback.GetConfigString(Link::SECTION, Link::KEY_PASSWORD, Link::DEFAULT_PASSWORD));
    if (!password.replacement.empty())
        callback.SetConfigString(Link::SECTION, Link::KEY_PASSWORD, password.replacement);
    s.password = password.password;
    if (!password.bOk)
        error = password.error;
    else if (!password.error.empty())
        callback.AddLog(LOG_MQTT, password.error);
    s.bTls = callback.GetConfigInt(Link::SECTION, Link::KEY_TLS, Link::DEFAULT_TLS) != 0;
    s.caFile = callback.GetConfigString(Link::SECTION, Link::KEY_CA_FILE, Link::DEFAULT_CA_FILE);
    s.certFile = callback.GetConfigString(Link::SECTION, Link::KEY_CERT_FILE, Link::DEFAULT_CERT_FILE);
    s.keyFile = callback.GetConfigString(Link::SECTION, Link::KEY_KEY_FILE, Link::DEFAULT_KEY_FILE);
    s.bInsecure = callback.GetConfigInt(Link::SECTION, Link::KEY_TLS_INSECURE, Link::DEFAULT_TLS_INSECURE) != 0;
    return s;
}

CLinkSecurity::~CLinkSecurity()
{
    SSL_CTX_free(m_pCtx);
}

bool CLinkSecurity::Apply(mosquitto* pMosq, const SLinkSecurity& settings, const std::string& hostName,
                          std::string& error)
{
    if (!settings.user.empty() || !settings.password.empty())
    {
        int rc = mosquitto_username_pw_set(pMosq, settings.user.c_str(),
                                           settings.password.empty() ? nullptr : settings.password.c_str());
        if (rc != MOSQ_ERR_SUCCESS)
        {
            error = std::string("sign-in not accepted by the MQTT library: ") + mosquitto_strerror(rc);
            return false;
        }
    }
    if (!settings.bTls)
        return true;
    if (!m_pCtx && !MakeContext(settings, hostName, error))
        return false;
    // The library takes a reference of its own and, without the defaults
    // option, leaves the context as it is: no file of its own, no host check
    // against the number.
    int rc = mosquitto_opts_set(pMosq, MOSQ_OPT_SSL_CTX, m_pCtx);
    if (rc == MOSQ_ERR_SUCCESS)
        rc = mosquitto_int_option(pMosq, MOSQ_OPT_SSL_CTX_WITH_DEFAULTS, 0);
    if (rc != MOSQ_ERR_SUCCESS)
    {
        error = std::string("TLS not available in the MQTT library: ") + mosquitto_strerror(rc);
        return false;
    }
    return true;
}

bool CLinkSecurity::MakeContext(const SLinkSecurity& settings, const std::string& hostName, std::string& error)
{
    // No configuration file: a static OpenSSL on Windows would read it from
    // a fixed path, and the program needs nothing from it.
    OPENSSL_init_ssl(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr);
    ERR_clear_error();
    SSL_CTX* pCtx = SSL_CTX_new(TLS_client_method());
    if (!pCtx)
    {
        error = OpenSslError("TLS context");
        return false;
    }
    SSL_CTX_set_min_proto_version(pCtx, TLS1_2_VERSION);
    SSL_CTX_set_ex_data(pCtx, RecordIndex(), new SVerifyRecord{hostName, std::string()});
    SSL_CTX_set_info_callback(pCtx, OnInfo);

    bool bOk = true;
    if (settings.bInsecure)
        SSL_CTX_set_verify(pCtx, SSL_VERIFY_NONE, nullptr);
    else
    {
        SSL_CTX_set_verify(pCtx, SSL_VERIFY_PEER, OnVerify);
        X509_VERIFY_PARAM* pParam = SSL_CTX_get0_param(pCtx);
        if (IsNumericHost(hostName))
            X509_VERIFY_PARAM_set1_ip_asc(pParam, hostName.c_str());
        else
        {
            X509_VERIFY_PARAM_set_hostflags(pParam, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
            X509_VERIFY_PARAM_set1_host(pParam, hostName.c_str(), hostName.size());
        }
        if (!settings.caFile.empty())
        {
            if (SSL_CTX_load_verify_file(pCtx, settings.caFile.c_str()) != 1)
            {
                error = OpenSslError("CA file " + settings.caFile + " not loaded");
                bOk = false;
            }
        }
        else
            bOk = AddSystemRoots(pCtx, error);
    }
    if (bOk && (!settings.certFile.empty() || !settings.keyFile.empty()))
    {
        const std::string& keyFile = settings.keyFile.empty() ? settings.certFile : settings.keyFile;
        if (SSL_CTX_use_certificate_chain_file(pCtx, settings.certFile.c_str()) != 1)
            error = OpenSslError("client certificate " + settings.certFile + " not loaded");
        else if (SSL_CTX_use_PrivateKey_file(pCtx, keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
            error = OpenSslError("client key " + keyFile + " not loaded");
        else if (SSL_CTX_check_private_key(pCtx) != 1)
            error = OpenSslError("client key " + keyFile + " does not fit the certificate");
        bOk = error.empty();
    }
    if (!bOk)
    {
        SSL_CTX_free(pCtx);
        return false;
    }
    m_pCtx = pCtx;
    return true;
}

std::string CLinkSecurity::FailureText() const
{
    if (!m_pCtx)
        return std::string();
    const SVerifyRecord* pRecord = RecordOf(m_pCtx);
    return pRecord ? pRecord->text : std::string();
}

void CLinkSecurity::ClearFailure()
{
    if (SVerifyRecord* pRecord = m_pCtx ? RecordOf(m_pCtx) : nullptr)
        pRecord->text.clear();
}

bool IsHandshakeDone(mosquitto* pMosq)
{
    SSL* pSsl = static_cast<SSL*>(mosquitto_ssl_get(pMosq));
    return !pSsl || SSL_is_init_finished(pSsl);
}
