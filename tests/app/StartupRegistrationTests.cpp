#include "app/StartupRegistration.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace
{
const wchar_t RUN_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t APPROVED_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
const wchar_t VALUE_NAME[] = L"Tavrin";
const wchar_t CHILD_VARIABLE[] = L"TAVRIN_STARTUP_TEST_CHILD";

struct RegValue
{
    bool bPresent = false;
    DWORD dwType = REG_NONE;
    std::vector<BYTE> data;
};

RegValue ReadValue(HKEY hKey, const wchar_t* pszName)
{
    RegValue value;
    DWORD cb = 0;
    if (RegQueryValueExW(hKey, pszName, nullptr, &value.dwType, nullptr, &cb) != ERROR_SUCCESS)
        return value;
    value.data.resize(cb);
    if (RegQueryValueExW(hKey, pszName, nullptr, &value.dwType, value.data.data(), &cb) != ERROR_SUCCESS)
        return RegValue();
    value.data.resize(cb);
    value.bPresent = true;
    return value;
}

// The registry adds a NUL to a string whose size left it out when the
// character after the data is a NUL; padding keeps every value as given.
void WriteValue(HKEY hKey, const wchar_t* pszName, const RegValue& value)
{
    if (!value.bPresent)
    {
        RegDeleteValueW(hKey, pszName);
        return;
    }
    std::vector<BYTE> buffer(value.data);
    buffer.insert(buffer.end(), 4, 'X');
    RegSetValueExW(hKey, pszName, 0, value.dwType, buffer.data(), static_cast<DWORD>(value.data.size()));
}

RegValue StringValue(DWORD dwType, const std::wstring& text, size_t cbData)
{
    RegValue value;
    value.bPresent = true;
    value.dwType = dwType;
    const BYTE* p = reinterpret_cast<const BYTE*>(text.c_str());
    value.data.assign(p, p + cbData);
    return value;
}

RegValue TextValue(const std::wstring& text, DWORD dwType = REG_SZ)
{
    return StringValue(dwType, text, (text.size() + 1) * sizeof(wchar_t));
}

std::wstring ExePath()
{
    wchar_t szExe[MAX_PATH];
    GetModuleFileNameW(nullptr, szExe, MAX_PATH);
    return szExe;
}

bool SameValue(const RegValue& a, const RegValue& b)
{
    return a.bPresent == b.bPresent && a.dwType == b.dwType && a.data == b.data;
}

// Works on the real Run key of the current user and puts back both values it
// may touch: ours and the key's default value.
class StartupRegistrationTest : public testing::Test
{
protected:
    void SetUp() override
    {
        DWORD dwDisposition = 0;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, RUN_KEY, 0, nullptr, 0,
                                                 KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &m_hKey, &dwDisposition));
        m_bCreatedKey = dwDisposition == REG_CREATED_NEW_KEY;
        m_savedOurs = ReadValue(m_hKey, VALUE_NAME);
        m_savedDefault = ReadValue(m_hKey, L"");
        RegDeleteValueW(m_hKey, VALUE_NAME);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, APPROVED_KEY, 0, nullptr, 0,
                                                 KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &m_hApproved, nullptr));
        m_savedApproved = ReadValue(m_hApproved, VALUE_NAME);
        RegDeleteValueW(m_hApproved, VALUE_NAME);
    }

    void TearDown() override
    {
        if (m_hApproved)
        {
            WriteValue(m_hApproved, VALUE_NAME, m_savedApproved);
            RegCloseKey(m_hApproved);
        }
        if (m_hKey == nullptr)
            return;
        WriteValue(m_hKey, VALUE_NAME, m_savedOurs);
        WriteValue(m_hKey, L"", m_savedDefault);
        RegCloseKey(m_hKey);
        if (m_bCreatedKey)
            RegDeleteKeyW(HKEY_CURRENT_USER, RUN_KEY);
    }

    RegValue Ours() const { return ReadValue(m_hKey, VALUE_NAME); }
    RegValue Approved() const { return ReadValue(m_hApproved, VALUE_NAME); }

    HKEY m_hKey = nullptr;
    HKEY m_hApproved = nullptr;
    RegValue m_savedApproved;
    bool m_bCreatedKey = false;
    RegValue m_savedOurs;
    RegValue m_savedDefault;
};
} // namespace

