// The portable core alone on the benchmark's stream: the MQTT client and
// the interpretation of each message, polled every 30 ms like the window's
// timer, without any window. Built natively and for Windows, so that the
// whole-program figures can be split into the network under Wine and the
// window. Driven by program_bench.
//
//   core_stream PORT
//
// Prints "marker TIME COUNT" for every end marker that it interprets (TIME in
// wall-clock microseconds since 1970, COUNT the messages accepted so far),
// and ends when its standard input closes or says "quit".
#include "mqtt/RobotMqttService.h"
#include "mqtt/LinkFacts.h"
#include "mqtt/RobotMqttServiceCallback.h"
#include "status/StatusInterpretation.h"

#include "StreamConsumer.h"

#include <mosquitto.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

namespace
{
uint32_t Tick()
{
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
}

// What the window would do with each message, short of showing it.
class CCoreCallback : public CRobotMqttServiceCallback
{
public:
    explicit CCoreCallback(int nPort) : m_nPort(nPort) {}

    int GetConfigInt(const std::string&, const std::string& key, int nDefault) override
    {
        return key == "port" ? m_nPort : nDefault;
    }
    std::string GetConfigString(const std::string&, const std::string& key, const std::string& strDefault) override
    {
        return key == Link::KEY_CLIENT_ID ? BENCH_CLIENT_ID : strDefault;
    }
    void SetConfigString(const std::string&, const std::string&, const std::string&) override {}
    void AddLog(int, const std::string& text) override { m_nBytes += text.size(); }
    void OnMessage(const std::string& topic, const Json::Value& root) override
    {
        CStatusUpdate update = InterpretMessage(topic, root);
        if (!update.bAccepted)
            return;
        ++m_nAccepted;
        m_nBytes += update.strContentLine.size();
        for (const SStatusText& status : update.texts)
            if (status.field == FIELD_ROBOT_DETAIL && status.text.find("MARKER") != std::string::npos)
            {
                std::printf("marker %lld %lld\n", NowMicros(), m_nAccepted);
                std::fflush(stdout);
            }
    }

private:
    int m_nPort;
    long long m_nAccepted = 0;
    size_t m_nBytes = 0;
};

std::atomic<bool> g_bQuit{false};

}

int main(int argc, char** argv)
{
    const int nPort = PortArgument(argc, argv, "core_stream");
    if (nPort == 0)
        return 2;
    mosquitto_lib_init();
    {
        CCoreCallback callback(nPort);
        CRobotMqttService service(&callback, Tick);
        service.Connect();
        std::thread reader(ReadCommands, std::ref(g_bQuit));
        auto tNext = Clock::now();
        while (!g_bQuit)
        {
            service.Poll();
            // Like a window timer: ticks missed during a long poll come as one.
            tNext += std::chrono::milliseconds(30);
            if (tNext < Clock::now())
                tNext = Clock::now();
            std::this_thread::sleep_until(tNext);
        }
        reader.join();
        service.Close();
    }
    mosquitto_lib_cleanup();
    return 0;
}
