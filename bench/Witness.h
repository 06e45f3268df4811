#pragma once

#include <atomic>
#include <string>

struct mosquitto;
struct mosquitto_message;
struct SStream;

// A native subscriber to "server/sendMessage" beside every consumer. It
// counts each stream's messages as the broker hands them out, so that a run
// whose consumer misses the marker can tell whether the broker had every
// message to give.
class CWitness
{
public:
    CWitness() = default;
    ~CWitness();
    CWitness(const CWitness&) = delete;
    CWitness& operator=(const CWitness&) = delete;

    // Connects on a thread of the library's, which connects again after the
    // broker restarts; Ready says when the subscription is in place.
    bool Start(int nPort);
    bool WaitReady(int nTimeoutMs) const;
    // Counts the stream's numbers from now on.
    void Expect(const SStream& stream);
    // The stream's messages counted, once all are or the time is up.
    long long WaitAll(int nTimeoutMs) const;

private:
    static void OnConnect(mosquitto* pMosq, void* pUser, int rc);
    static void OnSubscribe(mosquitto* pMosq, void* pUser, int mid, int nQos, const int* pGranted);
    static void OnDisconnect(mosquitto* pMosq, void* pUser, int rc);
    static void OnMessage(mosquitto* pMosq, void* pUser, const mosquitto_message* pMessage);

    mosquitto* m_pMosq = nullptr;
    std::atomic<bool> m_bReady{false};
    std::atomic<long long> m_nFirst{0}, m_nLast{-1}, m_nCount{0};
};

// What a run's input provably was: the publisher's acknowledgements and the
// witness's count. Complete means that the broker took every message and
// handed every one out, so a consumer that missed one lost it itself.
struct SInputProof
{
    bool bComplete = false;
    std::string text;
};
SInputProof ProveInput(const SStream& stream, const CWitness& witness);

// Why a run failed, the cause first: "the input: <proof>; <who>: <what>"
// when the input was not complete, else "<who>: <what>; the input was
// whole: <proof>". Who is "the program" or "the consumer".
std::string Blame(const SInputProof& proof, const std::string& who, const std::string& what);
