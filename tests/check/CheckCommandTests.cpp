#include "CheckTestSupport.h"

#include <filesystem>
#include <fstream>
#include <json/reader.h>

namespace fs = std::filesystem;

namespace
{
const std::string GUIDE = Request(R"("guide:start:김민수")", R"("안내 시작")");
const std::string UPPER = Request(R"("IDLE")");
const std::string NO_ID = R"({"timestamp":1,"correlationId":2})";

struct SCase
{
    std::vector<std::string> args;
    std::string input;
    int nExit;
    std::string out; // a part of standard output, or of standard error when the run fails
};

const SCase CASES[] = {
    {{}, GUIDE, 0,
     "stdin: shown\n  subscribe    " + GUIDE +
         "\n  title        'guide' 'start' '김민수'\n  row          guide\n  RobotStatus  안내 중(시작)\n"
         "  RobotDetail  [김민수]님\n  일반         안내 시작\n  ReceiveTime  last receive: "},
    {{"-"}, NO_ID + "\n", 1, "stdin: dropped: no \"id\"\n  subscribe    " + NO_ID + "\\n\n"},
    {{}, UPPER, 0, "stdin: shown, 1 warning\n"},
    {{"--strict"}, UPPER, 1, "  warning      'IDLE' is no keyword, but 'idle' is"},
    {{"--strict"}, GUIDE, 0, "  row          guide\n"},
    {{"--lines"}, GUIDE + "\r\n\n" + "oops\n", 1,
     "\n\nstdin:3: dropped: no JSON: Line 1, Column 1: Syntax error: value, object or array expected.\n"
     "  subscribe    oops\n\n2 payloads: 1 shown, 1 dropped, 0 with warnings\n"},
    {{"--lines"}, "", 0, ""},
    {{}, "{\"a\":\t1}\x01", 1, "  subscribe    {\"a\":\\t1}\\x01\n"},
    {{"--topic", "server/x"}, GUIDE, 1, "stdin: dropped: topic \"server/x\" is not \"server/sendMessage\""},
    {{"--topic=서버/x"}, GUIDE, 1, "topic \"서버/x\" is not"},
    {{"--version"}, "", 0, "tavrin-check 0."},
    {{"--help"}, "", 0, "usage: tavrin-check"},
    {{"--bogus"}, "", 2, "tavrin-check: unknown option --bogus\nusage:"},
    {{"--topic"}, "", 2, "--topic needs a topic"},
    {{"no/such/file"}, "", 2, "tavrin-check: cannot read no/such/file: "},
    {{"--", "--json"}, "", 2, "cannot read --json: "},
    {{"watch", "--port", "0"}, "", 2, "--port needs a number from 1 to 65535"},
    {{"watch", "--port=7x"}, "", 2, "--port needs a number"},
    {{"watch", "--lines"}, "", 2, "watch does not take --lines"},
};

TEST(CheckCommand, OutputAndExitStatus)
{
    for (const SCase& c : CASES)
    {
        CCheckRun run(c.input);
        const int nExit = run.Run(c.args);
        const std::string what = c.args.empty() ? "(no arguments)" : c.args[0];
        EXPECT_EQ(c.nExit, nExit) << what << "\n" << run.err.Text();
        const std::string text = c.nExit == 2 ? run.err.Text() : run.out.Text();
        EXPECT_NE(std::string::npos, text.find(c.out)) << what << "\n" << text;
    }
}

TEST(CheckCommand, JsonIsOneObjectALineWithTheSameFacts)
{
    CCheckRun run(GUIDE + "\n" + NO_ID + "\n" + UPPER + "\n{oops\n");
    EXPECT_EQ(1, run.Run({"--json", "--lines"}));
    const std::vector<std::string> lines = run.out.Lines();
    ASSERT_EQ(4u, lines.size()) << run.out.Text();
    // Korean as UTF-8, never as \u escapes.
    EXPECT_NE(std::string::npos, lines[0].find("\"text\":\"안내 중(시작)\"")) << lines[0];

    std::vector<Json::Value> v(lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        ASSERT_TRUE(Json::Reader().parse(lines[i], v[i])) << lines[i];
    EXPECT_EQ("stdin:1", v[0]["source"].asString());
    EXPECT_EQ("shown", v[0]["verdict"].asString());
    EXPECT_EQ("guide", v[0]["row"].asString());
    EXPECT_EQ("RobotDetail", v[0]["board"][1]["field"].asString());
    EXPECT_EQ("[김민수]님", v[0]["board"][1]["text"].asString());
    EXPECT_EQ("안내 시작", v[0]["general"].asString());
    EXPECT_TRUE(v[0]["receiveTimeMoves"].asBool());
    EXPECT_TRUE(v[0]["reason"].isNull());

    EXPECT_EQ("dropped", v[1]["verdict"].asString());
    EXPECT_EQ("no-id", v[1]["reason"]["code"].asString());
    EXPECT_EQ("id", v[1]["reason"]["member"].asString());
    EXPECT_FALSE(v[1]["receiveTimeMoves"].asBool());

    EXPECT_EQ("no row for 'IDLE'", v[2]["noRow"].asString());
    EXPECT_EQ("keyword-case", v[2]["warnings"][0]["code"].asString());

    EXPECT_EQ("no-json", v[3]["reason"]["code"].asString());
    EXPECT_EQ(1, v[3]["reason"]["line"].asInt());
    EXPECT_EQ(2, v[3]["reason"]["column"].asInt());
}

TEST(CheckCommand, FilesAreReadAsBytesUnderTheirOwnNames)
{
    const fs::path dir = fs::temp_directory_path() / "tavrin-check-files";
    fs::create_directories(dir);
    const fs::path korean = dir / fs::u8path("메시지.json");
    const fs::path lines = dir / "log.jsonl";
    std::ofstream(korean, std::ios::binary) << GUIDE;
    std::ofstream(lines, std::ios::binary) << UPPER << "\n" << GUIDE << "\n";

    CCheckRun run;
    EXPECT_EQ(0, run.Run({korean.u8string(), lines.u8string()}));
    EXPECT_NE(std::string::npos, run.out.Text().find(korean.u8string() + ": shown\n"));
    // Without --lines a file is one payload, its newlines and all; the
    // reader takes its first value.
    EXPECT_NE(std::string::npos, run.out.Text().find("'IDLE'"));
    EXPECT_NE(std::string::npos, run.out.Text().find("(one payload a line? --lines checks each)"));

    CCheckRun linesRun;
    EXPECT_EQ(0, linesRun.Run({"--lines", lines.u8string()}));
    EXPECT_NE(std::string::npos, linesRun.out.Text().find(lines.u8string() + ":2: shown\n"));

    CCheckRun dirRun;
    EXPECT_EQ(2, dirRun.Run({dir.u8string()}));
    EXPECT_NE(std::string::npos, dirRun.err.Text().find("it is a directory"));
    fs::remove_all(dir);
}
}
