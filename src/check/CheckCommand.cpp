#include "check/CheckCommand.h"

#include "check/CheckReport.h"
#include "check/PayloadCheck.h"
#include "check/Watch.h"
#include "res/Version.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <json/value.h>
#include <sstream>

namespace fs = std::filesystem;

namespace
{
const char USAGE[] =
    "usage: tavrin-check [--topic T] [--lines] [--json] [--strict] [FILE...]\n"
    "       tavrin-check watch [--host H] [--port P] [--json] [-C N] [-W S]\n"
    "                          [-u USER] [--cafile F | --tls-use-os-certs] [--cert F --key F] [--insecure]\n"
    "\n"
    "Tells what Tavrin shows for an MQTT payload, or why it drops it.\n"
    "\n"
    "  FILE       one payload: the file's bytes as published; - or none: standard input\n"
    "  --lines    each line of the input is one payload (JSON Lines); empty lines are skipped\n"
    "  --topic T  the topic the payloads arrive on (default server/sendMessage)\n"
    "  --json     one JSON object per payload, one a line, for scripts\n"
    "  --strict   fail on warnings too\n"
    "\n"
    "  watch      subscribes to server/# (default broker 127.0.0.1:1883) under a\n"
    "             client id of its own and prints a dated verdict line per message;\n"
    "             Ctrl+C ends it with the counts\n"
    "  -C N       watch: end after N messages\n"
    "  -W S       watch: end after S seconds without a message\n"
    "  -u USER    watch: sign in as USER; the password comes from the environment\n"
    "             variable TAVRIN_CHECK_PASSWORD or is asked for at the console\n"
    "  --cafile F watch: TLS, the broker's certificate checked against the CA file F\n"
    "  --tls-use-os-certs  watch: TLS, checked against the system's trusted roots\n"
    "             (on Windows the current user's store of trusted roots)\n"
    "  --cert F, --key F   watch: TLS with this client certificate and key\n"
    "  --insecure watch: TLS without any check of the broker's certificate or name\n"
    "\n"
    "Exit status: 0 every payload shown, 1 any dropped (with --strict: or any\n"
    "warning), 2 usage or input error; watch: 2 also when the broker could not\n"
    "be reached, refused, or the connection was down at the end.\n";

const char PASSWORD_VARIABLE[] = "TAVRIN_CHECK_PASSWORD";

struct SCheckOptions
{
    std::string topic = "server/sendMessage";
    bool bLines = false;
    bool bJson = false;
    bool bStrict = false;
    std::vector<std::string> files;
};

int UsageError(SCheckIo& io, const std::string& message)
{
    io.err.Write("tavrin-check: " + message + "\n" + USAGE);
    return EXIT_USAGE;
}

// "--name value" or "--name=value"; false when arg is another option.
bool TakeValue(const std::vector<std::string>& args, size_t& i, const char* pszName, std::string& value, bool& bMissing)
{
    const std::string& arg = args[i];
    const size_t nName = std::strlen(pszName);
    if (arg.compare(0, nName, pszName) != 0)
        return false;
    if (arg.size() == nName)
    {
        bMissing = i + 1 >= args.size();
        if (!bMissing)
            value = args[++i];
        return true;
    }
    if (arg[nName] != '=')
        return false;
    value = arg.substr(nName + 1);
    return true;
}

// Checks payloads one by one and keeps the counts for the exit status.
class CChecker
{
public:
    CChecker(const SCheckOptions& options, SCheckIo& io) : m_options(options), m_io(io) {}

    void CheckSource(const std::string& name)
    {
        if (name == "-")
        {
            CheckStream(m_io.in, "stdin");
            return;
        }
        const fs::path path = fs::u8path(name);
        std::error_code ec;
        if (fs::is_directory(path, ec))
        {
            InputError(name, "it is a directory");
            return;
        }
        std::ifstream file(path, std::ios::binary);
        if (!file)
        {
            InputError(name, std::strerror(errno));
            return;
        }
        CheckStream(file, name);
    }

    int ExitStatus() const
    {
        if (m_bInputError)
            return EXIT_USAGE;
        if (m_nDropped > 0 || (m_options.bStrict && m_nWarned > 0))
            return EXIT_DROPPED;
        return EXIT_ALL_SHOWN;
    }

    void WriteSummary()
    {
        if (m_options.bJson || m_nPayloads < 2)
            return;
        m_io.out.Write("\n" + std::to_string(m_nPayloads) + " payloads: " + std::to_string(m_nPayloads - m_nDropped) +
                       " shown, " + std::to_string(m_nDropped) + " dropped, " + std::to_string(m_nWarned) +
                       " with warnings\n");
    }

private:
    void CheckStream(std::istream& in, const std::string& source)
    {
        if (!m_options.bLines)
        {
            std::ostringstream bytes;
            bytes << in.rdbuf();
            Check(bytes.str(), source);
            return;
        }
        std::string line;
        for (size_t nLine = 1; std::getline(in, line); ++nLine)
        {
            // Lines logged on Windows end in CR LF; neither is part of the payload.
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!line.empty())
                Check(line, source + ":" + std::to_string(nLine));
        }
    }

    void Check(const std::string& payload, const std::string& source)
    {
        CPayloadCheck check = CheckPayload(payload, m_options.topic);
        ++m_nPayloads;
        if (!check.IsShown())
            ++m_nDropped;
        if (!check.warnings.empty())
            ++m_nWarned;
        if (m_options.bJson)
        {
            Json::Value o = ReportObject(check);
            o["source"] = source;
            m_io.out.Write(JsonLine(o));
        }
        else
            m_io.out.Write((m_nPayloads > 1 ? "\n" : "") + ReportText(check, source, std::time(nullptr)));
    }

