#pragma once

#include "BenchTime.h"

// How much of the machine went to other programs while a run measured:
// every core's busy time, less that of this benchmark's own processes (this
// one and its ended children, the broker's process group, Xvfb, and every
// process of its Wine prefix). Other builds and tests on a shared machine
// show here, and in every figure beside it.
class COtherLoad
{
public:
    // Starts counting.
    explicit COtherLoad(int nBrokerGroup);
    // In cores since the start: 1.0 is one core taken away for the whole run.
    double Cores() const;

private:
    void Sample(unsigned long long& nBusy, unsigned long long& nOurs) const;

    int m_nBrokerGroup;
    unsigned long long m_nBusy0 = 0, m_nOurs0 = 0;
    Clock::time_point m_t0;
};

// How busy all cores were since the last reading, this benchmark included,
// in percent.
class CMachineBusy
{
public:
    CMachineBusy();
    double Percent();

private:
    unsigned long long m_nBusy = 0, m_nAll = 0;
};
