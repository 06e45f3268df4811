#include "check/Watch.h"

#include "check/CheckReport.h"
#include "check/PayloadCheck.h"
#include "mqtt/LinkFacts.h"
#include "trace/DebugTrace.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <json/value.h>
#include <map>
#include <mosquitto.h>
#include <random>
#include <thread>

namespace
{
const char TOPIC_FILTER[] = "server/#";
const int KEEPALIVE_SEC = 60;
// How often the loop looks at the stop flag, and the pause before it tries
// a lost broker again.
const int LOOP_WAIT_MS = 100;
const std::chrono::seconds RECONNECT_PAUSE(2);
const std::chrono::milliseconds ANSWER_LIMIT(Link::ATTEMPT_LIMIT_MS);

// Never "tavrin": a second client under the program's identifier would push
// the running program off the broker. Each watcher has its own, too.
std::string ClientId()
{
    std::random_device random;
    const char* const HEX = "0123456789abcdef";
    std::string id = "tavrin-check-";
    for (int i = 0; i < 8; ++i)
        id += HEX[random() % 16];
    return id;
}

// Connection, counts and lines of one watch.
class CWatch
{
public:
    CWatch(const SWatchOptions& options, SCheckIo& io) : m_options(options), m_io(io), m_id(ClientId()) {}
    ~CWatch()
    {
        if (m_pMosq)
            mosquitto_destroy(m_pMosq);
    }

    int Run()
    {
        m_pMosq = mosquitto_new(m_id.c_str(), true, this);
        if (!m_pMosq)
            return Fail("cannot create the MQTT client");
        mosquitto_connect_callback_set(m_pMosq, OnConnect);
        mosquitto_message_callback_set(m_pMosq, OnMessage);
        std::string error;
        if (!m_security.Apply(m_pMosq, m_options.security, m_options.host, error))
            return Fail(error);

        const std::string where = m_options.host + ":" + std::to_string(m_options.nPort);
        int rc = mosquitto_connect(m_pMosq, m_options.host.c_str(), m_options.nPort, KEEPALIVE_SEC);
        if (rc != MOSQ_ERR_SUCCESS)
            return Fail("cannot connect to " + where + ": " + FailureText(rc));
        const std::time_t tStart = std::time(nullptr);
        const auto tConnect = std::chrono::steady_clock::now();
        m_tLastMessage = tConnect;

        bool bLost = false;
        while (!m_io.stop && !m_bRefused && !Done())
        {
            rc = mosquitto_loop(m_pMosq, LOOP_WAIT_MS, 1);
            // The TLS handshake and the broker's answer come in the loop: a
            // first connection that fails there, or does not end, is no watch.
            if (!m_bAnnounced && !m_bRefused &&
                (rc != MOSQ_ERR_SUCCESS || std::chrono::steady_clock::now() - tConnect > ANSWER_LIMIT))
                return Fail("cannot connect to " + where + ": " +
                            (rc != MOSQ_ERR_SUCCESS ? FailureText(rc) : "no answer from the broker"));
            if (rc == MOSQ_ERR_SUCCESS)
                continue;
            if (m_bRefused)
                break;
            if (!bLost)
                m_io.err.Write("tavrin-check: connection to " + where + " lost (" + FailureText(rc) + "); trying again\n");
            bLost = true;
            Pause();
            if (!m_io.stop && !Done() && mosquitto_reconnect(m_pMosq) == MOSQ_ERR_SUCCESS)
                bLost = false;
        }
        mosquitto_disconnect(m_pMosq);
        if (!m_bRefused || m_bAnnounced)
            WriteSummary(tStart);
        if (m_bRefused)
            return Fail("the broker at " + where + " refused the connection: " + m_refusal);
        if (bLost)
            return Fail("the connection to " + where + " was down at the end");
        return m_dropped.empty() ? EXIT_ALL_SHOWN : EXIT_DROPPED;
    }

private:
    static void OnConnect(mosquitto* pMosq, void* pUser, int rc)
    {
        CWatch* pWatch = static_cast<CWatch*>(pUser);
        if (rc != 0)
        {
            pWatch->m_bRefused = true;
            pWatch->m_refusal = mosquitto_connack_string(rc);
            return;
        }
        // A clean session: every connection needs the subscription again.
        mosquitto_subscribe(pMosq, nullptr, TOPIC_FILTER, 1);
        const std::string where = pWatch->m_options.host + ":" + std::to_string(pWatch->m_options.nPort);
        if (pWatch->m_bAnnounced)
            pWatch->m_io.err.Write("tavrin-check: connected again to " + where + "\n");
        else
            pWatch->m_io.err.Write("tavrin-check: watching " + std::string(TOPIC_FILTER) + " on " + where + " as " +
                                   pWatch->m_id + "; Ctrl+C ends\n");
        pWatch->m_bAnnounced = true;
    }

