#include "mqtt/ClientId.h"

#include <pwd.h>
#include <unistd.h>

std::string DefaultClientId()
{
    char szHost[256] = "";
    if (gethostname(szHost, sizeof szHost - 1) != 0)
        szHost[0] = '\0';
    const passwd* pUser = getpwuid(geteuid());
    return MakeClientId(szHost, pUser && pUser->pw_name ? pUser->pw_name : "");
}
