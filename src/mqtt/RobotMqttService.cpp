#include "mqtt/RobotMqttService.h"

#include "mqtt/ClientId.h"
#include "mqtt/LinkFacts.h"
#include "mqtt/NameLookup.h"
#include "mqtt/PollVariant.h"
#include "mqtt/RobotMqttServiceCallback.h"
#include "mqtt/SocketReady.h"
#include "trace/DebugTrace.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <mosquitto.h>

namespace
{
// The longest a poll may hold the user-interface thread while it takes in the
// messages that are already waiting.
const std::chrono::milliseconds DRAIN_BUDGET(20);

const std::string LIMIT_TEXT = "within " + std::to_string(Link::ATTEMPT_LIMIT_MS / 1000) + " s";

const std::string INSECURE_TEXT = std::string("TLS without any check of the broker's certificate or name (") +
                                  Link::KEY_TLS_INSECURE + "=1): anyone on the network can pose as the broker";

// Clears the in-poll flag on every way out of Poll.
class CPollScope
{
public:
    explicit CPollScope(bool& bInPoll) : m_bInPoll(bInPoll) { m_bInPoll = true; }
    ~CPollScope() { m_bInPoll = false; }

private:
    bool& m_bInPoll;
};

// A library result in words: the system's text of the errno that the
// library left where there is one (a refused connect that the library's
// first write finds reads "connection lost" in its own words), else its own.
std::string LibraryErrorText(int rc, int nErrno)
{
    if ((rc == MOSQ_ERR_ERRNO || rc == MOSQ_ERR_CONN_LOST) && nErrno != 0)
        return SystemErrorText(nErrno);
    return mosquitto_strerror(rc);
}
}

CRobotMqttService::CRobotMqttService(CRobotMqttServiceCallback* pCallback, PFN_TICK pfnTick)
    : m_pCallback(pCallback), m_pfnTick(pfnTick), m_bDrain(DrainsEachPoll())
{
}

// Does no library work: the owner calls Close first.
CRobotMqttService::~CRobotMqttService() = default;

void CRobotMqttService::Connect()
{
    if (m_eState != STATE_NONE)
        return;
    // Read before the instance exists: the library takes it at creation.
    m_clientId = m_pCallback->GetConfigString(Link::SECTION, Link::KEY_CLIENT_ID, Link::DEFAULT_CLIENT_ID);
    if (m_clientId.empty())
        m_clientId = DefaultClientId();
    if (!CreateInstance())
        return;

    m_host = m_pCallback->GetConfigString(Link::SECTION, Link::KEY_HOST, Link::DEFAULT_HOST);
    m_nPort = m_pCallback->GetConfigInt(Link::SECTION, Link::KEY_PORT, Link::DEFAULT_PORT);
    m_settings = ReadLinkSecurity(*m_pCallback, m_settingsError);

    char szLine[1024];
    std::snprintf(szLine, sizeof szLine, "connect(%s:%d)%s", m_host.c_str(), m_nPort, m_settings.bTls ? " tls" : "");
    m_pCallback->AddLog(LOG_MQTT, szLine);

    m_bFirstAttempt = true;
    StartAttempt();
}

bool CRobotMqttService::CreateInstance()
{
    m_pMosq = mosquitto_new(m_clientId.c_str(), Link::CLEAN_SESSION, this);
    if (!m_pMosq)
        return false;
    mosquitto_log_callback_set(m_pMosq, OnMqttLog);
    mosquitto_connect_callback_set(m_pMosq, OnMqttConnect);
    mosquitto_message_callback_set(m_pMosq, OnMqttMessage);
    mosquitto_subscribe_callback_set(m_pMosq, OnMqttSubscribe);
    mosquitto_unsubscribe_callback_set(m_pMosq, OnMqttUnsubscribe);
    return true;
}

void CRobotMqttService::Poll()
{
    // Nested modal loops (a message box, a popup menu) go on dispatching
    // timers; a poll from inside a callback of this poll would re-enter the library.
    if (m_eState == STATE_NONE || m_bInPoll)
        return;
    CPollScope scope(m_bInPoll);
    switch (m_eState)
    {
    case STATE_ATTEMPT:
        PollAttempt();
        break;
    case STATE_CONNECTED:
        PollConnected();
        break;
    case STATE_WAITING:
        PollWaiting();
        break;
    case STATE_NONE:
        break;
    }
}

