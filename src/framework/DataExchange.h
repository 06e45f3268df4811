#pragma once

class CWnd;

// What DoDataExchange is asked to do: read the controls into members
// (save and validate) or the other way round.
class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, bool bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
    {
    }

    bool m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Binds a control object to the dialog's control nIDC the first time it runs.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
