// At rest: what Tavrin.exe costs while nothing comes, connected and with the
// broker down (polls and reads of its INI file).
#include "Bench.h"
#include "BenchTime.h"
#include "OtherLoad.h"
#include "ProgramSession.h"

#include <cstdio>

void IdleScenario(SBench& bench)
{
    std::printf("\n== at rest: Tavrin.exe (Wine) over %d s connected and idle, then %d s with the broker down\n",
                bench.opt.nIdleSeconds, bench.opt.nIdleSeconds);
    std::fflush(stdout);
    CProgramSession session(bench);
    if (!session.Start(bench.opt.win64 + "/Tavrin.exe") || session.Pid() <= 0)
    {
        std::printf("FAILED to start\n");
        return;
    }
    session.Idle();
    const pid_t wineserver = FindWineserver(bench.prefix);
    struct SPhase
    {
        const char* name;
        double dCpu, dServer, dSeconds, dOthers;
        long nRss, nAnon;
    } phases[2] = {{"connected, idle", 0, 0, 0, 0, 0, 0}, {"broker down", 0, 0, 0, 0, 0, 0}};
    for (SPhase& p : phases)
    {
        if (&p == &phases[1])
        {
            bench.broker.Stop();
            SleepMs(3000); // the program notices at its next poll
        }
        else
            SleepMs(5000);
        COtherLoad others(bench.broker.ProcessGroup());
        const auto t0 = Clock::now();
        const double c0 = CpuSeconds(session.Pid()), s0 = CpuSeconds(wineserver);
        SleepMs(bench.opt.nIdleSeconds * 1000);
        p.dSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
        p.dCpu = CpuSeconds(session.Pid()) - c0;
        p.dServer = CpuSeconds(wineserver) - s0;
        p.dOthers = others.Cores();
        p.nRss = StatusKb(session.Pid(), "VmRSS");
        p.nAnon = StatusKb(session.Pid(), "RssAnon");
    }
    bench.broker.Start();
    std::printf("%-18s %10s %12s %14s %12s %12s %8s\n", "phase", "CPU s", "CPU % core", "wineserver %", "VmRSS MB",
                "RssAnon MB", "others");
    for (const SPhase& p : phases)
        std::printf("%-18s %10.2f %12.2f %14.2f %12.1f %12.1f %7.2fc\n", p.name, p.dCpu, 100 * p.dCpu / p.dSeconds,
                    100 * p.dServer / p.dSeconds, p.nRss / 1024.0, p.nAnon / 1024.0, p.dOthers);
    std::printf("target: idle CPU < 1%% of a core (Tavrin.exe, connected): %s\n",
                PassOrMiss(100 * phases[0].dCpu / phases[0].dSeconds < 1));
    std::fflush(stdout);
}
