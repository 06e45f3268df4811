// Memory over time: Tavrin.exe's resident memory after 1,000 messages and
// after many more; the panes hold at most 100 lines each.
#include "Bench.h"
#include "BenchTime.h"
#include "OtherLoad.h"
#include "ProgramSession.h"

#include <cstdio>
#include <thread>

void MemoryScenario(SBench& bench)
{
    std::printf("\n== memory: Tavrin.exe (Wine) resident memory after 1000 and after %lld messages\n",
                bench.opt.nMemoryHigh);
    std::fflush(stdout);
    CProgramSession session(bench);
    if (!session.Start(bench.opt.win64 + "/Tavrin.exe") || session.Pid() <= 0 || !bench.witness.WaitReady(10000))
    {
        std::printf("FAILED to start\n");
        return;
    }
    session.Watch(20);
    // Bursts of at most 10000, each waited for: behind a backlog at the
    // broker of more than about a minute of intake, the answer to the
    // library's keep-alive ping comes too late and it drops the connection.
    const long long CHUNK = 10000;
    const long long MARKS[2] = {1000, bench.opt.nMemoryHigh};
    long nRss[2] = {0, 0}, nAnon[2] = {0, 0};
    long long nDone = 0;
    COtherLoad others(bench.broker.ProcessGroup());
    const auto tStart = Clock::now();
    for (int i = 0; i < 2; ++i)
    {
        while (nDone < MARKS[i])
        {
            // The marker counts as one of the messages.
            SStream stream = bench.NewStream(std::min(CHUNK, MARKS[i] - nDone), 0);
            bench.witness.Expect(stream);
            std::thread publisher([&] { PublishStream(bench.broker.Port(), stream); });
            long long tMarker = 0;
            const bool bMarker = session.WaitMarker(tMarker, nullptr, 120000);
            const std::string diagnosis = bMarker ? "" : session.Diagnosis();
            publisher.join();
            const SInputProof proof = ProveInput(stream, bench.witness);
            if (!bMarker || !proof.bComplete)
            {
                const std::string what = bMarker ? "showed the marker" : "no marker; " + diagnosis;
                std::printf("FAILED after %lld messages, %s\n", nDone, Blame(proof, "the program", what).c_str());
                return;
            }
            nDone += stream.nCount;
        }
        SleepMs(2000);
        nRss[i] = StatusKb(session.Pid(), "VmRSS");
        nAnon[i] = StatusKb(session.Pid(), "RssAnon");
    }
    const double dSeconds = std::chrono::duration<double>(Clock::now() - tStart).count();
    std::printf("%-12s %12s %12s\n", "messages", "VmRSS MB", "RssAnon MB");
    for (int i = 0; i < 2; ++i)
        std::printf("%-12lld %12.1f %12.1f\n", MARKS[i], nRss[i] / 1024.0, nAnon[i] / 1024.0);
    const double dGrowth = (nRss[1] - nRss[0]) / 1024.0;
    std::printf("growth %.2f MB (%lld messages in %.0f s, in bursts of %lld, input proven for each; "
                "others %.2f cores)\n",
                dGrowth, nDone, dSeconds, CHUNK, others.Cores());
    std::printf("target: no growth (<= 2 MB) between 1000 and %lld messages: %s\n", bench.opt.nMemoryHigh,
                PassOrMiss(dGrowth <= 2));
    std::fflush(stdout);
}
