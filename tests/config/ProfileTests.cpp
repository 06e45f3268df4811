#include "config/PrivateProfile.h"
#include "TraceCapture.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
const wchar_t SECTION[] = L"RobotMqttService";

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// The text of the key as the platform reads it, uncut.
std::wstring RawValue(const std::wstring& path, const wchar_t* pszKey)
{
    std::vector<wchar_t> buffer(4096);
    DWORD n = GetPrivateProfileStringW(SECTION, pszKey, L"<missing>", buffer.data(), 4096, path.c_str());
    return std::wstring(buffer.data(), n);
}

FILETIME LastWriteTime(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// Records every write that reaches SetString, however it was called.
class CRecordingProfile : public CPrivateProfile
{
public:
    bool SetString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszValue) override
    {
        m_writes.push_back(std::wstring(pszKey) + L"=" + pszValue);
        return CPrivateProfile::SetString(pszSection, pszKey, pszValue);
    }

    std::vector<std::wstring> m_writes;
};

class ProfileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path()
                / (L"tavrin-profile-" + std::to_wstring(GetCurrentProcessId()) + L"-" + fs::path(info->name()).wstring());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_profile.m_strPath = (m_dir / L"Tavrin.ini").wstring();
    }

    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    fs::path m_dir;
    CRecordingProfile m_profile;
};
} // namespace

TEST_F(ProfileTest, CreatesMissingFileAsUtf16WithByteOrderMark)
{
    EXPECT_TRUE(m_profile.SetString(SECTION, L"name", L"홍길동"));

    std::string bytes = ReadBytes(m_profile.m_strPath);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ('\xFF', bytes[0]);
    EXPECT_EQ('\xFE', bytes[1]);
    ASSERT_EQ(0u, bytes.size() % 2);
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    EXPECT_NE(std::wstring::npos, text.find(L"[RobotMqttService]")) << bytes;
    EXPECT_NE(std::wstring::npos, text.find(L"name=홍길동")) << bytes;

    EXPECT_EQ(L"홍길동", m_profile.GetString(SECTION, L"name", L""));
    EXPECT_EQ(L'홍', m_profile.GetChar(SECTION, L"name"));
}

TEST_F(ProfileTest, ExistingFileWithoutByteOrderMarkStaysAnsi)
{
    for (const std::string& initial : {std::string("[RobotMqttService]\r\nip=10.0.0.1\r\n"), std::string()})
    {
        SCOPED_TRACE(initial);
        fs::path path = m_dir / (initial.empty() ? L"empty.ini" : L"ansi.ini");
        WriteBytes(path, initial);
        m_profile.m_strPath = path.wstring();

        EXPECT_EQ(1883, m_profile.EnsureInt(SECTION, L"port", 1883));

        std::string bytes = ReadBytes(path);
        EXPECT_NE(0, bytes.compare(0, 2, "\xFF\xFE"));
        EXPECT_NE(std::string::npos, bytes.find("port=1883")) << bytes;
        if (!initial.empty())
        {
            EXPECT_NE(std::string::npos, bytes.find("ip=10.0.0.1")) << bytes;
        }
    }
}

TEST_F(ProfileTest, MissingDirectoryFailsQuietly)
{
    fs::path missing = m_dir / L"missing";
    m_profile.m_strPath = (missing / L"Tavrin.ini").wstring();

    CTraceCapture trace;
    EXPECT_FALSE(m_profile.SetString(SECTION, L"ip", L"10.0.0.1"));
    EXPECT_EQ(L"127.0.0.1", m_profile.EnsureString(SECTION, L"ip", L"127.0.0.1"));
    EXPECT_EQ(60, m_profile.EnsureInt(SECTION, L"reconnect-sec", 60));
    EXPECT_FALSE(fs::exists(missing));
    // Invisible to the user, once for the run of failures rather than at every poll.
    const std::string text = trace.Text();
    const size_t nFirst = text.find("WritePrivateProfileStringW failed: ");
    EXPECT_NE(nFirst, std::string::npos) << text;
    EXPECT_EQ(text.find("WritePrivateProfileStringW", nFirst + 1), std::string::npos) << text;
}

