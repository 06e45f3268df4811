#pragma once

#include <string>

// After a read of the MQTT library that returned success: whether it stopped
// because the socket had nothing more to give (the library leaves errno at
// the socket's would-block code then, and acts on that itself), rather than
// after a whole packet. Clear errno before the read.
bool ReadFoundSocketEmpty();

// Where a non-blocking connect stands, found without waiting. Windows tells
// a failed connect only through select's exception set, which the MQTT
// library's loop does not pass, so the client asks itself.
enum ESocketConnect
{
    SOCKET_CONNECTING,
    SOCKET_CONNECTED,
    SOCKET_FAILED, // nError holds the socket's error
};
ESocketConnect ProbeConnect(int nSocket, int& nError);

// The system's text for a socket or errno code, in UTF-8.
std::string SystemErrorText(int nError);
