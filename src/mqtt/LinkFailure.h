#pragma once

#include <string>

// Why the link is not up, in kinds that the tray can show in a few words and
// the "mqtt" pane spells out in full. One row each in LinkFailure.cpp.
enum ELinkFailure
{
    LINK_FAIL_NONE,           // never failed, or up again
    LINK_FAIL_LOOKUP,         // the host name did not resolve
    LINK_FAIL_NO_ANSWER,      // the lookup, the host or the broker stayed silent
    LINK_FAIL_UNREACHABLE,    // the host refused the port, or the network said no
    LINK_FAIL_REFUSED,        // the broker answered CONNACK with a refusal
    LINK_FAIL_BAD_LOGIN,      // refused: bad user name or password
    LINK_FAIL_NOT_AUTHORISED, // refused: not authorised
    LINK_FAIL_TLS,            // the secure channel could not be set up
    LINK_FAIL_LOST,           // an accepted connection ended
};

// A short English word for the kind ("no answer"), for traces and the checker.
const char* LinkFailureWord(ELinkFailure eFailure);

// The broker's CONNACK refusal in words, "connection refused: not authorised",
// and the kind it belongs to.
std::string ConnackText(int nCode);
ELinkFailure ConnackFailure(int nCode);
