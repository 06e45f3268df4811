// Linux has no per-user secret store that the checker could rely on; the
// portable code is tested here through this clear stand-in, which the
// program never uses.
#include "config/ProtectedPassword.h"

namespace
{
const std::string MARK = "clear-stand-in:";
}

bool ProtectText(const std::string& plain, std::vector<unsigned char>& blob, std::string&)
{
    const std::string text = MARK + plain;
    blob.assign(text.begin(), text.end());
    return true;
}

bool UnprotectText(const std::vector<unsigned char>& blob, std::string& plain, std::string& error)
{
    const std::string text(blob.begin(), blob.end());
    if (text.compare(0, MARK.size(), MARK) != 0)
    {
        error = "not a protected form of this system";
        return false;
    }
    plain = text.substr(MARK.size());
    return true;
}
