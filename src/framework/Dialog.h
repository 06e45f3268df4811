#pragma once

#include "framework/DataExchange.h"
#include "framework/Wnd.h"

// A dialog over a template of the program's resources. The object binds to
// its window at WM_INITDIALOG and gets every later message in OnWndMsg.
class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, HWND hParent = nullptr);

    // Runs the dialog's own modal loop; -1 when the window cannot be created.
    virtual INT_PTR DoModal();
    // Creates the same dialog modeless; the caller destroys the window.
    bool Create(HWND hParent = nullptr);
    void EndDialog(int nResult);
    // The result EndDialog was given; -1 while the dialog has not ended.
    int GetModalResult() const { return m_nModalResult; }

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    bool UpdateData(bool bSaveAndValidate = true);

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    // Every message after the binding arrives here. Returns true when it was
    // handled, with its result in result; false sends it on to the dialog
    // manager's default processing.
    virtual bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND DefaultOwner() const;
    static void ReportError(const char* pszText);
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    UINT m_nIDTemplate;
    HWND m_hParent;
    int m_nModalResult = -1;
};