void CRobotMqttService::StartAttempt()
{
    m_eState = STATE_ATTEMPT;
    m_ePhase = PHASE_LOOKUP;
    m_dwAttemptTick = m_pfnTick();
    m_nConnack = -1;
    m_addresses.clear();
    m_nAddress = 0;
    m_lastCause.clear();
    if (!m_pMosq && !CreateInstance())
    {
        EndAttempt(LINK_FAIL_UNREACHABLE, "cannot create the MQTT client");
        return;
    }
    if (!SecureInstance())
        return;
    // A lookup that has not answered yet goes on for this attempt too, rather
    // than one more thread waiting on a silent resolver.
    if (!m_pLookup || m_pLookup->IsDone())
        m_pLookup = CNameLookup::Start(m_host);
    PollAttempt();
}

// One step of the attempt per poll, never waiting: the lookup's answer, then
// the TCP connect to each address in turn, then the broker's CONNACK.
void CRobotMqttService::PollAttempt()
{
    const bool bLate = m_pfnTick() - m_dwAttemptTick > static_cast<uint32_t>(Link::ATTEMPT_LIMIT_MS);
    if (m_ePhase == PHASE_LOOKUP)
    {
        if (!m_pLookup->IsDone())
        {
            if (bLate)
                EndAttempt(LINK_FAIL_NO_ANSWER, "name lookup of " + m_host + ": no answer " + LIMIT_TEXT);
            return;
        }
        m_addresses = m_pLookup->Addresses();
        if (m_addresses.empty())
        {
            EndAttempt(LINK_FAIL_LOOKUP, "name lookup of " + m_host + " failed: " + m_pLookup->Error());
            return;
        }
        if (!ConnectNextAddress())
            return;
    }

    if (m_ePhase == PHASE_TCP)
    {
        int nError = 0;
        switch (ProbeConnect(mosquitto_socket(m_pMosq), nError))
        {
        case SOCKET_CONNECTING:
            if (bLate)
                EndAttempt(LINK_FAIL_NO_ANSWER, "no answer from " + Where() + " " + LIMIT_TEXT);
            return;
        case SOCKET_FAILED:
            m_lastCause = Where() + ": " + SystemErrorText(nError);
            ++m_nAddress;
            ConnectNextAddress();
            return;
        case SOCKET_CONNECTED:
            m_ePhase = PHASE_CONNACK;
            // The library's first handshake step ran before the TCP connect
            // had completed; on Windows it then waits for the broker to
            // speak first, which it never does. This read makes the step
            // again (the library reads only to shake hands while it must).
            if (m_security.UsesTls())
            {
                errno = 0;
                const int rcTls = mosquitto_loop_read(m_pMosq, 1);
                // A fast broker's answer may already be read here: a
                // refusal is then the broker's, below.
                if (rcTls != MOSQ_ERR_SUCCESS && m_nConnack < 0)
                {
                    EndAttempt(LINK_FAIL_TLS, TlsFailureCause(rcTls, errno));
                    return;
                }
            }
            break;
        }
    }

    // The library sends CONNECT once the socket is writable and hands the
    // broker's answer to OnMqttConnect from inside this call.
    errno = 0;
    const int rc = mosquitto_loop(m_pMosq, 0, 1);
    const int nErrno = errno;
    if (m_nConnack == 0)
    {
        m_eState = STATE_CONNECTED;
        m_eFailure = LINK_FAIL_NONE;
        m_lastCause.clear();
        m_pCallback->AddLog(LOG_MQTT, m_bFirstAttempt ? "connection success" : "reconnect success");
        m_bFirstAttempt = false;
    }
    else if (m_nConnack > 0)
        EndAttempt(ConnackFailure(m_nConnack), ConnackText(m_nConnack));
    else if (rc != MOSQ_ERR_SUCCESS && m_security.UsesTls() && (rc == MOSQ_ERR_TLS || !m_security.FailureText().empty()))
        EndAttempt(LINK_FAIL_TLS, TlsFailureCause(rc, nErrno));
    else if (rc != MOSQ_ERR_SUCCESS)
        EndAttempt(LINK_FAIL_UNREACHABLE, Where() + " closed before the broker answered: " + LibraryErrorText(rc, nErrno));
    else if (bLate && m_security.UsesTls() && !IsHandshakeDone(m_pMosq))
        EndAttempt(LINK_FAIL_TLS, "no TLS handshake with " + Where() + " " + LIMIT_TEXT);
    else if (bLate)
        EndAttempt(LINK_FAIL_NO_ANSWER, "no answer from the broker at " + Where() + " " + LIMIT_TEXT);
}

// Sign-in and TLS on a new instance; a setting that cannot be used fails the
// attempt, and the next one tries again (a CA file may have been put back).
bool CRobotMqttService::SecureInstance()
{
    std::string error = m_settingsError;
    if (error.empty() && !m_security.Apply(m_pMosq, m_settings, m_host, error) && error.empty())
        error = "TLS could not be set up";
    if (!error.empty())
    {
        EndAttempt(m_settingsError.empty() ? LINK_FAIL_TLS : LINK_FAIL_BAD_LOGIN, error);
        return false;
    }
    m_security.ClearFailure();
    if (m_settings.bTls && m_settings.bInsecure)
        m_pCallback->AddLog(LOG_MQTT, INSECURE_TEXT);
    return true;
}