TEST_F(StartupRegistrationTest, ToggleWritesAndDeletesOurNamedValue)
{
    EXPECT_FALSE(IsStartupRegistered());

    ToggleStartup();
    EXPECT_TRUE(IsStartupRegistered());
    RegValue ours = Ours();
    EXPECT_TRUE(SameValue(TextValue(L"\"" + ExePath() + L"\" /startup"), ours))
        << std::wstring(reinterpret_cast<const wchar_t*>(ours.data.data()), ours.data.size() / 2);

    ToggleStartup();
    EXPECT_FALSE(IsStartupRegistered());
    EXPECT_FALSE(Ours().bPresent);
}

TEST_F(StartupRegistrationTest, DefaultValueOfOtherSoftwareIsLeftAlone)
{
    RegValue other = TextValue(L"\"C:\\Program Files\\Other\\other.exe\" /background");
    WriteValue(m_hKey, L"", other);

    EXPECT_FALSE(IsStartupRegistered());
    ToggleStartup();
    EXPECT_TRUE(Ours().bPresent);
    EXPECT_TRUE(SameValue(other, ReadValue(m_hKey, L"")));

    ToggleStartup();
    EXPECT_FALSE(Ours().bPresent);
    UnregisterStartup();
    EXPECT_TRUE(SameValue(other, ReadValue(m_hKey, L"")));
}

