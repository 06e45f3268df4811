#pragma once

#include <string>

struct mosquitto;
typedef struct ssl_ctx_st SSL_CTX;
class CRobotMqttServiceCallback;

// Sign-in and TLS for one broker, as the INI (or the checker's options) say.
struct SLinkSecurity
{
    std::string user;
    std::string password;
    bool bTls = false;
    std::string caFile;   // empty: the system's trusted roots
    std::string certFile; // a client certificate, with keyFile
    std::string keyFile;
    bool bInsecure = false; // no check of the broker's certificate or name
};

// Reads the settings through the callback as every other key is read. A plain
// password is replaced in the file by its protected form; a protected form
// that cannot be opened leaves error set (the attempt must fail with it).
SLinkSecurity ReadLinkSecurity(CRobotMqttServiceCallback& callback, std::string& error);

// The TLS context of a link, made once and given to each new library instance.
// The instance connects to a numeric address, so the library would check the
// certificate against the number: the context checks the host NAME itself,
// sends it as the server name, and records what its check found wrong, which
// the library's log does not say and its SSL object (freed when the handshake
// fails) no longer holds.
class CLinkSecurity
{
public:
    CLinkSecurity() = default;
    ~CLinkSecurity();
    CLinkSecurity(const CLinkSecurity&) = delete;
    CLinkSecurity& operator=(const CLinkSecurity&) = delete;

    // After mosquitto_new, before the connect: sign-in, and the TLS context
    // when it is on. false with the reason in error (a file that does not
    // load, a client key that does not fit its certificate).
    bool Apply(mosquitto* pMosq, const SLinkSecurity& settings, const std::string& hostName, std::string& error);

    bool UsesTls() const { return m_pCtx != nullptr; }
    // After a failed handshake: what the check of the broker's certificate
    // found ("certificate not trusted (issued by CN=…)"), or the TLS library's
    // own reason; empty when nothing was recorded.
    std::string FailureText() const;
    // Forgets the last failure, at the start of an attempt.
    void ClearFailure();

private:
    bool MakeContext(const SLinkSecurity& settings, const std::string& hostName, std::string& error);

    SSL_CTX* m_pCtx = nullptr;
};

// Whether the instance's TLS handshake has finished (true without TLS).
bool IsHandshakeDone(mosquitto* pMosq);

// Adds the roots that the system trusts for the current user to the store:
// Windows' ROOT system store (LinkTrustWin.cpp), OpenSSL's default paths
// elsewhere. false with the reason when none could be added.
bool AddSystemRoots(SSL_CTX* pCtx, std::string& error);
