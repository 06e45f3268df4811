#pragma once

// True when the socket has bytes waiting to be read; never waits.
bool SocketHasData(int nSocket);
