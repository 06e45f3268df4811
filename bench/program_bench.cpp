// The whole program under load, measured from outside: a private mosquitto
// broker (the tests' own), a native publisher in this process, and the real
// Tavrin.exe under Wine, whose status board a probe (board_probe.exe) reads
// across processes. The same stream also goes to mosquitto_sub, to the
// portable core alone (core_stream, natively and under Wine) and to a bare
// libmosquitto client under Wine (bare_stream), for ratios taken in one run.
//
//   program_bench [options] [drain] [calls] [window] [burst] [rate] [idle] [memory]
//     --win64 DIR        the MinGW build (Tavrin.exe, onecall/, bench/)
//     --native DIR       the native release build (bench/core_stream, bench/drain_bench)
//     --wine SCRIPT      runs a Windows program (scripts/wine-run.sh)
//     --n N              burst size (20000)
//     --n-one N          burst size for one loop call per poll (1000)
//     --runs K           repeat burst and rate K times, print the median (3)
//     --idle-seconds S   length of each idle phase (60)
//     --memory-high N    messages for the second memory reading (200000)
//     --consumers LIST   burst consumers (sub,core,core-wine,bare-wine,program,onecall)
//     --qos LIST         burst QoS levels (0,1)
//   Without a scenario name, all run.
//
// No run can lose its own input unseen: every stream ends only once the
// broker has acknowledged all of it, and a native witness subscribed to the
// same topic counts what the broker hands out; a failed run names the input
// or the consumer as the cause.
#include "Bench.h"
#include "OtherLoad.h"
#include "Processes.h"

#include <mosquitto.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <unistd.h>

namespace
{
const struct
{
    const char* name;
    void (*run)(SBench&);
} SCENARIOS[] = {
    {"drain", DrainScenario}, {"calls", CallsScenario}, {"window", WindowScenario}, {"burst", BurstScenario},
    {"rate", RateScenario},   {"idle", IdleScenario},   {"memory", MemoryScenario},
};

bool ParseArguments(int argc, char** argv, SOptions& opt, std::set<std::string>& only)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string a = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--win64")
            opt.win64 = next();
        else if (a == "--native")
            opt.native = next();
        else if (a == "--wine")
            opt.wine = next();
        else if (a == "--n")
            opt.n = std::max(1LL, std::atoll(next().c_str()));
        else if (a == "--n-one")
            opt.nOne = std::max(1LL, std::atoll(next().c_str()));
        else if (a == "--consumers")
            opt.consumers = next();
        else if (a == "--qos")
            opt.qos = next();
        else if (a == "--runs")
            opt.nRuns = std::max(1, std::atoi(next().c_str()));
        else if (a == "--idle-seconds")
            opt.nIdleSeconds = std::max(1, std::atoi(next().c_str()));
        else if (a == "--memory-high")
            opt.nMemoryHigh = std::max(2000LL, std::atoll(next().c_str()));
        else
        {
            bool bKnown = false;
            for (const auto& s : SCENARIOS)
                bKnown = bKnown || a == s.name;
            if (!bKnown)
            {
                std::fprintf(stderr, "program_bench: unknown argument %s\n", a.c_str());
                return false;
            }
            only.insert(a);
        }
    }
    return true;
}
}

int main(int argc, char** argv)
{
    mosquitto_lib_init();
    SBench bench;
    std::set<std::string> only;
    if (!ParseArguments(argc, argv, bench.opt, only))
        return 2;
    KillChildrenOnSignal();
    const char* pszPrefix = std::getenv("WINEPREFIX");
    bench.prefix = pszPrefix ? pszPrefix : "";
    for (const std::string& f : {bench.opt.win64 + "/Tavrin.exe", bench.opt.win64 + "/bench/board_probe.exe"})
        if (!FileExists(f))
        {
            std::fprintf(stderr, "program_bench: %s is missing\n", f.c_str());
            return 2;
        }
    if (!bench.broker.Start() || !bench.witness.Start(bench.broker.Port()))
    {
        std::fprintf(stderr, "program_bench: the broker or the witness did not start\n%s",
                     bench.broker.LogText().c_str());
        return 1;
    }
    std::printf("program_bench: broker on 127.0.0.1:%d, %ld cores\n", bench.broker.Port(),
                sysconf(_SC_NPROCESSORS_ONLN));
    std::fflush(stdout);
    CMachineBusy busy;
    for (const auto& s : SCENARIOS)
    {
        if (!only.empty() && only.count(s.name) == 0)
            continue;
        s.run(bench);
        // Other work on the machine shows in every figure.
        std::printf("(all cores %.0f%% busy over the scenario, this benchmark included)\n", busy.Percent());
        std::fflush(stdout);
    }
    return 0;
}
