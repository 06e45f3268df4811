// The MSI as IT staff use it, in a Wine prefix of its own: silent install,
// the installed program against the tests' broker, an in-place upgrade while
// it runs, and a silent uninstall. package-test.sh builds the packages and
// names them in the environment (TAVRIN_TEST_*), Windows paths all.
#include "ProgramProbe.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <msi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <fstream>
#include <string>
#include <vector>

using namespace Probe;

namespace
{
const wchar_t RUN_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t UNINSTALL_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring Env(const char* name)
{
    const char* value = getenv(name);
    return value ? Widen(value) : std::wstring();
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::wstring Folder(int nCsidl)
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, nCsidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// msiexec's exit code, as a deployment tool sees it.
DWORD Msiexec(const std::wstring& args)
{
    wchar_t dir[MAX_PATH] = {};
    GetSystemDirectoryW(dir, MAX_PATH);
    return CProgram().Run(std::wstring(dir) + L"\\msiexec.exe", args, 120000);
}

// The installed Tavrin products, found as an upgrade finds them.
std::vector<std::wstring> Products(const std::wstring& upgradeCode)
{
    std::vector<std::wstring> codes;
    wchar_t code[39];
    for (DWORD i = 0; MsiEnumRelatedProductsW(upgradeCode.c_str(), 0, i, code) == ERROR_SUCCESS; ++i)
        codes.push_back(code);
    return codes;
}

std::wstring ProductInfo(const std::wstring& code, const wchar_t* property)
{
    wchar_t value[MAX_PATH] = {};
    DWORD cch = MAX_PATH;
    MsiGetProductInfoW(code.c_str(), property, value, &cch);
    return value;
}

// The entry's Uninstall key, which Wine writes under HKLM even for a
// per-user install; looked for under both roots.
std::wstring UninstallValue(const std::wstring& code, const wchar_t* name)
{
    for (HKEY hRoot : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    {
        wchar_t value[MAX_PATH] = {};
        DWORD cb = sizeof value;
        if (RegGetValueW(hRoot, (UNINSTALL_KEY + code).c_str(), name, RRF_RT_REG_SZ, nullptr, value, &cb) ==
            ERROR_SUCCESS)
            return value;
    }
    return std::wstring();
}

struct SShortcut
{
    bool bLoaded = false;
    std::wstring target, icon;
};

SShortcut ReadShortcut(const std::wstring& lnk)
{
    SShortcut sc;
    IShellLinkW* pLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&pLink))))
        return sc;
    IPersistFile* pFile = nullptr;
    if (SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile))))
    {
        wchar_t path[MAX_PATH] = {};
        int nIcon = 0;
        sc.bLoaded = SUCCEEDED(pFile->Load(lnk.c_str(), STGM_READ)) &&
                     SUCCEEDED(pLink->GetPath(path, MAX_PATH, nullptr, 0));
        sc.target = path;
        path[0] = L'\0';
        pLink->GetIconLocation(path, MAX_PATH, &nIcon);
        sc.icon = path;
        pFile->Release();
    }
    pLink->Release();
    return sc;
}