// What went wrong in the handshake: the certificate check's own finding, or
// the library's word for it.
std::string CRobotMqttService::TlsFailureCause(int rc, int nErrno) const
{
    const std::string found = m_security.FailureText();
    return "TLS with " + Where() + " failed: " + (found.empty() ? LibraryErrorText(rc, nErrno) : found);
}

// Starts the connect to the next address; when none is left the attempt has
// failed with the last address's cause.
bool CRobotMqttService::ConnectNextAddress()
{
    for (; m_nAddress < m_addresses.size(); ++m_nAddress)
    {
        errno = 0;
        int rc = mosquitto_connect_bind_async(m_pMosq, m_addresses[m_nAddress].c_str(), m_nPort, Link::KEEPALIVE_SEC,
                                              nullptr);
        if (rc == MOSQ_ERR_SUCCESS)
        {
            m_ePhase = PHASE_TCP;
            return true;
        }
        // A broker on a fast link may answer the hello within the call, and
        // the certificate check fails there.
        if (rc == MOSQ_ERR_TLS && m_security.UsesTls())
        {
            EndAttempt(LINK_FAIL_TLS, TlsFailureCause(rc, errno));
            return false;
        }
        m_lastCause = Where() + ": " + LibraryErrorText(rc, errno);
    }
    EndAttempt(LINK_FAIL_UNREACHABLE, m_lastCause.empty() ? "no address for " + m_host : m_lastCause);
    return false;
}

// The one way out of a failed attempt: the fixed line, then its cause.
void CRobotMqttService::EndAttempt(ELinkFailure eFailure, const std::string& cause)
{
    // The instance goes with its socket, whatever state the attempt left it in.
    if (m_pMosq)
    {
        mosquitto_destroy(m_pMosq);
        m_pMosq = nullptr;
    }
    m_eState = STATE_WAITING;
    m_eFailure = eFailure;
    // Read after the attempt, so the next pause counts from its end.
    m_dwFailTick = m_pfnTick();
    m_pCallback->AddLog(LOG_MQTT, m_bFirstAttempt ? "connection fail" : "reconnect fail");
    m_pCallback->AddLog(LOG_MQTT, cause);
    m_bFirstAttempt = false;
}

void CRobotMqttService::PollConnected()
{
    if (m_nCheckMid != 0 && m_pfnTick() - m_dwCheckTick > static_cast<uint32_t>(Link::ATTEMPT_LIMIT_MS))
    {
        LoseConnection("no answer to the link check " + LIMIT_TEXT);
        return;
    }
    // One pass of the library's loop, as every poll makes it: it waits for
    // nothing, reads a packet if one has come, sends what is queued, keeps the
    // connection alive, and is the call that reports the lost connection.
    const unsigned nBefore = m_nMessages;
    errno = 0;
    int rc = mosquitto_loop(m_pMosq, 0, 1);
    if (rc == MOSQ_ERR_NO_CONN)
    {
        LoseConnection(m_lastCause.empty() ? mosquitto_strerror(MOSQ_ERR_CONN_LOST) : m_lastCause);
        return;
    }
    // Other errors (the connection just lost among them) are left to a
    // later poll, which gets MOSQ_ERR_NO_CONN once the connection is gone;
    // the first one is the cause that it will give.
    if (rc != MOSQ_ERR_SUCCESS && m_lastCause.empty())
        m_lastCause = LibraryErrorText(rc, errno);
    // Without a message in that pass the line is quiet: no further read.
    if (rc != MOSQ_ERR_SUCCESS || !m_bDrain || m_nMessages == nBefore)
        return;

    // The rest of what has already come, a packet per read call. The loop
    // above waits on the socket in every call, and under Wine that wait and
    // every other socket call is a round trip to the server that costs more
    // than handling the packet; the read itself tells when the socket is
    // empty, at the price of one read that finds nothing.
    const auto tStart = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - tStart < DRAIN_BUDGET)
    {
        errno = 0;
        if (mosquitto_loop_read(m_pMosq, 1) != MOSQ_ERR_SUCCESS || ReadFoundSocketEmpty())
            return;
        // A QoS 1 message is acknowledged as it is read; an answer that
        // could not be sent at once waits in the library's queue.
        if (mosquitto_want_write(m_pMosq) && mosquitto_loop_write(m_pMosq, 1) != MOSQ_ERR_SUCCESS)
            return;
    }
}

