// The MQTT library alone on the benchmark's stream: no window, no parsing,
// no poll timer. It waits on the socket, then reads until the socket would
// block, sending each acknowledgement as it goes; the ceiling of any client
// of the library where it runs. Built natively and for Windows, driven by
// program_bench.
//
//   bare_stream PORT
//
// Prints "marker TIME COUNT" for every end marker that comes (TIME in
// wall-clock microseconds since 1970, COUNT the messages so far), and ends
// when its standard input closes or says "quit".
#include "mqtt/SocketReady.h"
#include "mqtt/LinkFacts.h"

#include "StreamConsumer.h"

#include <mosquitto.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

namespace
{
long long g_nMessages = 0;
std::atomic<bool> g_bQuit{false};

void OnConnect(mosquitto* pMosq, void*, int rc)
{
    // As the program subscribes, so that the broker sends at the same QoS.
    if (rc == 0)
        mosquitto_subscribe(pMosq, nullptr, Link::TOPIC_FILTER, Link::SUBSCRIBE_QOS);
}

void OnMessage(mosquitto*, void*, const mosquitto_message* pMessage)
{
    ++g_nMessages;
    const char* p = static_cast<const char*>(pMessage->payload);
    static const char MARK[] = "MARKER#";
    if (p && std::search(p, p + pMessage->payloadlen, MARK, MARK + sizeof MARK - 1) != p + pMessage->payloadlen)
    {
        std::printf("marker %lld %lld\n", NowMicros(), g_nMessages);
        std::fflush(stdout);
    }
}

}

int main(int argc, char** argv)
{
    const int nPort = PortArgument(argc, argv, "bare_stream");
    if (nPort == 0)
        return 2;
    mosquitto_lib_init();
    mosquitto* pMosq = mosquitto_new("bench-bare", true, nullptr);
    mosquitto_connect_callback_set(pMosq, OnConnect);
    mosquitto_message_callback_set(pMosq, OnMessage);
    int rc = mosquitto_connect(pMosq, "127.0.0.1", nPort, 60) == MOSQ_ERR_SUCCESS ? 0 : 1;
    std::thread reader(ReadCommands, std::ref(g_bQuit));
    while (rc == 0 && !g_bQuit)
    {
        // Waits for the socket at most a little, so that a quit is seen.
        if (mosquitto_loop(pMosq, 100, 1) != MOSQ_ERR_SUCCESS)
            rc = 1;
        for (;;)
        {
            errno = 0;
            if (mosquitto_loop_read(pMosq, 1) != MOSQ_ERR_SUCCESS || ReadFoundSocketEmpty())
                break;
            if (mosquitto_want_write(pMosq) && mosquitto_loop_write(pMosq, 1) != MOSQ_ERR_SUCCESS)
                break;
        }
    }
    reader.join();
    mosquitto_disconnect(pMosq);
    mosquitto_destroy(pMosq);
    mosquitto_lib_cleanup();
    return rc;
}
