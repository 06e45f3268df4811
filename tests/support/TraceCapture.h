#pragma once

#include <string>

// Collects what the program traces for a debugger (DebugTrace) while it
// lives: on Windows the OutputDebugString texts of this process, elsewhere
// standard error. One at a time.
class CTraceCapture
{
public:
    CTraceCapture();
    ~CTraceCapture();
    CTraceCapture(const CTraceCapture&) = delete;
    CTraceCapture& operator=(const CTraceCapture&) = delete;

    // Everything traced so far. Where it reads standard error, the first
    // call ends the capture.
    std::string Text();

private:
    void* m_pHandler = nullptr;
    bool m_bEnded = false;
    std::string m_text;
};
