#include "DialogFixture.h"
#include "TraceCapture.h"

#include "framework/CurrentTime.h"
#include "framework/Dialog.h"
#include "framework/TextConvert.h"
#include "framework/WinApp.h"
#include "res/resource.h"

#include <stdexcept>

TEST(WinAppTest, TheFileArgumentIsTheFirstThatIsNotASwitch)
{
    CWinApp app;
    app.ParseCommandLine(L"Tavrin.exe /startup -x \"C:\\ini dir\" D:\\other");
    EXPECT_EQ(app.GetFileArgument(), L"C:\\ini dir");
    app.ParseCommandLine(L"\"C:\\Program Files\\Tavrin.exe\" /startup");
    EXPECT_EQ(app.GetFileArgument(), L"");
}

TEST(WinAppTest, TheNameComesFromTheExecutableAndStacksForTests)
{
    CWinApp outer;
    EXPECT_EQ(outer.GetAppName(), L"win_tests");
    {
        CWinApp inner;
        inner.SetAppName(L"Inner");
        EXPECT_EQ(AfxGetAppName(), L"Inner");
    }
    EXPECT_EQ(AfxGetApp(), &outer);
}

TEST(TextConvertTest, Utf8RoundTripsAndBadBytesBecomeReplacements)
{
    EXPECT_EQ(WideToUtf8(Utf8ToWide("환자 ☃ 𝄞")), "환자 ☃ 𝄞");
    EXPECT_EQ(Utf8ToWide("a\xFF" "b"), L"a\xFFFD" L"b");
    EXPECT_EQ(Utf8ToWide(static_cast<const char*>(nullptr)), L"");
}

namespace
{
// The About template, with a handler that fails.
class CThrowingDlg : public CDialog
{
public:
    CThrowingDlg() : CDialog(IDD_ABOUTBOX) {}

protected:
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == WM_APP)
            throw std::runtime_error("handler failed");
        return CDialog::OnWndMsg(message, wParam, lParam, result);
    }
};
}

TEST(DialogTest, AnErrorInAHandlerIsShownAndTheDialogGoesOn)
{
    CWinApp app;
    app.SetAppName(L"Tavrin");
    CThrowingDlg dlg;
    ASSERT_TRUE(dlg.Create());
    CDialogCloser boxes;
    CTraceCapture trace;
    // The same error again while the box is open, as under a timer: traced,
    // and no second box.
    boxes.onOpen = [&] { SendMessageW(dlg.GetSafeHwnd(), WM_APP, 0, 0); };
    SendMessageW(dlg.GetSafeHwnd(), WM_APP, 0, 0);
    EXPECT_EQ(boxes.nCount, 1);
    EXPECT_EQ(boxes.caption, L"Tavrin");
    EXPECT_EQ(boxes.text, L"handler failed");
    std::string traced = trace.Text();
    size_t nFirst = traced.find("handler failed");
    ASSERT_NE(nFirst, std::string::npos);
    EXPECT_NE(traced.find("handler failed", nFirst + 1), std::string::npos);

    SendMessageW(dlg.GetSafeHwnd(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(dlg.GetModalResult(), IDOK);
    DestroyWindow(dlg.GetSafeHwnd());
    EXPECT_EQ(dlg.GetSafeHwnd(), nullptr);
}

TEST(TestSupportTest, ATemporaryFolderThatCannotBeMadeEndsTheSearch)
{
    wchar_t szOld[MAX_PATH] = {};
    DWORD nOld = GetEnvironmentVariableW(L"TMP", szOld, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", L"Z:\\nonexistent\\folder");
    EXPECT_EQ(MakeTempDir(), L"");
    SetEnvironmentVariableW(L"TMP", nOld ? szOld : nullptr);
}

TEST(CurrentTimeTest, IsTheRuntimesTime)
{
    std::time_t t = std::time(nullptr);
    EXPECT_LE(std::abs(CurrentTime() - t), 1);
}
