// How fast the MQTT link takes in a burst on "server/sendMessage": once with
// one loop call per poll, once with the draining poll, polling every 30 ms
// like the main window's timer.
//
//   drain_bench [N] [N_ONE]
//
// N messages for the draining poll (default 20000). The one-call-per-poll run
// takes N_ONE of them (default the smaller of N and 1000): at one message per
// 30 ms poll, 20000 would take ten minutes, and behind a backlog that deep the
// broker's answer to the client's keep-alive ping comes too late, so the
// library drops the connection after about two minutes.
#include "FakeCallback.h"
#include "TestBroker.h"
#include "TestMessage.h"
#include "TestPublisher.h"
#include "mqtt/RobotMqttService.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mosquitto.h>
#include <string>
#include <thread>

namespace
{
typedef std::chrono::steady_clock Clock;
const auto POLL_PERIOD = std::chrono::milliseconds(30);

uint32_t Tick()
{
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
}

struct CResult
{
    bool bOk = false;
    size_t nReceived = 0;
    int nPolls = 0;
    double dSeconds = 0;
    bool bLost = false;
};

CResult Measure(const CTestBroker& broker, int nMessages, bool bDrain)
{
    CResult result;
    CFakeCallback callback;
    callback.KeepMessages(false);
    callback.SetInt("port", broker.Port());
    CRobotMqttService service(&callback, Tick);
    service.SetDrain(bDrain);
    service.Connect();
    const auto tReady = Clock::now() + std::chrono::seconds(10);
    while (callback.CountLibraryLog("SUBACK") == 0 && Clock::now() < tReady)
    {
        service.Poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (callback.CountLibraryLog("SUBACK") == 0)
    {
        service.Close();
        return result;
    }

    // The publisher runs beside the polls, as the robot system's server would.
    const auto tStart = Clock::now();
    std::thread publisher([&] {
        CTestPublisher pub(broker.Port());
        for (int i = 0; i < nMessages; ++i)
            pub.Publish(ROBOT_TOPIC, RobotMessage("idle", "대기 중 " + std::to_string(i), i));
        pub.Sync();
    });

    auto tNext = tStart;
    const auto tGiveUp = tStart + std::chrono::seconds(30) + nMessages * 2 * POLL_PERIOD;
    while (callback.m_nMessages < size_t(nMessages) && Clock::now() < tGiveUp)
    {
        service.Poll();
        ++result.nPolls;
        if (callback.CountLines(LOG_MQTT, "connection lost") > 0)
        {
            result.bLost = true;
            break;
        }
        tNext += POLL_PERIOD;
        std::this_thread::sleep_until(tNext);
    }
    result.dSeconds = std::chrono::duration<double>(Clock::now() - tStart).count();
    result.nReceived = callback.m_nMessages;
    result.bOk = result.nReceived == size_t(nMessages);
    publisher.join();
    service.Close();
    return result;
}

void Print(const char* name, const CResult& r)
{
    std::printf("%-24s %6zu messages in %8.2f s: %10.1f msgs/s (%d polls)%s\n", name, r.nReceived,
                r.dSeconds, r.nReceived / r.dSeconds, r.nPolls,
                r.bOk ? "" : (r.bLost ? "  CONNECTION LOST" : "  INCOMPLETE"));
}
}

int main(int argc, char** argv)
{
    int nMessages = argc > 1 ? std::atoi(argv[1]) : 20000;
    int nOneCall = argc > 2 ? std::atoi(argv[2]) : (nMessages < 1000 ? nMessages : 1000);
    if (nMessages <= 0 || nOneCall <= 0)
    {
        std::fprintf(stderr, "usage: drain_bench [N] [N_ONE]\n");
        return 2;
    }

    mosquitto_lib_init();
    int rc = 1;
    {
        CTestBroker broker;
        if (!broker.Start())
        {
            std::fprintf(stderr, "drain_bench: the broker did not start\n%s", broker.LogText().c_str());
        }
        else
        {
            std::printf("drain_bench: burst on \"server/sendMessage\", one poll every %d ms\n",
                        static_cast<int>(POLL_PERIOD.count()));
            CResult one = Measure(broker, nOneCall, false);
            Print("one loop call per poll:", one);
            CResult drain = Measure(broker, nMessages, true);
            Print("draining poll:", drain);
            if (one.bOk && drain.bOk)
                std::printf("ratio (draining / one call): %.1f\n",
                            (drain.nReceived / drain.dSeconds) / (one.nReceived / one.dSeconds));
            rc = one.bOk && drain.bOk ? 0 : 1;
        }
    }
    mosquitto_lib_cleanup();
    return rc;
}
