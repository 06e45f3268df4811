#pragma once

#include "Stream.h"
#include "TestBroker.h"
#include "Witness.h"

#include <string>

struct SOptions
{
    std::string win64 = "build/win64";
    std::string native = "build/bench-native";
    std::string wine = "scripts/wine-run.sh";
    long long n = 20000;
    long long nOne = 1000;
    int nRuns = 3;
    int nIdleSeconds = 60;
    long long nMemoryHigh = 200000;
    std::string consumers = "sub,core,core-wine,bare-wine,program,onecall";
    std::string qos = "0,1";
};

// What every scenario shares: one broker, the witness on it, and the
// numbers of the messages, which go on across runs so that a board never
// shows a later one early.
struct SBench
{
    SOptions opt;
    std::string prefix; // WINEPREFIX
    CTestBroker broker;
    CWitness witness;
    long long nNextSeq = 0;

    // A stream of nCount numbers, the marker included.
    SStream NewStream(long long nCount, int nQos, int nRate = 0, bool bNamedOnly = false)
    {
        SStream s;
        s.nFirst = nNextSeq;
        s.nCount = nCount;
        s.nQos = nQos;
        s.nRate = nRate;
        s.bNamedOnly = bNamedOnly;
        nNextSeq += nCount;
        return s;
    }
};

// Each prints its own table with its targets.
void DrainScenario(SBench& bench);
void CallsScenario(SBench& bench);
void WindowScenario(SBench& bench);
void BurstScenario(SBench& bench);
void RateScenario(SBench& bench);
void IdleScenario(SBench& bench);
void MemoryScenario(SBench& bench);
