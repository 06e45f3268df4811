// The program itself, started as a process: its arguments, standard input
// and output as bytes, and its exit status.
#include "CheckTestSupport.h"
#include "ChildProcess.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace
{
SChildResult RunCheck(const std::vector<std::string>& args, const std::string& input = std::string())
{
    return RunChild(TAVRIN_CHECK_EXE, args, input);
}

TEST(CheckProgram, ReadsStandardInputAsBytesAndWritesUtf8)
{
    // CR LF and Ctrl+Z are bytes of the payload like any other.
    const std::string payload = R"({"id":1,)" "\r\n" R"("timestamp":2,"correlationId":3,"request":{"title":"guide:start:김민수"}})" "\x1A";
    SChildResult r = RunCheck({}, payload);
    EXPECT_EQ(0, r.nExit) << r.err;
    EXPECT_EQ(0u, r.out.find("stdin: shown, 1 warning\n  subscribe    {\"id\":1,\\r\\n\"timestamp\"")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("}}\\x1A\n")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("\n  RobotStatus  안내 중(시작)\n  RobotDetail  [김민수]님\n")) << r.out;
}

TEST(CheckProgram, ArgumentsAndFileNamesInKorean)
{
    const fs::path file = fs::temp_directory_path() / fs::u8path("tavrin-check-메시지.json");
    std::ofstream(file, std::ios::binary) << Request(R"("call:2:add:홍길동")");
    SChildResult r = RunCheck({"--topic", "서버/상태", file.u8string()});
    EXPECT_EQ(1, r.nExit) << r.err;
    EXPECT_EQ(file.u8string() + ": dropped: topic \"서버/상태\" is not \"server/sendMessage\"\n",
              r.out.substr(0, r.out.find('\n') + 1));
    r = RunCheck({"--json", file.u8string()});
    EXPECT_EQ(0, r.nExit) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("\"text\":\"[홍길동] 님 (추가)\"")) << r.out;
    fs::remove(file);
}

TEST(CheckProgram, ExitStatus)
{
    EXPECT_EQ(1, RunCheck({"--lines"}, "{}\n").nExit);
    SChildResult r = RunCheck({"--bogus"});
    EXPECT_EQ(2, r.nExit);
    EXPECT_EQ(0u, r.err.find("tavrin-check: unknown option --bogus\nusage: ")) << r.err;
    EXPECT_TRUE(r.out.empty());
}
}
