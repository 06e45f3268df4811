// The benchmarks that measure one part alone and print their own tables:
// run as they are, their output passed on, with how busy the rest of the
// machine was and, for the window, its target.
#include "Bench.h"
#include "BenchTime.h"
#include "OtherLoad.h"
#include "Processes.h"

#include <cstdio>
#include <cstdlib>

namespace
{
// Runs the tool to its end; its output lines, or none when it failed.
std::vector<std::string> RunTool(SBench& bench, const std::vector<std::string>& args)
{
    std::vector<std::string> lines;
    COtherLoad others(bench.broker.ProcessGroup());
    CChild child;
    std::string line;
    bool bOk = child.Start(args);
    while (bOk && child.ReadLine(line, 600000))
    {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        lines.push_back(line);
    }
    if (!child.Wait(30000))
        lines.clear();
    if (lines.empty())
        std::printf("FAILED: %s gave nothing\n", args.back().c_str());
    std::printf("(others: %.2f cores that other programs took)\n", others.Cores());
    return lines;
}
}

void DrainScenario(SBench& bench)
{
    std::printf("\n== draining poll, portable core (native)\n");
    RunTool(bench, {bench.opt.native + "/bench/drain_bench", std::to_string(bench.opt.n)});
}

void CallsScenario(SBench& bench)
{
    std::printf("\n== socket calls under Wine\n");
    RunTool(bench, {bench.opt.wine, bench.opt.win64 + "/bench/wine_calls.exe"});
}

void WindowScenario(SBench& bench)
{
    std::printf("\n== the window's work per message (in process, under Wine)\n");
    // The target's row: a poll's batch at 1,000 messages a second.
    const std::string ROW = "one message, in a poll's batch of 30";
    double dMicros = -1;
    for (const std::string& line : RunTool(bench, {bench.opt.wine, bench.opt.win64 + "/bench/window_cost.exe"}))
        if (line.compare(0, ROW.size(), ROW) == 0)
            dMicros = std::atof(line.c_str() + line.find_last_of(' '));
    if (dMicros < 0)
        std::printf("target: window_cost <= 60 us per message in a batch: MISS (no row \"%s\")\n", ROW.c_str());
    else
        std::printf("target: window_cost <= 60 us per message in a batch: %.1f us, %s\n", dMicros,
                    PassOrMiss(dMicros <= 60));
}
