#include "framework/Dialog.h"

#include "framework/MessageBox.h"
#include "framework/TextConvert.h"
#include "framework/WinApp.h"
#include "trace/DebugTrace.h"

#include <commctrl.h>

#include <cstring>
#include <exception>
#include <string>

namespace
{
// The dialog procedure returns these messages' results itself instead of
// through DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message)
{
    switch (message)
    {
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

// The style that a dialog template of the program's resources gives.
DWORD TemplateStyle(UINT nIDTemplate)
{
    HINSTANCE hInstance = AfxGetInstanceHandle();
    HRSRC hRes = FindResourceW(hInstance, MAKEINTRESOURCEW(nIDTemplate), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    const BYTE* p = hRes ? static_cast<const BYTE*>(LockResource(LoadResource(hInstance, hRes))) : nullptr;
    if (!p)
        return 0;
    // An extended template starts with version 1 and signature 0xFFFF, then
    // the help id and the extended style; a plain one starts with the style.
    WORD wHead[2];
    memcpy(wHead, p, sizeof wHead);
    DWORD dwStyle;
    memcpy(&dwStyle, p + (wHead[0] == 1 && wHead[1] == 0xFFFF ? 12 : 0), sizeof dwStyle);
    return dwStyle;
}

void InitControlClasses()
{
    INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_WIN95_CLASSES };
    InitCommonControlsEx(&icc);
}
}

CDialog::CDialog(UINT nIDTemplate, HWND hParent)
    : m_nIDTemplate(nIDTemplate), m_hParent(hParent)
{
}

INT_PTR CDialog::DoModal()
{
    InitControlClasses();
    m_nModalResult = -1;
    return DialogBoxParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), DefaultOwner(),
                           DialogProc, reinterpret_cast<LPARAM>(this));
}

HWND CDialog::DefaultOwner() const
{
    // Without a parent of its own, a dialog belongs to the main window, which
    // it disables while it runs.
    if (m_hParent)
        return m_hParent;
    CWinApp* pApp = AfxGetApp();
    if (!pApp || !pApp->m_pMainWnd || pApp->m_pMainWnd == this)
        return nullptr;
    return pApp->m_pMainWnd->GetSafeHwnd();
}

bool CDialog::Create(HWND hParent)
{
    InitControlClasses();
    m_nModalResult = -1;
    return CreateDialogParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), hParent,
                              DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

bool CDialog::UpdateData(bool bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return true;
}

void CDialog::DoDataExchange(CDataExchange*)
{
}

bool CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    switch (message)
    {
    case WM_INITDIALOG:
        result = OnInitDialog();
        return true;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            return false;
        if (LOWORD(wParam) == IDOK)
        {
            OnOK();
            return true;
        }
        if (LOWORD(wParam) == IDCANCEL)
        {
            OnCancel();
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // No exception may cross into the system's code: report it and go on.
    try
    {
        return OnWndMsg(message, wParam, lParam, result);
    }
    catch (const std::exception& e)
    {
        ReportError(e.what());
    }
    catch (...)
    {
        ReportError("Unknown error");
    }
    return false;
}

void CDialog::ReportError(const char* pszText)
{
    // The box's own loop goes on dispatching the timers: an error that
    // comes again while it is open is traced instead of stacking boxes.
    static bool s_bShowing = false;
    DebugTrace(std::string("error in a window handler: ") + pszText);
    if (s_bShowing)
        return;
    s_bShowing = true;
    AfxMessageBox(Utf8ToWide(pszText), MB_OK | MB_ICONSTOP);
    s_bShowing = false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* pDlg;
    if (message == WM_INITDIALOG)
    {
        pDlg = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(pDlg));
        pDlg->m_hWnd = hWnd;
    }
    else
    {
        pDlg = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hWnd, DWLP_USER));
    }
    if (!pDlg)
        return FALSE;

    RECT rcBefore = {};
    if (message == WM_INITDIALOG)
        ::GetWindowRect(hWnd, &rcBefore);

    LRESULT result = 0;
    bool bHandled = pDlg->Dispatch(message, wParam, lParam, result);

    // A dialog whose template starts it hidden, and that its own
    // initialisation did not move, opens centred on its owner. The main
    // window starts visible and keeps the place its template gives it. (The
    // window's style cannot tell: the dialog manager shows a visible
    // template only after WM_INITDIALOG.)
    if (message == WM_INITDIALOG && !(TemplateStyle(pDlg->m_nIDTemplate) & (WS_VISIBLE | WS_CHILD)))
    {
        RECT rcAfter = {};
        ::GetWindowRect(hWnd, &rcAfter);
        if (EqualRect(&rcBefore, &rcAfter))
            pDlg->CenterWindow();
    }
    if (message == WM_NCDESTROY)
    {
        SetWindowLongPtrW(hWnd, DWLP_USER, 0);
        pDlg->m_hWnd = nullptr;
        return FALSE;
    }
    if (!bHandled)
        return FALSE;
    if (ReturnsDirectly(message))
        return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}