// A malformed value counts as not registered, and the toggle overwrites it
// with ours; any well-formed string counts, and the toggle deletes it.
TEST_F(StartupRegistrationTest, OnlyAWellFormedStringCountsAsRegistered)
{
    const DWORD dword = 1;
    RegValue number;
    number.bPresent = true;
    number.dwType = REG_DWORD;
    number.data.assign(reinterpret_cast<const BYTE*>(&dword), reinterpret_cast<const BYTE*>(&dword) + sizeof dword);

    const struct
    {
        const char* pszWhat;
        RegValue value;
        bool bRegistered;
    } cases[] = {
        {"REG_DWORD", number, false},
        {"odd size", StringValue(REG_SZ, L"abcde", 5), false},
        {"unterminated", StringValue(REG_SZ, L"abcdX", 8), false},
        {"more than 520 bytes", TextValue(std::wstring(260, L'x')), false},
        {"binary", TextValue(L"ab", REG_BINARY), false},
        {"empty", StringValue(REG_SZ, L"", 0), true},
        {"just a NUL", TextValue(L""), true},
        {"expandable", TextValue(L"%LOCALAPPDATA%\\Tavrin\\Tavrin.exe", REG_EXPAND_SZ), true},
        {"520 bytes", TextValue(std::wstring(259, L'x')), true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        WriteValue(m_hKey, VALUE_NAME, c.value);
        ASSERT_TRUE(SameValue(c.value, Ours()));

        EXPECT_EQ(IsStartupRegistered(), c.bRegistered);
        ToggleStartup();
        if (c.bRegistered)
            EXPECT_FALSE(Ours().bPresent);
        else
            EXPECT_TRUE(SameValue(TextValue(L"\"" + ExePath() + L"\" /startup"), Ours()));
        EXPECT_EQ(IsStartupRegistered(), !c.bRegistered);
    }
}

RegValue BinaryValue(std::vector<BYTE> data, DWORD dwType = REG_BINARY)
{
    RegValue value;
    value.bPresent = true;
    value.dwType = dwType;
    value.data = std::move(data);
    return value;
}

// Windows' own switch (Task Manager's "Startup" tab) beside our Run value:
// checked exactly when Windows will start us; choosing the item while the
// switch is off turns it on in both places.
TEST_F(StartupRegistrationTest, WindowsOwnSwitchDecidesWhetherWeStart)
{
    const std::vector<BYTE> off = {3, 0, 0, 0, 0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0x01};
    const RegValue none;
    const struct
    {
        const char* pszWhat;
        bool bRun;
        RegValue approved;
        bool bChecked;
    } cases[] = {
        {"no switch", true, none, true},
        {"switched on", true, BinaryValue({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), true},
        {"switched on, 6", true, BinaryValue({6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), true},
        {"switched off", true, BinaryValue(off), false},
        {"switched off, 7", true, BinaryValue({7, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}), false},
        {"not binary", true, BinaryValue({3, 0, 0, 0}, REG_DWORD), true},
        {"empty", true, BinaryValue({}), true},
        {"switch without a Run value", false, BinaryValue({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), false},
        {"off without a Run value", false, BinaryValue(off), false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        WriteValue(m_hKey, VALUE_NAME, c.bRun ? TextValue(L"\"C:\\Tavrin\\Tavrin.exe\" /startup") : none);
        WriteValue(m_hApproved, VALUE_NAME, c.approved);
        EXPECT_EQ(IsStartupRegistered(), c.bChecked);

        ToggleStartup();
        EXPECT_EQ(IsStartupRegistered(), !c.bChecked);
        if (c.bChecked)
        {
            // Off removes our value and leaves Windows' switch as it was.
            EXPECT_FALSE(Ours().bPresent);
            EXPECT_TRUE(SameValue(Approved(), c.approved));
        }
        else
        {
            EXPECT_TRUE(SameValue(TextValue(L"\"" + ExePath() + L"\" /startup"), Ours()));
            RegValue approved = Approved();
            EXPECT_TRUE(!approved.bPresent || (approved.data.size() == 12 && approved.data[0] == 2));
            EXPECT_EQ(approved.bPresent, c.approved.bPresent);
        }
    }
}

// Run only inside the copy that the next test starts.
TEST(StartupRegistrationChild, DISABLED_RegisterFromHere)
{
    if (GetEnvironmentVariableW(CHILD_VARIABLE, nullptr, 0) == 0)
        GTEST_SKIP() << "only as the child of RegisteredFromAnotherPlaceWithSpaces";
    RegisterStartup();
}

TEST_F(StartupRegistrationTest, RegisteredFromAnotherPlaceWithSpaces)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / (L"Tavrin startup " + std::to_wstring(GetCurrentProcessId()));
    fs::create_directories(dir);
    fs::path copy = dir / L"Tavrin Copy.exe";
    ASSERT_TRUE(CopyFileW(ExePath().c_str(), copy.c_str(), FALSE));

    std::wstring command = L"\"" + copy.wstring()
                           + L"\" --gtest_also_run_disabled_tests"
                             L" --gtest_filter=StartupRegistrationChild.DISABLED_RegisterFromHere";
    SetEnvironmentVariableW(CHILD_VARIABLE, L"1");
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    BOOL bStarted = CreateProcessW(copy.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableW(CHILD_VARIABLE, nullptr);
    DWORD dwExit = 1;
    if (bStarted)
    {
        WaitForSingleObject(pi.hProcess, 60000);
        GetExitCodeProcess(pi.hProcess, &dwExit);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    EXPECT_TRUE(bStarted);
    EXPECT_EQ(0u, dwExit);

    EXPECT_TRUE(SameValue(TextValue(L"\"" + copy.wstring() + L"\" /startup"), Ours()));
    EXPECT_TRUE(IsStartupRegistered());
    ToggleStartup();
    EXPECT_FALSE(Ours().bPresent);

    std::error_code ec;
    fs::remove_all(dir, ec);
}
