#include "mqtt/LinkFailure.h"

namespace
{
struct SFailureRow
{
    ELinkFailure eFailure;
    const char* pszWord;
};

const SFailureRow FAILURES[] = {
    {LINK_FAIL_NONE, "none"},
    {LINK_FAIL_LOOKUP, "name not found"},
    {LINK_FAIL_NO_ANSWER, "no answer"},
    {LINK_FAIL_UNREACHABLE, "unreachable"},
    {LINK_FAIL_REFUSED, "refused"},
    {LINK_FAIL_BAD_LOGIN, "bad user name or password"},
    {LINK_FAIL_NOT_AUTHORISED, "not authorised"},
    {LINK_FAIL_TLS, "secure channel failed"},
    {LINK_FAIL_LOST, "connection lost"},
};

// MQTT 3.1.1 CONNACK return codes 1 to 5.
struct SConnackRow
{
    int nCode;
    const char* pszText;
    ELinkFailure eFailure;
};

const SConnackRow CONNACKS[] = {
    {1, "unacceptable protocol version", LINK_FAIL_REFUSED},
    {2, "identifier rejected", LINK_FAIL_REFUSED},
    {3, "broker unavailable", LINK_FAIL_REFUSED},
    {4, "bad user name or password", LINK_FAIL_BAD_LOGIN},
    {5, "not authorised", LINK_FAIL_NOT_AUTHORISED},
};
}

const char* LinkFailureWord(ELinkFailure eFailure)
{
    for (const SFailureRow& row : FAILURES)
        if (row.eFailure == eFailure)
            return row.pszWord;
    return "unknown";
}

std::string ConnackText(int nCode)
{
    for (const SConnackRow& row : CONNACKS)
        if (row.nCode == nCode)
            return std::string("connection refused: ") + row.pszText;
    return "connection refused: code " + std::to_string(nCode);
}

ELinkFailure ConnackFailure(int nCode)
{
    for (const SConnackRow& row : CONNACKS)
        if (row.nCode == nCode)
            return row.eFailure;
    return LINK_FAIL_REFUSED;
}
