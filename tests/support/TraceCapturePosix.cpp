#include "TraceCapture.h"

#include <gtest/gtest.h>

CTraceCapture::CTraceCapture()
{
    testing::internal::CaptureStderr();
}

CTraceCapture::~CTraceCapture()
{
    Text();
}

std::string CTraceCapture::Text()
{
    if (!m_bEnded)
    {
        m_text = testing::internal::GetCapturedStderr();
        m_bEnded = true;
    }
    return m_text;
}
