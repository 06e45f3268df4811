#pragma once

#include <string>

struct mosquitto;

// Publishes to the test broker through libmosquitto, as the robot system's
// server would. The program itself never publishes.
class CTestPublisher
{
public:
    explicit CTestPublisher(int nPort);
    ~CTestPublisher();
    CTestPublisher(const CTestPublisher&) = delete;
    CTestPublisher& operator=(const CTestPublisher&) = delete;

    bool IsConnected() const { return m_bConnected; }

    // QoS 0, the payload's bytes as given (NUL bytes included).
    bool Publish(const std::string& topic, const std::string& payload);
    // Returns once the broker has handled everything published before: the
    // broker answers a QoS 1 message only after the ones ahead of it.
    bool Sync();

private:
    static void OnConnect(mosquitto* pMosq, void* pUser, int rc);
    static void OnPublish(mosquitto* pMosq, void* pUser, int mid);
    template <class F> bool LoopUntil(F done);

    mosquitto* m_pMosq;
    bool m_bConnected = false;
    int m_nLastAcked = -1;
};
