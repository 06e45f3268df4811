#pragma once

#include "mqtt/LinkFailure.h"

#include <cstdint>

struct mosquitto;
struct mosquitto_message;
class CRobotMqttServiceCallback;

// The program's one connection to the broker, driven entirely by Poll from the
// window's timers: the library starts no thread of its own.
class CRobotMqttService
{
public:
    // Millisecond tick counter, 32 bits, wrapping (GetTickCount on Windows).
    typedef uint32_t (*PFN_TICK)();

    CRobotMqttService(CRobotMqttServiceCallback* pCallback, PFN_TICK pfnTick);

    void Connect();
    void Poll();
    void Close();
    void Log(int nKind, const char* text);
    void OnReceive(const mosquitto_message* pMessage);

    // false: one loop call per poll. Only the benchmark turns draining off.
    void SetDrain(bool bDrain) { m_bDrain = bDrain; }
    bool IsConnected() const { return m_bConnected; }
    bool IsAttempting() const { return false; }
    ELinkFailure LastFailure() const { return m_bConnected ? LINK_FAIL_NONE : LINK_FAIL_NO_ANSWER; }
    void CheckNow() {}

private:
    static void OnMqttConnect(mosquitto* pMosq, void* pUser, int rc);
    static void OnMqttMessage(mosquitto* pMosq, void* pUser, const mosquitto_message* pMessage);
    static void OnMqttSubscribe(mosquitto* pMosq, void* pUser, int mid, int nQos, const int* pGranted);
    static void OnMqttLog(mosquitto* pMosq, void* pUser, int nLevel, const char* text);

    void PollConnected();
    void PollWaiting();

    CRobotMqttServiceCallback* m_pCallback;
    mosquitto* m_pMosq = nullptr;
    bool m_bConnected = false;
    uint32_t m_dwFailTick = 0;
    PFN_TICK m_pfnTick;
    bool m_bDrain;
    bool m_bInPoll = false;
    unsigned m_nMessages = 0; // received, wrapping; tells a poll that traffic flows
};