    static void OnMessage(mosquitto*, void* pUser, const mosquitto_message* pMessage)
    {
        TraceExceptions("the message callback", [&] { static_cast<CWatch*>(pUser)->Take(pMessage); });
    }

    // -C's count reached, or -W's quiet time over.
    bool Done() const
    {
        if (m_options.nCount > 0 && static_cast<long>(m_nShown + DroppedCount()) >= m_options.nCount)
            return true;
        return m_options.nIdleSec > 0 &&
               std::chrono::steady_clock::now() - m_tLastMessage >= std::chrono::seconds(m_options.nIdleSec);
    }

    size_t DroppedCount() const
    {
        size_t n = 0;
        for (const auto& entry : m_dropped)
            n += entry.second.n;
        return n;
    }

    void Take(const mosquitto_message* pMessage)
    {
        // Past -C's count the rest waits for another watch.
        if (m_options.nCount > 0 && static_cast<long>(m_nShown + DroppedCount()) >= m_options.nCount)
            return;
        m_tLastMessage = std::chrono::steady_clock::now();
        const char* pPayload = static_cast<const char*>(pMessage->payload);
        const size_t nBytes = pPayload && pMessage->payloadlen > 0 ? static_cast<size_t>(pMessage->payloadlen) : 0;
        const CPayloadCheck check = CheckPayload(std::string(pPayload ? pPayload : "", nBytes),
                                                 pMessage->topic ? pMessage->topic : "");
        const std::time_t tNow = std::time(nullptr);
        if (check.IsShown())
            ++m_nShown;
        else
        {
            SDropCount& count = m_dropped[check.DropCode()];
            count.label = check.DropKind();
            ++count.n;
        }
        if (!m_options.bJson)
        {
            m_io.out.Write(WatchLine(check, tNow, pMessage->retain));
            return;
        }
        Json::Value o = ReportObject(check);
        o["time"] = DateTimeText(tNow);
        o["retained"] = pMessage->retain;
        m_io.out.Write(JsonLine(o));
    }

    void Pause()
    {
        const auto tEnd = std::chrono::steady_clock::now() + RECONNECT_PAUSE;
        while (!m_io.stop && !Done() && std::chrono::steady_clock::now() < tEnd)
            std::this_thread::sleep_for(std::chrono::milliseconds(LOOP_WAIT_MS));
    }

    void WriteSummary(std::time_t tStart)
    {
        const size_t nDropped = DroppedCount();
        if (m_options.bJson)
        {
            Json::Value summary(Json::objectValue);
            summary["shown"] = static_cast<Json::UInt64>(m_nShown);
            summary["dropped"] = Json::Value(Json::objectValue);
            for (const auto& entry : m_dropped)
                summary["dropped"][entry.first] = static_cast<Json::UInt64>(entry.second.n);
            Json::Value o(Json::objectValue);
            o["summary"] = summary;
            m_io.out.Write(JsonLine(o));
            return;
        }
        // The end's date only when it differs from the start's.
        const std::string start = DateTimeText(tStart);
        std::string end = DateTimeText(std::time(nullptr));
        if (end.compare(0, 11, start, 0, 11) == 0)
            end.erase(0, 11);
        std::string text = "\n" + start + " to " + end + ": " +
                           std::to_string(m_nShown + nDropped) + " messages, " + std::to_string(m_nShown) +
                           " shown, " + std::to_string(nDropped) + " dropped\n";
        for (const auto& entry : m_dropped)
            text += "  " + std::to_string(entry.second.n) + "  " + entry.second.label + "\n";
        m_io.out.Write(text);
    }

    int Fail(const std::string& message)
    {
        m_io.err.Write("tavrin-check: " + message + "\n");
        return EXIT_USAGE;
    }

    // What the certificate check found, or the library's word.
    std::string FailureText(int rc) const
    {
        const std::string found = m_security.FailureText();
        if (!found.empty())
            return found;
        // A failed system call leaves its own code in errno.
        return rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
    }

    const SWatchOptions& m_options;
    SCheckIo& m_io;
    const std::string m_id;
    mosquitto* m_pMosq = nullptr;
    CLinkSecurity m_security;
    std::chrono::steady_clock::time_point m_tLastMessage;
    bool m_bAnnounced = false;
    bool m_bRefused = false;
    std::string m_refusal;
    size_t m_nShown = 0;
    struct SDropCount
    {
        std::string label;
        size_t n = 0;
    };
    std::map<std::string, SDropCount> m_dropped; // by reason code
};
}

int RunWatch(const SWatchOptions& options, SCheckIo& io)
{
    mosquitto_lib_init();
    io.pfnCatchInterrupt(&io.stop);
    int nStatus = CWatch(options, io).Run();
    io.pfnCatchInterrupt(nullptr);
    mosquitto_lib_cleanup();
    return nStatus;
}
