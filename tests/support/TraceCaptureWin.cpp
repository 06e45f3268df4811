#include "TraceCapture.h"

#include <windows.h>

namespace
{
std::string* g_pText = nullptr;

// OutputDebugString raises this for a debugger to see (on newer Windows
// after a wide one that goes unhandled without a debugger); a vectored
// handler sees it first and lets it go on to the system's own handling.
LONG CALLBACK OnException(EXCEPTION_POINTERS* pInfo)
{
    const EXCEPTION_RECORD& rec = *pInfo->ExceptionRecord;
    if (g_pText && rec.ExceptionCode == DBG_PRINTEXCEPTION_C && rec.NumberParameters >= 2)
        g_pText->append(reinterpret_cast<const char*>(rec.ExceptionInformation[1]));
    return EXCEPTION_CONTINUE_SEARCH;
}
}

CTraceCapture::CTraceCapture()
{
    g_pText = &m_text;
    m_pHandler = AddVectoredExceptionHandler(1, OnException);
}

CTraceCapture::~CTraceCapture()
{
    RemoveVectoredExceptionHandler(m_pHandler);
    g_pText = nullptr;
}

std::string CTraceCapture::Text()
{
    return m_text;
}
