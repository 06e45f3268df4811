// Steady rates into Tavrin.exe: the delay from each message's publish to the
// first moment the board shows it. One broker connection delivers in order
// and the program handles messages one after another, so every message up
// to the newest number on the board has been through the board: a message's
// board time is the first sight of its number or a later one.
#include "Bench.h"
#include "BenchTime.h"
#include "OtherLoad.h"
#include "ProgramSession.h"

#include <cstdio>
#include <thread>

namespace
{
const int SECONDS = 10;
const struct
{
    int nRate;
    double dMaxP99Ms;
    bool bMustKeepUp;
} RATES[] = {
    {1000, 50, false},
    {5000, 250, true},
};
const int RATE_COUNT = sizeof RATES / sizeof RATES[0];

struct SRate
{
    bool bOk = false;
    std::string failure;
    double dMedianMs = 0, dP99Ms = 0, dMaxMs = 0, dLastMs = 0;
    double dBoardRate = 0;
    double dOthers = 0; // cores that other programs took meanwhile
};

SRate MeasureRate(SBench& bench, CProgramSession& session, int nRate)
{
    SRate r;
    SStream stream = bench.NewStream(static_cast<long long>(nRate) * SECONDS + 1, 0, nRate, true);
    const long long nCount = stream.nCount - 1; // the marker aside
    std::vector<std::pair<long long, long long>> seen;
    COtherLoad others(bench.broker.ProcessGroup());
    bench.witness.Expect(stream);
    std::thread publisher([&] { PublishStream(bench.broker.Port(), stream); });
    long long tMarker = 0;
    const bool bMarker = session.WaitMarker(tMarker, &seen, (SECONDS + 120) * 1000);
    const std::string diagnosis = bMarker ? "" : session.Diagnosis();
    publisher.join();
    r.dOthers = others.Cores();
    const SInputProof proof = ProveInput(stream, bench.witness);
    if (!bMarker || !proof.bComplete)
    {
        r.failure = Blame(proof, "the program", bMarker ? "showed the marker" : "no marker; " + diagnosis);
        return r;
    }

    std::vector<double> delays;
    size_t k = 0;
    long long tLast = 0;
    for (long long i = 0; i < nCount; ++i)
    {
        while (k < seen.size() && seen[k].first < stream.nFirst + i)
            ++k;
        long long tBoard = k < seen.size() ? seen[k].second : tMarker;
        delays.push_back(static_cast<double>(tBoard - stream.times[static_cast<size_t>(i)]) / 1000.0);
        tLast = tBoard;
    }
    r.bOk = true;
    r.dMedianMs = Median(delays);
    r.dP99Ms = Percentile(delays, 99);
    r.dMaxMs = *std::max_element(delays.begin(), delays.end());
    r.dLastMs = delays.back();
    r.dBoardRate = static_cast<double>(nCount) / (static_cast<double>(tLast - stream.times.front()) / 1e6);
    return r;
}
}

void RateScenario(SBench& bench)
{
    std::vector<SRate> results[RATE_COUNT];
    std::printf("\n== steady rate: %d s at each rate into Tavrin.exe (Wine) at QoS 0; "
                "delay from publish to the board\n",
                SECONDS);
    std::fflush(stdout);
    for (int run = 0; run < bench.opt.nRuns; ++run)
    {
        CProgramSession session(bench);
        if (!session.Start(bench.opt.win64 + "/Tavrin.exe") || !bench.witness.WaitReady(10000))
            break;
        session.Watch(2);
        SleepMs(1000);
        for (int i = 0; i < RATE_COUNT; ++i)
        {
            results[i].push_back(MeasureRate(bench, session, RATES[i].nRate));
            const SRate& r = results[i].back();
            std::fprintf(stderr,
                         "  run %d %d msgs/s %s: median %.1f ms, p99 %.1f ms, board %.0f msgs/s, others %.2f cores\n",
                         run + 1, RATES[i].nRate, r.bOk ? "ok" : "FAILED", r.dMedianMs, r.dP99Ms, r.dBoardRate,
                         r.dOthers);
            SleepMs(1000);
        }
    }
    std::printf("%-10s %9s %9s %9s %9s %12s %8s %8s  %s\n", "offered/s", "median", "p99", "max", "last", "board msgs/s",
                "kept up", "others", "target");
    for (int i = 0; i < RATE_COUNT; ++i)
    {
        std::vector<double> med, p99, mx, last, rate, others;
        bool bOk = !results[i].empty();
        for (const SRate& r : results[i])
        {
            others.push_back(r.dOthers);
            if (!r.bOk)
            {
                bOk = false;
                std::printf("%d msgs/s FAILED, %s\n", RATES[i].nRate, r.failure.c_str());
                continue;
            }
            med.push_back(r.dMedianMs);
            p99.push_back(r.dP99Ms);
            mx.push_back(r.dMaxMs);
            last.push_back(r.dLastMs);
            rate.push_back(r.dBoardRate);
        }
        // Kept up: the board went on at the offered rate, so no backlog grew.
        const bool bKept = bOk && Median(rate) >= 0.95 * RATES[i].nRate;
        const bool bPass = bOk && Median(p99) < RATES[i].dMaxP99Ms && (bKept || !RATES[i].bMustKeepUp);
        char szTarget[64];
        std::snprintf(szTarget, sizeof szTarget, "%sp99 < %.0f ms: %s", RATES[i].bMustKeepUp ? "kept up, " : "",
                      RATES[i].dMaxP99Ms, PassOrMiss(bPass));
        if (!bOk)
            std::printf("%-10d %9s %9s %9s %9s %12s %8s %7.2fc  %s\n", RATES[i].nRate, "FAILED", "", "", "", "", "",
                        Median(others), szTarget);
        else
            std::printf("%-10d %7.1fms %7.1fms %7.1fms %7.1fms %12.0f %8s %7.2fc  %s\n", RATES[i].nRate, Median(med),
                        Median(p99), Median(mx), Median(last), Median(rate), bKept ? "yes" : "NO", Median(others),
                        szTarget);
    }
    std::printf("(medians of %d run%s; the probe reads the board every 2 ms; others: cores that other programs took)\n",
                bench.opt.nRuns, bench.opt.nRuns > 1 ? "s" : "");
    std::fflush(stdout);
}