TEST_F(ProfileTest, MissingKeysAreWrittenBackInReadOrder)
{
    EXPECT_EQ(L"127.0.0.1", m_profile.EnsureString(SECTION, L"ip", L"127.0.0.1"));
    EXPECT_EQ(1883, m_profile.EnsureInt(SECTION, L"port", 1883));
    EXPECT_EQ(60, m_profile.EnsureInt(SECTION, L"reconnect-sec", 60));
    EXPECT_EQ(L"", m_profile.EnsureString(SECTION, L"blank", L""));

    // SetInt reaches the file through SetString.
    EXPECT_EQ((std::vector<std::wstring>{L"ip=127.0.0.1", L"port=1883", L"reconnect-sec=60", L"blank="}),
              m_profile.m_writes);
    EXPECT_EQ(L"", RawValue(m_profile.m_strPath, L"blank"));

    std::string bytes = ReadBytes(m_profile.m_strPath);
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    size_t ip = text.find(L"ip=127.0.0.1");
    size_t port = text.find(L"port=1883");
    size_t reconnect = text.find(L"reconnect-sec=60");
    ASSERT_NE(std::wstring::npos, ip);
    ASSERT_NE(std::wstring::npos, port);
    ASSERT_NE(std::wstring::npos, reconnect);
    EXPECT_LT(ip, port);
    EXPECT_LT(port, reconnect);
}

TEST_F(ProfileTest, UnchangedFileIsNotRewritten)
{
    m_profile.SetString(SECTION, L"ip", L"192.168.0.7");
    m_profile.SetString(SECTION, L"port", L"1884");
    m_profile.SetString(SECTION, L"empty", L"");
    m_profile.m_writes.clear();

    // Set the file's time back so that any rewrite would show.
    FILETIME past = {};
    SYSTEMTIME st = {2001, 1, 1, 1, 0, 0, 0, 0};
    SystemTimeToFileTime(&st, &past);
    HANDLE hFile = CreateFileW(m_profile.m_strPath.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    SetFileTime(hFile, nullptr, nullptr, &past);
    CloseHandle(hFile);
    std::string before = ReadBytes(m_profile.m_strPath);

    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(L"192.168.0.7", m_profile.EnsureString(SECTION, L"ip", L"127.0.0.1"));
        EXPECT_EQ(1884, m_profile.EnsureInt(SECTION, L"port", 1883));
        EXPECT_EQ(L"", m_profile.EnsureString(SECTION, L"empty", L"default"));
        EXPECT_EQ(L"192.168.0.7", m_profile.EnsureString(L"robotmqttservice", L"IP", L"127.0.0.1"));
    }

    EXPECT_TRUE(m_profile.m_writes.empty());
    EXPECT_EQ(before, ReadBytes(m_profile.m_strPath));
    FILETIME after = LastWriteTime(m_profile.m_strPath);
    EXPECT_EQ(past.dwLowDateTime, after.dwLowDateTime);
    EXPECT_EQ(past.dwHighDateTime, after.dwHighDateTime);
}

TEST_F(ProfileTest, SetIntWritesSignedDecimal)
{
    m_profile.SetInt(SECTION, L"port", -42);
    EXPECT_EQ(L"-42", RawValue(m_profile.m_strPath, L"port"));
    EXPECT_EQ(-42, m_profile.GetInt(SECTION, L"port", 0));

    m_profile.SetInt(SECTION, L"port", INT_MIN);
    EXPECT_EQ(L"-2147483648", RawValue(m_profile.m_strPath, L"port"));
    EXPECT_EQ(-42, m_profile.EnsureInt(SECTION, L"missing", -42));
    EXPECT_EQ(L"-42", RawValue(m_profile.m_strPath, L"missing"));
}

TEST_F(ProfileTest, GetCharGivesZeroForMissingOrEmptyValue)
{
    EXPECT_EQ(0, m_profile.GetChar(SECTION, L"ip"));
    m_profile.SetString(SECTION, L"ip", L"");
    m_profile.SetString(SECTION, L"host", L"x.example");
    EXPECT_EQ(0, m_profile.GetChar(SECTION, L"ip"));
    EXPECT_EQ(0, m_profile.GetChar(SECTION, L"other"));
    EXPECT_EQ(L'x', m_profile.GetChar(SECTION, L"host"));
}

TEST_F(ProfileTest, LongValueIsCutAndTheCutValueWrittenBack)
{
    m_profile.SetString(SECTION, L"exact", std::wstring(1023, L'e').c_str());
    m_profile.SetString(SECTION, L"long", (std::wstring(1023, L'a') + L"bcdef").c_str());
    m_profile.m_writes.clear();

    EXPECT_EQ(std::wstring(1023, L'e'), m_profile.EnsureString(SECTION, L"exact", L""));
    EXPECT_TRUE(m_profile.m_writes.empty());

    EXPECT_EQ(std::wstring(1023, L'a'), m_profile.EnsureString(SECTION, L"long", L""));
    EXPECT_EQ(1u, m_profile.m_writes.size());
    EXPECT_EQ(std::wstring(1023, L'a'), RawValue(m_profile.m_strPath, L"long"));

    m_profile.EnsureString(SECTION, L"long", L"");
    EXPECT_EQ(1u, m_profile.m_writes.size());
}

