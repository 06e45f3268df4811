#pragma once

#include "FakeCallback.h"
#include "TestBroker.h"
#include "TestPlatform.h"
#include "TestPublisher.h"
#include "WaitUntil.h"
#include "mqtt/RobotMqttService.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

// One broker for a whole group of tests; every test has its own clients.
class CBrokerSuite : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_pBroker = new CTestBroker;
        ASSERT_TRUE(s_pBroker->Start()) << s_pBroker->LogText();
    }
    static void TearDownTestSuite()
    {
        delete s_pBroker;
        s_pBroker = nullptr;
    }

    inline static CTestBroker* s_pBroker = nullptr;
};

// Polls the client until done() holds or the time is up; returns done().
template <class F>
bool PollUntil(CRobotMqttService& service, F done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10), int* pnPolls = nullptr)
{
    return WaitUntil(
        [&] {
            if (done())
                return true;
            service.Poll();
            if (pnPolls)
                ++*pnPolls;
            return false;
        },
        timeout, std::chrono::milliseconds(1));
}

// Polls until the attempt under way has ended, in success or failure.
inline bool FinishAttempt(CRobotMqttService& service)
{
    return PollUntil(service, [&] { return !service.IsAttempting(); });
}

// The client's subscription is in place once the library has logged the
// broker's answer to it.
inline bool WaitSubscribed(CRobotMqttService& service, CFakeCallback& callback, int nTimes = 1)
{
    return PollUntil(service, [&] { return callback.CountLibraryLog("SUBACK") >= nTimes; });
}