bool SetRunValue(const std::wstring& command)
{
    return RegSetKeyValueW(HKEY_CURRENT_USER, RUN_KEY, L"Tavrin", REG_SZ, command.c_str(),
                           static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool HasRunValue()
{
    return RegGetValueW(HKEY_CURRENT_USER, RUN_KEY, L"Tavrin", RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

class Package : public testing::Test
{
protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }
    static void TearDownTestSuite() { CoUninitialize(); }

    // One installed product of the version, its entry complete.
    void ExpectOneProduct(const std::wstring& version)
    {
        std::vector<std::wstring> codes = Products(m_upgradeCode);
        ASSERT_EQ(codes.size(), 1u);
        const std::wstring& code = codes[0];
        // As the installer API and as "Apps & features" read it.
        const struct { const wchar_t *pszProperty, *pszValue; std::wstring expected; } entry[] = {
            {INSTALLPROPERTY_INSTALLEDPRODUCTNAME, L"DisplayName", L"Tavrin"},
            {INSTALLPROPERTY_VERSIONSTRING, L"DisplayVersion", version},
            {INSTALLPROPERTY_PUBLISHER, L"Publisher", m_publisher},
        };
        for (const auto& e : entry)
        {
            EXPECT_EQ(ProductInfo(code, e.pszProperty), e.expected);
            EXPECT_EQ(UninstallValue(code, e.pszValue), e.expected);
        }
        EXPECT_TRUE(Exists(ProductInfo(code, INSTALLPROPERTY_PRODUCTICON)));
        EXPECT_TRUE(SamePath(UninstallValue(code, L"InstallLocation"), m_dir + L"\\"));
    }

    std::string IniText() const { return ReadBytes(m_dir + L"\\Tavrin.ini"); }

    const std::wstring m_upgradeCode = Env("TAVRIN_TEST_UPGRADE_CODE");
    const std::wstring m_publisher = Env("TAVRIN_TEST_PUBLISHER");
    const std::wstring m_dir = Folder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Tavrin";
    const std::wstring m_exe = m_dir + L"\\Tavrin.exe";
    const std::wstring m_lnk = Folder(CSIDL_PROGRAMS) + L"\\Tavrin.lnk";
};
}

TEST_F(Package, InstallsRunsUpgradesInPlaceAndUninstallsKeepingTheSettings)
{
    ASSERT_FALSE(m_upgradeCode.empty()) << "run by package-test.sh";
    ASSERT_TRUE(Products(m_upgradeCode).empty());

    // Installed silently: the program, its shortcut and its entry.
    ASSERT_EQ(Msiexec(L"/i \"" + Env("TAVRIN_TEST_MSI") + L"\" /qn"), 0u);
    EXPECT_EQ(ReadBytes(m_exe), ReadBytes(Env("TAVRIN_TEST_EXE")));
    SShortcut sc = ReadShortcut(m_lnk);
    ASSERT_TRUE(sc.bLoaded) << m_lnk;
    EXPECT_TRUE(SamePath(sc.target, m_exe));
    EXPECT_TRUE(Exists(sc.icon));
    ASSERT_NO_FATAL_FAILURE(ExpectOneProduct(Env("TAVRIN_TEST_VERSION")));

    // The installed program reaches the broker whose port the INI beside it
    // names, and writes the broker's address, which it was not given, back.
    CTestBroker broker;
    ASSERT_TRUE(broker.Start()) << broker.LogText();
    std::ofstream((m_dir + L"\\Tavrin.ini").c_str(), std::ios::binary)
        << "[RobotMqttService]\r\nport=" << broker.Port() << "\r\n";
    CProgram app;
    ASSERT_TRUE(app.Start(m_exe, L""));
    HWND hDlg = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (hDlg = WindowOf(app.Pid())) != nullptr; }, 60000));
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(hDlg) != FALSE; }));
    EXPECT_TRUE(WaitFor([&] { return PaneHas(hDlg, PANE_MQTT, L"connection success"); }));
    EXPECT_TRUE(WaitFor([&] { return IniText().find("ip=127.0.0.1") != std::string::npos; }));

    // A higher version, while the program runs: it is closed, and its file
    // replaced under the one entry.
    ASSERT_EQ(Msiexec(L"/i \"" + Env("TAVRIN_TEST_MSI_NEXT") + L"\" /qn"), 0u);
    EXPECT_TRUE(app.WaitExit(10000)) << "the running program was not closed";
    EXPECT_EQ(ReadBytes(m_exe), ReadBytes(Env("TAVRIN_TEST_EXE_NEXT")));
    EXPECT_TRUE(ReadShortcut(m_lnk).bLoaded);
    ASSERT_NO_FATAL_FAILURE(ExpectOneProduct(Env("TAVRIN_TEST_VERSION_NEXT")));
    const std::wstring code = Products(m_upgradeCode)[0];

    // Uninstalled silently after the menu registered the start at login:
    // program, shortcut, entry and Run value go, the user's settings stay.
    ASSERT_TRUE(SetRunValue(L"\"" + m_exe + L"\" /startup"));
    ASSERT_EQ(Msiexec(L"/x \"" + Env("TAVRIN_TEST_MSI_NEXT") + L"\" /qn"), 0u);
    EXPECT_FALSE(Exists(m_exe));
    EXPECT_FALSE(Exists(m_lnk));
    EXPECT_TRUE(Products(m_upgradeCode).empty());
    EXPECT_EQ(UninstallValue(code, L"DisplayName"), L"");
    EXPECT_FALSE(HasRunValue());
    EXPECT_NE(IniText().find("port=" + std::to_string(broker.Port())), std::string::npos);
}
