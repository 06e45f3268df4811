#include "TestPublisher.h"

#include <chrono>
#include <mosquitto.h>

CTestPublisher::CTestPublisher(int nPort)
{
    m_pMosq = mosquitto_new(nullptr, true, this);
    if (!m_pMosq)
        return;
    mosquitto_connect_callback_set(m_pMosq, OnConnect);
    mosquitto_publish_callback_set(m_pMosq, OnPublish);
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

bool CTestPublisher::Publish(const std::string& topic, const std::string& payload)
{
    return m_bConnected &&
           mosquitto_publish(m_pMosq, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                             payload.data(), 0, false) == MOSQ_ERR_SUCCESS;
}

bool CTestPublisher::Sync()
{
    int mid = 0;
    if (!m_bConnected ||
        mosquitto_publish(m_pMosq, &mid, "tavrin-test/sync", 0, nullptr, 1, false) != MOSQ_ERR_SUCCESS)
        return false;
    return LoopUntil([this, mid] { return m_nLastAcked == mid; });
}

void CTestPublisher::OnConnect(mosquitto*, void* pUser, int rc)
{
    static_cast<CTestPublisher*>(pUser)->m_bConnected = rc == 0;
}

void CTestPublisher::OnPublish(mosquitto*, void* pUser, int mid)
{
    static_cast<CTestPublisher*>(pUser)->m_nLastAcked = mid;
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
