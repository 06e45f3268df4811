#pragma once

#include "mqtt/LinkFailure.h"
#include "mqtt/LinkSecurity.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct mosquitto;
struct mosquitto_message;
class CRobotMqttServiceCallback;
class CNameLookup;

// The program's one connection to the broker, driven entirely by Poll from the
// window's timers. Nothing in it waits on the network: an attempt (name
// lookup, TCP connect, the broker's CONNACK) advances a step per poll and
// fails after Link::ATTEMPT_LIMIT_MS; only the name lookup runs on a thread of
// its own, which touches nothing but its own result.
class CRobotMqttService
{
public:
    // Millisecond tick counter, 32 bits, wrapping (GetTickCount on Windows).
    typedef uint32_t (*PFN_TICK)();

    CRobotMqttService(CRobotMqttServiceCallback* pCallback, PFN_TICK pfnTick);
    ~CRobotMqttService();
    CRobotMqttService(const CRobotMqttService&) = delete;
    CRobotMqttService& operator=(const CRobotMqttService&) = delete;

    // Reads the settings, logs "connect(host:port)" and starts the first attempt.
    void Connect();
    void Poll();
    void Close();
    // The PC resumed or the network changed: test the link now rather than
    // at the keep-alive, and try again at once rather than after the pause.
    void CheckNow();
    void Log(int nKind, const char* text);
    void OnReceive(const mosquitto_message* pMessage);

    // false: one loop call per poll. Only the benchmark turns draining off.
    void SetDrain(bool bDrain) { m_bDrain = bDrain; }
    // The broker accepted the connection, and the subscription was sent.
    bool IsConnected() const { return m_eState == STATE_CONNECTED; }
    // An attempt is under way.
    bool IsAttempting() const { return m_eState == STATE_ATTEMPT; }
    // Why the link was last down; LINK_FAIL_NONE while it is up.
    ELinkFailure LastFailure() const { return m_eFailure; }
    // The identifier given to the broker (empty before Connect).
    const std::string& ClientId() const { return m_clientId; }

private:
    enum EState
    {
        STATE_NONE,    // no instance
        STATE_ATTEMPT, // looking up, connecting or waiting for CONNACK
        STATE_CONNECTED,
        STATE_WAITING, // the pause after a failure or loss
    };
    enum EPhase
    {
        PHASE_LOOKUP,
        PHASE_TCP,     // non-blocking connect under way
        PHASE_CONNACK, // CONNECT sent
    };

    static void OnMqttConnect(mosquitto* pMosq, void* pUser, int rc);
    static void OnMqttMessage(mosquitto* pMosq, void* pUser, const mosquitto_message* pMessage);
    static void OnMqttSubscribe(mosquitto* pMosq, void* pUser, int mid, int nQos, const int* pGranted);
    static void OnMqttUnsubscribe(mosquitto* pMosq, void* pUser, int mid);
    static void OnMqttLog(mosquitto* pMosq, void* pUser, int nLevel, const char* text);

    bool CreateInstance();
    void StartAttempt();
    void PollAttempt();
    bool ConnectNextAddress();
    bool SecureInstance();
    std::string TlsFailureCause(int rc, int nErrno) const;
    void EndAttempt(ELinkFailure eFailure, const std::string& cause);
    void PollConnected();
    void PollWaiting();
    void LoseConnection(const std::string& cause);
    std::string Where() const;

    CRobotMqttServiceCallback* m_pCallback;
    mosquitto* m_pMosq = nullptr;
    EState m_eState = STATE_NONE;
    uint32_t m_dwFailTick = 0;
    PFN_TICK m_pfnTick;
    bool m_bDrain;
    bool m_bInPoll = false;
    unsigned m_nMessages = 0; // received, wrapping; tells a poll that traffic flows

    std::string m_clientId;
    std::string m_host;
    int m_nPort = 0;
    SLinkSecurity m_settings;
    std::string m_settingsError; // set: every attempt fails with it
    CLinkSecurity m_security;
    ELinkFailure m_eFailure = LINK_FAIL_NONE;

    // The attempt under way.
    bool m_bFirstAttempt = true; // "connection …" rather than "reconnect …"
    bool m_bAttemptNow = false;  // skip the pause once
    EPhase m_ePhase = PHASE_LOOKUP;
    uint32_t m_dwAttemptTick = 0;
    std::shared_ptr<CNameLookup> m_pLookup;
    std::vector<std::string> m_addresses;
    size_t m_nAddress = 0;
    std::string m_lastCause;
    int m_nConnack = -1; // the broker's answer, -1 until it comes

    // The link check after a resume: the id of its UNSUBSCRIBE, 0 when none.
    int m_nCheckMid = 0;
    uint32_t m_dwCheckTick = 0;
};
