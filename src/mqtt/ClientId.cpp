#include "mqtt/ClientId.h"

#include "mqtt/LinkFacts.h"

#include <cstdint>
#include <cstdio>

namespace
{
// Longest part kept of each name: Windows' computer names have at most 15
// characters and its user names 20.
const size_t NAME_PART_MAX = 20;

bool IsKept(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.';
}

// The kept characters; bChanged is set when anything was left out.
std::string Clean(const std::string& name, bool& bChanged)
{
    std::string part;
    for (char c : name)
    {
        if (IsKept(c) && part.size() < NAME_PART_MAX)
            part += c;
        else
            bChanged = true;
    }
    return part;
}

uint32_t Fnv1a(const std::string& text)
{
    uint32_t h = 2166136261u;
    for (unsigned char c : text)
        h = (h ^ c) * 16777619u;
    return h;
}
}

std::string MakeClientId(const std::string& computer, const std::string& user)
{
    bool bChanged = computer.empty() || user.empty();
    std::string id = Link::CLIENT_ID_PREFIX + Clean(computer, bChanged) + "-" + Clean(user, bChanged);
    if (bChanged)
    {
        char szHash[16];
        std::snprintf(szHash, sizeof szHash, "-%08x", static_cast<unsigned>(Fnv1a(computer + "\n" + user)));
        id += szHash;
    }
    return id;
}
