#include "Witness.h"

#include "BenchTime.h"
#include "Stream.h"
#include "TestMessage.h"

#include <mosquitto.h>

CWitness::~CWitness()
{
    if (!m_pMosq)
        return;
    mosquitto_disconnect(m_pMosq);
    mosquitto_loop_stop(m_pMosq, false);
    mosquitto_destroy(m_pMosq);
}

bool CWitness::Start(int nPort)
{
    m_pMosq = mosquitto_new("bench-witness", true, this);
    if (!m_pMosq)
        return false;
    mosquitto_connect_callback_set(m_pMosq, OnConnect);
    mosquitto_subscribe_callback_set(m_pMosq, OnSubscribe);
    mosquitto_disconnect_callback_set(m_pMosq, OnDisconnect);
    mosquitto_message_callback_set(m_pMosq, OnMessage);
    mosquitto_reconnect_delay_set(m_pMosq, 1, 1, false);
    return mosquitto_connect(m_pMosq, "127.0.0.1", nPort, 60) == MOSQ_ERR_SUCCESS &&
           mosquitto_loop_start(m_pMosq) == MOSQ_ERR_SUCCESS && WaitReady(10000);
}

bool CWitness::WaitReady(int nTimeoutMs) const
{
    const auto tEnd = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    while (!m_bReady && Clock::now() < tEnd)
        SleepMs(10);
    return m_bReady;
}

void CWitness::Expect(const SStream& stream)
{
    m_nLast = -1;
    m_nCount = 0;
    m_nFirst = stream.nFirst;
    m_nLast = stream.Last();
}

long long CWitness::WaitAll(int nTimeoutMs) const
{
    const auto tEnd = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    while (m_nCount < m_nLast - m_nFirst + 1 && Clock::now() < tEnd)
        SleepMs(10);
    return m_nCount;
}

void CWitness::OnConnect(mosquitto* pMosq, void*, int rc)
{
    // QoS 0: the count costs the broker as little as it can.
    if (rc == 0)
        mosquitto_subscribe(pMosq, nullptr, ROBOT_TOPIC, 0);
}

void CWitness::OnSubscribe(mosquitto*, void* pUser, int, int, const int*)
{
    static_cast<CWitness*>(pUser)->m_bReady = true;
}

void CWitness::OnDisconnect(mosquitto*, void* pUser, int)
{
    static_cast<CWitness*>(pUser)->m_bReady = false;
}

void CWitness::OnMessage(mosquitto*, void* pUser, const mosquitto_message* pMessage)
{
    CWitness* pThis = static_cast<CWitness*>(pUser);
    long long nSeq = SeqOfPayload(static_cast<const char*>(pMessage->payload),
                                  static_cast<size_t>(pMessage->payloadlen));
    if (nSeq >= pThis->m_nFirst && nSeq <= pThis->m_nLast)
        ++pThis->m_nCount;
}

SInputProof ProveInput(const SStream& s, const CWitness& witness)
{
    SInputProof proof;
    const std::string all = std::to_string(s.nCount);
    if (!s.bConnected)
    {
        proof.text = "the publisher did not connect";
        return proof;
    }
    if (!s.bConfirmed)
        proof.text = s.nQos > 0 ? "the broker acknowledged " + std::to_string(s.nAcked) + " of " + all + " at QoS 1"
                                : "the broker did not confirm the stream (" + std::to_string(s.nPublished) + " of " +
                                      all + " published at QoS 0)";
    else
        proof.text = s.nQos > 0 ? "the broker acknowledged all " + all + " at QoS 1"
                                : "the broker confirmed all " + all + " at QoS 0 (a QoS 1 message after them)";
    const long long nSeen = witness.WaitAll(10000);
    proof.text += nSeen == s.nCount ? ", the witness received all"
                                    : ", the witness received " + std::to_string(nSeen) + " of " + all;
    proof.bComplete = s.bConfirmed && nSeen == s.nCount;
    return proof;
}

std::string Blame(const SInputProof& proof, const std::string& who, const std::string& what)
{
    if (!proof.bComplete)
        return "the input: " + proof.text + "; " + who + ": " + what;
    return who + ": " + what + "; the input was whole: " + proof.text;
}