void CRobotMqttService::LoseConnection(const std::string& cause)
{
    mosquitto_destroy(m_pMosq);
    m_pMosq = nullptr;
    m_eState = STATE_WAITING;
    m_eFailure = LINK_FAIL_LOST;
    m_dwFailTick = m_pfnTick();
    // A loss found by the link check after a resume is tried again at once.
    if (m_nCheckMid != 0)
        m_bAttemptNow = true;
    m_nCheckMid = 0;
    m_lastCause.clear();
    m_pCallback->AddLog(LOG_MQTT, "connection lost");
    m_pCallback->AddLog(LOG_MQTT, cause);
}

void CRobotMqttService::PollWaiting()
{
    if (!m_bAttemptNow)
    {
        int nSeconds = m_pCallback->GetConfigInt(Link::SECTION, Link::KEY_RECONNECT_SEC, Link::DEFAULT_RECONNECT_SEC);
        // Elapsed ticks rather than tick values, so that a pause across the wrap
        // of the 32-bit counter still ends. A negative pause means no pause at all.
        uint32_t dwElapsed = m_pfnTick() - m_dwFailTick;
        if (nSeconds >= 0 && dwElapsed <= static_cast<uint64_t>(nSeconds) * 1000)
            return;
    }
    m_bAttemptNow = false;
    StartAttempt();
}

void CRobotMqttService::CheckNow()
{
    if (m_eState == STATE_WAITING)
        m_bAttemptNow = true;
    if (m_eState != STATE_CONNECTED || m_nCheckMid != 0)
        return;
    // Any answer proves the link; an UNSUBSCRIBE of a filter that nobody
    // holds is answered by every broker and changes nothing.
    int nMid = 0;
    if (mosquitto_unsubscribe(m_pMosq, &nMid, Link::CHECK_FILTER) != MOSQ_ERR_SUCCESS)
        nMid = -1; // the loop will tell what happened; the check's limit still holds
    m_nCheckMid = nMid;
    m_dwCheckTick = m_pfnTick();
}

void CRobotMqttService::Close()
{
    if (m_pMosq)
    {
        if (m_eState == STATE_CONNECTED)
            mosquitto_disconnect(m_pMosq);
        mosquitto_destroy(m_pMosq);
        m_pMosq = nullptr;
    }
    m_eState = STATE_NONE;
    m_pLookup.reset();
}

std::string CRobotMqttService::Where() const
{
    if (m_nAddress >= m_addresses.size())
        return m_host + ":" + std::to_string(m_nPort);
    const std::string& address = m_addresses[m_nAddress];
    const bool bV6 = address.find(':') != std::string::npos;
    return (bV6 ? "[" + address + "]" : address) + ":" + std::to_string(m_nPort);
}

void CRobotMqttService::Log(int nKind, const char* text)
{
    m_pCallback->AddLog(nKind, std::string(text ? text : ""));
}

// The library is C code: no exception may unwind through it, so the callbacks
// that reach the rest of the program stop (and trace) whatever comes back.

void CRobotMqttService::OnMqttConnect(mosquitto* pMosq, void* pUser, int rc)
{
    static_cast<CRobotMqttService*>(pUser)->m_nConnack = rc;
    // The session is clean: every accepted connection needs the subscription again.
    if (rc == 0)
        mosquitto_subscribe(pMosq, nullptr, Link::TOPIC_FILTER, Link::SUBSCRIBE_QOS);
}

void CRobotMqttService::OnMqttMessage(mosquitto*, void* pUser, const mosquitto_message* pMessage)
{
    CRobotMqttService* pService = static_cast<CRobotMqttService*>(pUser);
    ++pService->m_nMessages;
    TraceExceptions("the message callback", [&] { pService->OnReceive(pMessage); });
}

void CRobotMqttService::OnMqttSubscribe(mosquitto*, void* pUser, int, int nQos, const int* pGranted)
{
    // The broker grants 0x80 for a filter that it refuses (an ACL, say):
    // connected, but nothing will come.
    for (int i = 0; i < nQos; ++i)
        if (pGranted[i] < 0 || pGranted[i] > 2)
            TraceExceptions("the subscribe callback", [&] {
                static_cast<CRobotMqttService*>(pUser)->Log(
                    LOG_MQTT, (std::string("subscription refused: ") + Link::TOPIC_FILTER).c_str());
            });
}

void CRobotMqttService::OnMqttUnsubscribe(mosquitto*, void* pUser, int mid)
{
    CRobotMqttService* pService = static_cast<CRobotMqttService*>(pUser);
    if (mid == pService->m_nCheckMid)
        pService->m_nCheckMid = 0;
}

void CRobotMqttService::OnMqttLog(mosquitto*, void* pUser, int, const char* text)
{
    TraceExceptions("the log callback", [&] { static_cast<CRobotMqttService*>(pUser)->Log(LOG_LIBRARY, text); });
}