    void InputError(const std::string& name, const std::string& why)
    {
        m_io.err.Write("tavrin-check: cannot read " + name + ": " + why + "\n");
        m_bInputError = true;
    }

    const SCheckOptions& m_options;
    SCheckIo& m_io;
    size_t m_nPayloads = 0;
    size_t m_nDropped = 0;
    size_t m_nWarned = 0;
    bool m_bInputError = false;
};

// A whole number from nMin up, or -1.
long WholeNumber(const std::string& value, long nMin, long nMax)
{
    char* pEnd = nullptr;
    errno = 0;
    long n = value.empty() ? -1 : std::strtol(value.c_str(), &pEnd, 10);
    return value.empty() || *pEnd || errno || n < nMin || n > nMax ? -1 : n;
}

// The options that name a file of the TLS set-up.
struct SFileOption
{
    const char* pszName;
    std::string SLinkSecurity::*pTarget;
};
const SFileOption FILE_OPTIONS[] = {
    {"--cafile", &SLinkSecurity::caFile},
    {"--cert", &SLinkSecurity::certFile},
    {"--key", &SLinkSecurity::keyFile},
};

const SFileOption* TakeFile(const std::vector<std::string>& args, size_t& i, std::string& value, bool& bMissing)
{
    for (const SFileOption& option : FILE_OPTIONS)
        if (TakeValue(args, i, option.pszName, value, bMissing))
            return &option;
    return nullptr;
}

int RunWatchCommand(const std::vector<std::string>& args, SCheckIo& io)
{
    SWatchOptions options;
    SLinkSecurity& security = options.security;
    bool bOsCerts = false;
    for (size_t i = 1; i < args.size(); ++i)
    {
        std::string value;
        bool bMissing = false;
        if (args[i] == "--json")
            options.bJson = true;
        else if (args[i] == "--insecure")
            security.bInsecure = true;
        else if (args[i] == "--tls-use-os-certs")
            bOsCerts = true;
        else if (args[i] == "-h" || args[i] == "--help")
        {
            io.out.Write(USAGE);
            return EXIT_ALL_SHOWN;
        }
        else if (TakeValue(args, i, "--host", value, bMissing))
        {
            if (bMissing || value.empty())
                return UsageError(io, "--host needs a host name");
            options.host = value;
        }
        else if (TakeValue(args, i, "--port", value, bMissing))
        {
            options.nPort = static_cast<int>(WholeNumber(value, 1, 65535));
            if (options.nPort < 0)
                return UsageError(io, "--port needs a number from 1 to 65535");
        }
        else if (TakeValue(args, i, "-C", value, bMissing))
        {
            if ((options.nCount = WholeNumber(value, 1, LONG_MAX)) < 0)
                return UsageError(io, "-C needs a number of messages, 1 or more");
        }
        else if (TakeValue(args, i, "-W", value, bMissing))
        {
            if ((options.nIdleSec = WholeNumber(value, 1, 86400 * 365)) < 0)
                return UsageError(io, "-W needs a number of seconds, 1 or more");
        }
        else if (TakeValue(args, i, "-u", value, bMissing))
        {
            if (bMissing || value.empty())
                return UsageError(io, "-u needs a user name");
            security.user = value;
        }
        else if (const SFileOption* pFile = TakeFile(args, i, value, bMissing))
        {
            if (bMissing || value.empty())
                return UsageError(io, std::string(pFile->pszName) + " needs a file");
            security.*(pFile->pTarget) = value;
        }
        else
            return UsageError(io, "watch does not take " + args[i]);
    }
    if (security.certFile.empty() != security.keyFile.empty())
        return UsageError(io, "--cert and --key go together");
    if (!security.caFile.empty() && bOsCerts)
        return UsageError(io, "--cafile or --tls-use-os-certs, not both");
    security.bTls = bOsCerts || security.bInsecure || !security.caFile.empty() || !security.certFile.empty();
    // Never on the command line, where every user of the PC can read it.
    if (!security.user.empty())
    {
        if (const char* pszPassword = std::getenv(PASSWORD_VARIABLE))
            security.password = pszPassword;
        else if (io.pfnReadSecret)
            io.pfnReadSecret("password for " + security.user + ": ", security.password);
    }
    return RunWatch(options, io);
}
}

int RunCheckCommand(const std::vector<std::string>& args, SCheckIo& io)
{
    if (!args.empty() && args[0] == "watch")
        return RunWatchCommand(args, io);

    SCheckOptions options;
    bool bOptionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        std::string value;
        bool bMissing = false;
        if (bOptionsEnd || arg.size() < 2 || arg[0] != '-')
            options.files.push_back(arg);
        else if (arg == "--")
            bOptionsEnd = true;
        else if (arg == "--lines")
            options.bLines = true;
        else if (arg == "--json")
            options.bJson = true;
        else if (arg == "--strict")
            options.bStrict = true;
        else if (arg == "-h" || arg == "--help")
        {
            io.out.Write(USAGE);
            return EXIT_ALL_SHOWN;
        }
        else if (arg == "--version")
        {
            io.out.Write("tavrin-check " TAVRIN_FILE_VERSION_TEXT "\n");
            return EXIT_ALL_SHOWN;
        }
        else if (TakeValue(args, i, "--topic", value, bMissing))
        {
            if (bMissing)
                return UsageError(io, "--topic needs a topic");
            options.topic = value;
        }
        else
            return UsageError(io, "unknown option " + arg);
    }
    if (options.files.empty())
        options.files.push_back("-");

    CChecker checker(options, io);
    for (const std::string& name : options.files)
        checker.CheckSource(name);
    checker.WriteSummary();
    return checker.ExitStatus();
}
