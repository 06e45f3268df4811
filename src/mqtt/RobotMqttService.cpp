#include "mqtt/RobotMqttService.h"

#include "mqtt/PollVariant.h"
#include "mqtt/RobotMqttServiceCallback.h"
#include "mqtt/SocketReady.h"
#include "trace/DebugTrace.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <mosquitto.h>
#include <string>

namespace
{
const char SECTION[] = "RobotMqttService";
const int KEEPALIVE_SEC = 60;

// The longest a poll may hold the user-interface thread while it takes in the
// messages that are already waiting.
const std::chrono::milliseconds DRAIN_BUDGET(20);

// Clears the in-poll flag on every way out of Poll.
class CPollScope
{
public:
    explicit CPollScope(bool& bInPoll) : m_bInPoll(bInPoll) { m_bInPoll = true; }
    ~CPollScope() { m_bInPoll = false; }

private:
    bool& m_bInPoll;
};
}

CRobotMqttService::CRobotMqttService(CRobotMqttServiceCallback* pCallback, PFN_TICK pfnTick)
    : m_pCallback(pCallback), m_pfnTick(pfnTick), m_bDrain(DrainsEachPoll())
{
}

void CRobotMqttService::Connect()
{
    if (m_pMosq)
        return;
    m_pMosq = mosquitto_new("tavrin", true, this);
    if (!m_pMosq)
        return;

    mosquitto_log_callback_set(m_pMosq, OnMqttLog);
    mosquitto_connect_callback_set(m_pMosq, OnMqttConnect);
    mosquitto_message_callback_set(m_pMosq, OnMqttMessage);
    mosquitto_subscribe_callback_set(m_pMosq, OnMqttSubscribe);

    std::string host = m_pCallback->GetConfigString(SECTION, "ip", "127.0.0.1");
    int nPort = m_pCallback->GetConfigInt(SECTION, "port", 1883);

    char szLine[1024];
    std::snprintf(szLine, sizeof szLine, "connect(%s:%d)", host.c_str(), nPort);
    m_pCallback->AddLog(LOG_MQTT, szLine);

    if (mosquitto_connect(m_pMosq, host.c_str(), nPort, KEEPALIVE_SEC) == MOSQ_ERR_SUCCESS)
    {
        m_bConnected = true;
        m_pCallback->AddLog(LOG_MQTT, "connection success");
    }
    else
    {
        m_bConnected = false;
        m_dwFailTick = m_pfnTick();
        m_pCallback->AddLog(LOG_MQTT, "connection fail");
    }
}

void CRobotMqttService::Poll()
{
    // Nested modal loops (a message box, a popup menu) go on dispatching
    // timers; a poll from inside a callback of this poll would re-enter the library.
    if (!m_pMosq || m_bInPoll)
        return;
    CPollScope scope(m_bInPoll);
    if (m_bConnected)
        PollConnected();
    else
        PollWaiting();
}

void CRobotMqttService::PollConnected()
{
    // One pass of the library's loop, as every poll makes it: it waits for
    // nothing, reads a packet if one has come, sends what is queued, keeps the
    // connection alive, and is the call that reports the lost connection.
    const unsigned nBefore = m_nMessages;
    int rc = mosquitto_loop(m_pMosq, 0, 1);
    if (rc == MOSQ_ERR_NO_CONN)
    {
        m_bConnected = false;
        m_dwFailTick = m_pfnTick();
        m_pCallback->AddLog(LOG_MQTT, "connection lost");
        return;
    }
    // Other errors (the connection just lost among them) are left to a
    // later poll, which gets MOSQ_ERR_NO_CONN once the connection is gone.
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

void CRobotMqttService::PollWaiting()
{
    int nSeconds = m_pCallback->GetConfigInt(SECTION, "reconnect-sec", 60);
    // Elapsed ticks rather than tick values, so that a pause across the wrap
    // of the 32-bit counter still ends. A negative pause means no pause at all.
    uint32_t dwElapsed = m_pfnTick() - m_dwFailTick;
    if (nSeconds >= 0 && dwElapsed <= static_cast<uint64_t>(nSeconds) * 1000)
        return;

    if (mosquitto_reconnect(m_pMosq) == MOSQ_ERR_SUCCESS)
    {
        m_bConnected = true;
        m_pCallback->AddLog(LOG_MQTT, "reconnect success");
    }
    else
    {
        m_bConnected = false;
        // Read after the attempt, so the next pause counts from its end.
        m_dwFailTick = m_pfnTick();
        m_pCallback->AddLog(LOG_MQTT, "reconnect fail");
    }
}

void CRobotMqttService::Close()
{
    if (!m_pMosq)
        return;
    mosquitto_disconnect(m_pMosq);
    m_bConnected = false;
    mosquitto_destroy(m_pMosq);
    m_pMosq = nullptr;
}

void CRobotMqttService::Log(int nKind, const char* text)
{
    m_pCallback->AddLog(nKind, std::string(text ? text : ""));
}

// The library is C code: no exception may unwind through it, so the callbacks
// that reach the rest of the program stop (and trace) whatever comes back.

void CRobotMqttService::OnMqttConnect(mosquitto* pMosq, void*, int rc)
{
    // The session is clean: every accepted connection needs the subscription again.
    if (rc == 0)
        mosquitto_subscribe(pMosq, nullptr, "server/#", 1);
}

void CRobotMqttService::OnMqttMessage(mosquitto*, void* pUser, const mosquitto_message* pMessage)
{
    CRobotMqttService* pService = static_cast<CRobotMqttService*>(pUser);
    ++pService->m_nMessages;
    TraceExceptions("the message callback", [&] { pService->OnReceive(pMessage); });
}

void CRobotMqttService::OnMqttSubscribe(mosquitto*, void*, int, int, const int*)
{
}

void CRobotMqttService::OnMqttLog(mosquitto*, void* pUser, int, const char* text)
{
    TraceExceptions("the log callback", [&] { static_cast<CRobotMqttService*>(pUser)->Log(LOG_LIBRARY, text); });
}
