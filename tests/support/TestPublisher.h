#pragma once

#include <string>
#include <unordered_set>

struct mosquitto;

// Publishes to the test broker through libmosquitto, as the robot system's
// server would. The program itself never publishes.
class CTestPublisher
{
public:
    explicit CTestPublisher(int nPort);
    // To a secure test broker (CTestBroker::MakeSecure) as its user "robot".
    CTestPublisher(int nPort, const std::string& caFile);
    ~CTestPublisher();
    CTestPublisher(const CTestPublisher&) = delete;
    CTestPublisher& operator=(const CTestPublisher&) = delete;

    bool IsConnected() const { return m_bConnected; }

    // The payload's bytes as given (NUL bytes included), at QoS 0 or 1. The
    // library writes what the socket takes at once and keeps the rest.
    bool Publish(const std::string& topic, const std::string& payload, int nQos = 0);
    // Takes in the broker's answers that have come and hands the socket what
    // the library still holds, waiting only while the socket is full.
    bool SendQueued();
    // Returns true once the broker has handled everything published before
    // and acknowledged every QoS 1 message: it answers a QoS 1 message only
    // after the ones ahead of it on the connection.
    bool Sync();
    // QoS 1 messages that the broker has acknowledged (syncs not counted).
    long long Acknowledged() const { return m_nAcked; }

private:
    static void OnConnect(mosquitto* pMosq, void* pUser, int rc);
    static void OnPublish(mosquitto* pMosq, void* pUser, int mid);
    template <class F> bool LoopUntil(F done);
    bool Create();
    void Connect(int nPort);

    mosquitto* m_pMosq;
    bool m_bConnected = false;
    std::unordered_set<int> m_pending; // QoS 1 messages not yet acknowledged
    long long m_nAcked = 0;
    int m_nSyncMid = -1;
    bool m_bSynced = false;
};