TEST_F(ProfileTest, NonCanonicalNumberIsRewrittenAsRead)
{
    struct Case
    {
        const wchar_t* pszText;
        int nExpected; // 0: whatever the platform makes of it
    };
    const Case cases[] = {
        {L"012", 12}, {L"12abc", 12}, {L"\" 12\"", 12}, {L"+7", 7}, {L"0x10", 0}, {L"abc", 0}, {L"", 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "port=" << c.pszText);
        WritePrivateProfileStringW(SECTION, L"port", c.pszText, m_profile.m_strPath.c_str());
        m_profile.m_writes.clear();

        int n = m_profile.EnsureInt(SECTION, L"port", 1883);
        if (c.nExpected != 0)
        {
            EXPECT_EQ(c.nExpected, n);
        }
        EXPECT_EQ(n, m_profile.GetInt(SECTION, L"port", -1));
        EXPECT_EQ(std::to_wstring(n), RawValue(m_profile.m_strPath, L"port"));
        EXPECT_EQ(1u, m_profile.m_writes.size());

        m_profile.EnsureInt(SECTION, L"port", 1883);
        EXPECT_EQ(1u, m_profile.m_writes.size());
    }
}

TEST_F(ProfileTest, DerivedReadsChangeWhatEnsureWritesBack)
{
    class CFixedProfile : public CRecordingProfile
    {
    public:
        std::wstring GetString(const wchar_t*, const wchar_t*, const wchar_t*) override { return L"fixed"; }
        int GetInt(const wchar_t*, const wchar_t*, int) override { return 77; }
    } profile;
    profile.m_strPath = m_profile.m_strPath;

    EXPECT_EQ(L"fixed", profile.EnsureString(SECTION, L"ip", L"127.0.0.1"));
    EXPECT_EQ(77, profile.EnsureInt(SECTION, L"port", 1883));
    EXPECT_EQ((std::vector<std::wstring>{L"ip=fixed", L"port=77"}), profile.m_writes);
    EXPECT_EQ(L"77", RawValue(m_profile.m_strPath, L"port"));
}

TEST(ProfilePath, WithoutArgumentIsBesideTheExecutable)
{
    wchar_t szExe[MAX_PATH];
    GetModuleFileNameW(nullptr, szExe, MAX_PATH);
    std::wstring exe = szExe;
    std::wstring expected = exe.substr(0, exe.rfind(L'\\')) + L"\\Tavrin.ini";

    EXPECT_EQ(expected, MakeProfilePath(L"Tavrin", nullptr));
    EXPECT_EQ(expected, MakeProfilePath(L"Tavrin", L""));
}

TEST(ProfilePath, DirectoryArgument)
{
    wchar_t szOld[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, szOld);
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\windows"));
    std::wstring relative = MakeProfilePath(L"Tavrin", L"conf");
    std::wstring dotted = MakeProfilePath(L"Tavrin", L"..\\conf dir");
    SetCurrentDirectoryW(szOld);

    EXPECT_TRUE(_wcsicmp(L"C:\\windows\\conf\\Tavrin.ini", relative.c_str()) == 0) << relative;
    EXPECT_TRUE(_wcsicmp(L"C:\\conf dir\\Tavrin.ini", dotted.c_str()) == 0) << dotted;
    EXPECT_EQ(L"D:\\Tavrin conf\\Tavrin.ini", MakeProfilePath(L"Tavrin", L"D:\\Tavrin conf"));
    EXPECT_EQ(L"D:\\Tavrin conf\\Tavrin.ini", MakeProfilePath(L"Tavrin", L"D:\\Tavrin conf\\"));
    // Always a directory, even when it names a file.
    EXPECT_EQ(L"D:\\x\\other.ini\\Tavrin.ini", MakeProfilePath(L"Tavrin", L"D:\\x\\other.ini"));
}

TEST(ProfilePath, TooLongGivesAnUnusableEmptyPath)
{
    std::wstring deep = L"D:\\" + std::wstring(300, L'd');
    EXPECT_EQ(L"", MakeProfilePath(L"Tavrin", deep.c_str()));
    EXPECT_EQ(L"", MakeProfilePath(L"Tavrin", std::wstring(300, L'r').c_str()));
    EXPECT_EQ(L"", MakeProfilePath(L"Tavrin", (L"D:\\" + std::wstring(250, L'd')).c_str()));

    CPrivateProfile profile;
    EXPECT_FALSE(profile.SetString(SECTION, L"ip", L"10.0.0.1"));
    EXPECT_EQ(L"127.0.0.1", profile.EnsureString(SECTION, L"ip", L"127.0.0.1"));
    EXPECT_EQ(1883, profile.EnsureInt(SECTION, L"port", 1883));
    EXPECT_EQ(0, profile.GetChar(SECTION, L"ip"));
}
