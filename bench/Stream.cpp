#include "Stream.h"

#include "BenchTime.h"
#include "TestMessage.h"
#include "TestPublisher.h"

#include <cstdlib>
#include <cstring>

namespace
{
const char* const BURST_TITLES[] = {
    "guide:start:김민수", "call:3:add:박지훈", "idle", "guide:guide:Lee Jiwoo", "call:2:remove:최서연",
    "return", "guide:ok:정하은", "call:4:cancel:Kim", "accept", "call:1:ignore:한지민",
};
// Every one of these names a person, so the board shows every message's number.
const char* const NAMED_TITLES[] = {
    "guide:start:김민수", "call:3:add:박지훈", "guide:call:Lee Jiwoo", "call:2:remove:최서연",
    "guide:abort:정하은", "call:4:cancel:Kim", "guide:ok:한지민", "call:1:ignore:오세훈",
};

std::string Title(long long nSeq, bool bNamedOnly)
{
    std::string title = bNamedOnly ? NAMED_TITLES[nSeq % 8] : BURST_TITLES[nSeq % 10];
    if (title.find(':') != std::string::npos)
        title += "#" + std::to_string(nSeq);
    return title;
}
}

void PublishStream(int nPort, SStream& s)
{
    s.times.assign(static_cast<size_t>(s.nCount), 0);
    CTestPublisher pub(nPort);
    s.bConnected = pub.IsConnected();
    if (!s.bConnected)
        return;
    const auto tStart = Clock::now();
    for (long long i = 0; i < s.nCount; ++i)
    {
        if (s.nRate > 0)
            std::this_thread::sleep_until(tStart + std::chrono::microseconds(i * 1000000 / s.nRate));
        const long long nSeq = s.nFirst + i;
        const long long t = NowMicros();
        const bool bMarker = i == s.nCount - 1;
        const std::string title = bMarker ? "guide:ok:MARKER#" + std::to_string(nSeq) : Title(nSeq, s.bNamedOnly);
        const std::string content = std::to_string(nSeq) + " t=" + std::to_string(t) + " 안내 요청을 처리했습니다";
        if (pub.Publish(ROBOT_TOPIC, RobotMessage(title, content, nSeq), s.nQos))
            ++s.nPublished;
        s.times[static_cast<size_t>(i)] = t;
        // As fast as the broker takes the bytes, and its answers taken in.
        pub.SendQueued();
    }
    s.bConfirmed = s.nPublished == s.nCount && pub.Sync();
    s.nAcked = pub.Acknowledged();
}

long long SeqOfPayload(const char* payload, size_t nBytes)
{
    static const char KEY[] = "{\"id\":\"";
    const size_t nKey = sizeof KEY - 1;
    if (nBytes <= nKey || std::memcmp(payload, KEY, nKey) != 0)
        return -1;
    return std::strtoll(std::string(payload + nKey, std::min<size_t>(nBytes - nKey, 24)).c_str(), nullptr, 10);
}
