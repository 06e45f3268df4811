#include "TestPublisher.h"

#include <chrono>
#include <mosquitto.h>

CTestPublisher::CTestPublisher(int nPort)
{
    if (Create())
        Connect(nPort);
}

CTestPublisher::CTestPublisher(int nPort, const std::string& caFile)
{
    if (!Create())
        return;
    mosquitto_tls_set(m_pMosq, caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
    // The certificate names localhost; the publisher is not what is tested.
    mosquitto_tls_insecure_set(m_pMosq, true);
    mosquitto_username_pw_set(m_pMosq, "robot", "s3cret pass");
    Connect(nPort);
}

bool CTestPublisher::Create()
{
    m_pMosq = mosquitto_new(nullptr, true, this);
    if (!m_pMosq)
        return false;
    mosquitto_connect_callback_set(m_pMosq, OnConnect);
    mosquitto_publish_callback_set(m_pMosq, OnPublish);
    // A burst at QoS 1 goes out as fast as at QoS 0 instead of 20 at a time.
    mosquitto_int_option(m_pMosq, MOSQ_OPT_SEND_MAXIMUM, 65535);
    return true;
}

void CTestPublisher::Connect(int nPort)
{
    if (mosquitto_connect(m_pMosq, "127.0.0.1", nPort, 60) == MOSQ_ERR_SUCCESS)
        LoopUntil([this] { return m_bConnected; });
}

CTestPublisher::~CTestPublisher()
{
    if (!m_pMosq)
        return;
    mosquitto_disconnect(m_pMosq);
    mosquitto_destroy(m_pMosq);
}

bool CTestPublisher::Publish(const std::string& topic, const std::string& payload, int nQos)
{
    int mid = 0;
    if (!m_bConnected || mosquitto_publish(m_pMosq, &mid, topic.c_str(), static_cast<int>(payload.size()),
                                           payload.data(), nQos, false) != MOSQ_ERR_SUCCESS)
        return false;
    if (nQos > 0)
        m_pending.insert(mid);
    return true;
}

bool CTestPublisher::SendQueued()
{
    if (!m_bConnected || mosquitto_loop(m_pMosq, 0, 1) != MOSQ_ERR_SUCCESS)
        return false;
    while (mosquitto_want_write(m_pMosq))
        if (mosquitto_loop(m_pMosq, 100, 1) != MOSQ_ERR_SUCCESS)
            return false;
    return true;
}

bool CTestPublisher::Sync()
{
    m_bSynced = false;
    if (!m_bConnected ||
        mosquitto_publish(m_pMosq, &m_nSyncMid, "tavrin-test/sync", 0, nullptr, 1, false) != MOSQ_ERR_SUCCESS)
        return false;
    return LoopUntil([this] { return m_bSynced && m_pending.empty(); });
}

void CTestPublisher::OnConnect(mosquitto*, void* pUser, int rc)
{
    static_cast<CTestPublisher*>(pUser)->m_bConnected = rc == 0;
}

// Also called for a QoS 0 message once it is written; only QoS 1 ones count.
void CTestPublisher::OnPublish(mosquitto*, void* pUser, int mid)
{
    CTestPublisher* pThis = static_cast<CTestPublisher*>(pUser);
    if (mid == pThis->m_nSyncMid)
        pThis->m_bSynced = true;
    else if (pThis->m_pending.erase(mid) > 0)
        ++pThis->m_nAcked;
}

template <class F> bool CTestPublisher::LoopUntil(F done)
{
    const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done())
    {
        if (std::chrono::steady_clock::now() > tEnd)
            return false;
        if (mosquitto_loop(m_pMosq, 10, 100) != MOSQ_ERR_SUCCESS)
            return false;
    }
    return true;
}
