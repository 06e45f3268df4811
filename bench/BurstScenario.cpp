// Bursts: the same stream, published as fast as the broker takes it, into
// each consumer in turn, at QoS 0 and again at QoS 1; the ratios that the
// targets name are taken within one run of this.
#include "Bench.h"
#include "StreamConsumer.h"
#include "mqtt/LinkFacts.h"
#include "BenchTime.h"
#include "OtherLoad.h"
#include "ProgramSession.h"

#include <cstdio>
#include <thread>

namespace
{
enum EConsumer
{
    SUB,
    CORE_NATIVE,
    CORE_WINE,
    BARE_WINE,
    PROGRAM,
    PROGRAM_ONE,
    CONSUMER_COUNT,
};

const struct
{
    const char* key;  // for --consumers
    const char* name;
    const char* exe;  // its process under Wine, for its CPU time
} CONSUMERS[CONSUMER_COUNT] = {
    {"sub", "mosquitto_sub -C N (native)", nullptr},
    {"core", "portable core (native)", nullptr},
    {"core-wine", "portable core (Wine)", "core_stream.exe"},
    {"bare-wine", "bare libmosquitto client (Wine)", "bare_stream.exe"},
    {"program", "Tavrin.exe (Wine)", "Tavrin.exe"},
    {"onecall", "Tavrin.exe, one loop call per poll", "Tavrin.exe"},
};

struct SBurst
{
    bool bOk = false;
    bool bStartFailed = false; // the benchmark's fault, not the consumer's
    std::string failure;
    double dSeconds = 0; // first publish to the marker at the consumer
    double dPublish = 0; // first to last publish
    double dLag = 0;     // marker published to marker at the consumer
    double dCpu = -1;    // the consumer's process and the wineserver, seconds
    double dOthers = 0;  // cores that other programs took meanwhile
    long long nMessages = 0;
    double Rate() const { return dSeconds > 0 ? static_cast<double>(nMessages) / dSeconds : 0; }
};

// A core or bare client's line "marker TIME COUNT".
bool WaitCounted(CChild& child, long long nExpected, long long& tDone, std::string& what, int nTimeoutMs)
{
    std::string line;
    long long nCount = 0;
    if (!child.WaitFor("marker", line, nTimeoutMs) ||
        std::sscanf(line.c_str(), "marker %lld %lld", &tDone, &nCount) != 2)
    {
        what = "no marker";
        return false;
    }
    if (nCount == nExpected)
        return true;
    what = "counted " + std::to_string(nCount) + " of " + std::to_string(nExpected);
    return false;
}

SBurst RunBurst(SBench& bench, EConsumer kind, int nQos, long long n)
{
    SBurst r;
    SStream stream = bench.NewStream(n + 1, nQos);
    r.nMessages = stream.nCount;
    const std::string port = std::to_string(bench.broker.Port());
    const size_t nFrom = bench.broker.LogSize();

    CChild child;
    CProgramSession session(bench);
    std::string subscriber = BENCH_CLIENT_ID;
    bool bStarted = true;
    switch (kind)
    {
    case SUB:
        subscriber = "bench-sub";
        child.Start({"mosquitto_sub", "-h", "127.0.0.1", "-p", port, "-i", subscriber, "-t", Link::TOPIC_FILTER, "-q", "1",
                     "-C", std::to_string(stream.nCount)},
                    true);
        break;
    case CORE_NATIVE: child.Start({bench.opt.native + "/bench/core_stream", port}); break;
    case CORE_WINE: child.Start({bench.opt.wine, bench.opt.win64 + "/bench/core_stream.exe", port}); break;
    case BARE_WINE:
        subscriber = "bench-bare";
        child.Start({bench.opt.wine, bench.opt.win64 + "/bench/bare_stream.exe", port});
        break;
    default:
        bStarted = session.Start(bench.opt.win64 + (kind == PROGRAM ? "/Tavrin.exe" : "/onecall/Tavrin.exe"));
        session.Watch(2);
        break;
    }
    if (!bStarted || !bench.broker.WaitLog(subscriber + " 1 " + Link::TOPIC_FILTER, nFrom, 120000) ||
        !bench.witness.WaitReady(10000))
    {
        r.bStartFailed = true;
        r.failure = "the benchmark: the consumer or the witness did not subscribe";
        return r;
    }
    // Let the start settle before the clock runs.
    SleepMs(500);

    const pid_t wineserver = FindWineserver(bench.prefix);
    pid_t consumer = session.Pid();
    if (consumer <= 0 && CONSUMERS[kind].exe)
        consumer = FindProcess(CONSUMERS[kind].exe, port);
    const double dCpu0 = CpuSeconds(consumer) + CpuSeconds(wineserver);
    COtherLoad others(bench.broker.ProcessGroup());
    bench.witness.Expect(stream);
    std::thread publisher([&] { PublishStream(bench.broker.Port(), stream); });
    const int nTimeout = 60000 + static_cast<int>(n * 40);
    long long tDone = 0;
    std::string what;
    bool bDone = false;
    switch (kind)
    {
    case SUB:
        bDone = child.Wait(nTimeout);
        tDone = NowMicros();
        what = "did not end with all messages";
        break;
    case CORE_NATIVE:
    case CORE_WINE:
    case BARE_WINE:
        bDone = WaitCounted(child, stream.nCount, tDone, what, nTimeout);
        child.Write("quit\n");
        child.Wait(20000);
        break;
    default:
        bDone = session.WaitMarker(tDone, nullptr, nTimeout);
        if (!bDone)
            what = "no marker; " + session.Diagnosis();
        break;
    }
    if (consumer > 0)
        r.dCpu = CpuSeconds(consumer) + CpuSeconds(wineserver) - dCpu0;
    publisher.join();
    r.dOthers = others.Cores();
    const SInputProof proof = ProveInput(stream, bench.witness);
    if (!bDone || !proof.bComplete)
    {
        r.failure = Blame(proof, kind >= PROGRAM ? "the program" : "the consumer", bDone ? "reached the marker" : what);
        return r;
    }
    r.bOk = true;
    r.dSeconds = static_cast<double>(tDone - stream.times.front()) / 1e6;
    r.dPublish = static_cast<double>(stream.times.back() - stream.times.front()) / 1e6;
    r.dLag = static_cast<double>(tDone - stream.times.back()) / 1e6;
    return r;
}

bool Wanted(const std::string& list, const char* key)
{
    return ("," + list + ",").find(std::string(",") + key + ",") != std::string::npos;
}

void BurstAtQos(SBench& bench, int nQos)
{
    std::vector<SBurst> runs[CONSUMER_COUNT];
    std::printf("\n== burst at QoS %d: N messages on \"server/sendMessage\" as fast as the broker takes them, "
                "then a marker\n",
                nQos);
    std::fflush(stdout);
    for (int run = 0; run < bench.opt.nRuns; ++run)
        for (int k = 0; k < CONSUMER_COUNT; ++k)
        {
            // One loop call per poll is the same at either QoS, and slow.
            if (!Wanted(bench.opt.consumers, CONSUMERS[k].key) || (k == PROGRAM_ONE && nQos > 0))
                continue;
            const long long n = k == PROGRAM_ONE ? bench.opt.nOne : bench.opt.n;
            SBurst b = RunBurst(bench, static_cast<EConsumer>(k), nQos, n);
            // A start that failed says nothing about the consumer: once more.
            if (b.bStartFailed)
            {
                std::fprintf(stderr, "  %s did not start (%s); again\n", CONSUMERS[k].name, b.failure.c_str());
                b = RunBurst(bench, static_cast<EConsumer>(k), nQos, n);
            }
            runs[k].push_back(b);
            std::fprintf(stderr, "  QoS %d run %d %-36s %s %.2f s, %.0f msgs/s, others %.2f cores\n", nQos, run + 1,
                         CONSUMERS[k].name, b.bOk ? "ok" : "FAILED", b.dSeconds, b.Rate(), b.dOthers);
        }

    std::printf("%-36s %8s %10s %10s %10s %10s %10s %8s\n", "consumer", "messages", "to marker", "publish", "lag",
                "msgs/s", "CPU ms/msg", "others");
    double rate[CONSUMER_COUNT] = {};
    std::vector<std::string> failures;
    for (int k = 0; k < CONSUMER_COUNT; ++k)
    {
        if (runs[k].empty())
            continue;
        std::vector<double> secs, pubs, lags, rates, cpus, others;
        for (const SBurst& b : runs[k])
        {
            others.push_back(b.dOthers);
            if (!b.bOk)
            {
                failures.push_back(std::string(CONSUMERS[k].name) + ": a run FAILED, " + b.failure);
                continue;
            }
            secs.push_back(b.dSeconds);
            pubs.push_back(b.dPublish);
            lags.push_back(b.dLag);
            rates.push_back(b.Rate());
            if (b.dCpu >= 0)
                cpus.push_back(b.dCpu * 1000 / static_cast<double>(b.nMessages));
        }
        const long long nMessages = runs[k].front().nMessages;
        if (secs.size() < runs[k].size())
        {
            std::printf("%-36s %8lld %10s %10s %10s %10s %10s %7.2fc\n", CONSUMERS[k].name, nMessages, "FAILED", "",
                        "", "", "", Median(others));
            continue;
        }
        rate[k] = Median(rates);
        char szCpu[32] = "-";
        if (!cpus.empty())
            std::snprintf(szCpu, sizeof szCpu, "%.3f", Median(cpus));
        std::printf("%-36s %8lld %9.2fs %9.2fs %9.2fs %10.0f %10s %7.2fc\n", CONSUMERS[k].name, nMessages, Median(secs),
                    Median(pubs), Median(lags), rate[k], szCpu, Median(others));
    }
    std::printf("(medians of %d run%s; CPU: the consumer's Wine process and the wineserver; others: cores that other "
                "programs took)\n",
                bench.opt.nRuns, bench.opt.nRuns > 1 ? "s" : "");
    if (failures.empty())
        std::printf("input: every run's messages acknowledged by the broker and received by the witness\n");
    for (const std::string& f : failures)
        std::printf("%s\n", f.c_str());

    auto ratio = [&](const char* name, EConsumer a, EConsumer b) {
        if (rate[a] > 0 && rate[b] > 0)
            std::printf("ratio %-52s %6.3f\n", name, rate[a] / rate[b]);
    };
    if (rate[PROGRAM] > 0 && rate[CORE_WINE] > 0)
        std::printf("ratio %-52s %6.3f  target >= 0.8: %s\n", "Tavrin.exe / portable core (Wine):",
                    rate[PROGRAM] / rate[CORE_WINE], PassOrMiss(rate[PROGRAM] >= 0.8 * rate[CORE_WINE]));
    else if (Wanted(bench.opt.consumers, "program") && Wanted(bench.opt.consumers, "core-wine"))
        std::printf("ratio Tavrin.exe / portable core (Wine): no figure  target >= 0.8: MISS\n");
    if (nQos == 0 && Wanted(bench.opt.consumers, "program"))
        std::printf("Tavrin.exe (Wine) %.0f msgs/s  target >= 5000: %s\n", rate[PROGRAM],
                    PassOrMiss(rate[PROGRAM] >= 5000));
    ratio("Tavrin.exe / bare libmosquitto client (Wine):", PROGRAM, BARE_WINE);
    ratio("portable core (Wine) / bare libmosquitto client (Wine):", CORE_WINE, BARE_WINE);
    ratio("Tavrin.exe / mosquitto_sub (native):", PROGRAM, SUB);
    ratio("Tavrin.exe / portable core (native):", PROGRAM, CORE_NATIVE);
    ratio("draining / one loop call per poll (Tavrin.exe):", PROGRAM, PROGRAM_ONE);
    std::fflush(stdout);
}
}

void BurstScenario(SBench& bench)
{
    for (int nQos : {0, 1})
        if (Wanted(bench.opt.qos, std::to_string(nQos).c_str()))
            BurstAtQos(bench, nQos);
}
