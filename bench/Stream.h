#pragma once

#include <string>
#include <vector>

// One run's input: messages numbered nFirst on, the last of them the end
// marker, published on "server/sendMessage" at one QoS. Each carries its
// number as its "id", after a '#' in the name that its title gives (the
// board shows it in RobotDetail or CallDetail), and its publish time in its
// content.
struct SStream
{
    long long nFirst = 0;
    long long nCount = 0; // the marker included
    int nQos = 0;
    int nRate = 0;        // a second; 0: as fast as the broker takes them
    bool bNamedOnly = false; // titles that all show their number on the board

    std::vector<long long> times; // publish time of each, microseconds since 1970
    bool bConnected = false;
    long long nPublished = 0; // taken by the library
    bool bConfirmed = false;  // the broker acknowledged the whole stream
    long long nAcked = 0;     // QoS 1 messages acknowledged one by one

    long long Last() const { return nFirst + nCount - 1; }
};

// Publishes the stream from a connection of its own. It ends only once the
// broker has provably taken every message: at QoS 1 each one is
// acknowledged; at QoS 0 a QoS 1 message after the last one is, which the
// broker answers only after it has handled all that came before it on the
// connection.
void PublishStream(int nPort, SStream& stream);

// The number that a stream message carries as its "id", or -1.
long long SeqOfPayload(const char* payload, size_t nBytes);
