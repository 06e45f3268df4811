#include "framework/DataExchange.h"

#include "framework/Wnd.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (!rControl.GetSafeHwnd())
        rControl.Attach(pDX->m_pDlgWnd->GetDlgItem(nIDC));
}
