// Title tokens and the UTF-8 helpers, on arbitrary bytes: the limited split
// must give the same board texts as the full one, cuts stay on character
// boundaries, and whatever InterpretMessage makes of a title or content is
// clean UTF-8.
#include "FuzzCheck.h"
#include "mqtt/LinkFacts.h"
#include "status/StatusInterpretation.h"
#include "text/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <json/value.h>

namespace
{
bool SameTexts(const std::vector<SStatusText>& a, const std::vector<SStatusText>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const SStatusText& x, const SStatusText& y) {
        return x.field == y.field && x.text == y.text;
    });
}

void CheckSanitize(const char* p, size_t size, const std::string& text)
{
    FUZZ_CHECK(IsCleanText(text));
    const void* pNul = std::memchr(p, 0, size);
    size_t nText = pNul ? static_cast<const char*>(pNul) - p : size;
    FUZZ_CHECK(text.size() <= 3 * nText);
    if (utf8::is_valid(p, p + nText))
        FUZZ_CHECK(text == std::string(p, nText));
}

void CheckCut(const std::string& text, size_t nMax)
{
    std::string cut(Utf8::Cut(text, nMax));
    FUZZ_CHECK(cut.size() <= nMax || cut == text);
    FUZZ_CHECK(text.compare(0, cut.size(), cut) == 0);
    FUZZ_CHECK(IsCleanText(cut));
    // Never more than one character is dropped.
    FUZZ_CHECK(cut.size() + 3 >= std::min(nMax, text.size()));
}

void CheckTokens(const std::string& title)
{
    std::vector<std::string> all = SplitTitle(title);
    for (const std::string& token : all)
        FUZZ_CHECK(!token.empty() && token.find(':') == std::string::npos);
    std::vector<std::string> first = SplitTitle(title, 4);
    FUZZ_CHECK(first.size() == std::min<size_t>(4, all.size()));
    FUZZ_CHECK(std::equal(first.begin(), first.end(), all.begin()));

    std::vector<SStatusText> texts = InterpretTitle(first);
    FUZZ_CHECK(SameTexts(texts, InterpretTitle(all)));
    for (const SStatusText& t : texts)
        FUZZ_CHECK(IsCleanText(t.text));
}

// The same bytes as title and content of an accepted message, without going
// through the reader: NULs and invalid sequences reach InterpretMessage as they
// are.
void CheckMessage(const std::string& bytes, const std::string& text)
{
    Json::Value root(Json::objectValue);
    root["id"] = "1";
    root["timestamp"] = "2";
    root["correlationId"] = "3";
    root["request"]["title"] = bytes;
    root["request"]["content"] = bytes;
    CStatusUpdate update = InterpretMessage(Link::TOPIC_MESSAGE, root);
    FUZZ_CHECK(update.bAccepted);
    FUZZ_CHECK(update.strContentLine == Utf8::Cut(text, 1023));
    FUZZ_CHECK(SameTexts(update.texts, InterpretTitle(SplitTitle(text))));
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* p = reinterpret_cast<const char*>(data);
    std::string text = Utf8::Sanitize(p, size);
    CheckSanitize(p, size, text);
    for (size_t nMax : {size_t(0), size_t(1), size_t(2), size_t(3), text.size() / 2, text.size() - 1, size_t(1023)})
        CheckCut(text, nMax);
    CheckTokens(text);
    CheckMessage(std::string(p, size), text);
    return 0;
}
