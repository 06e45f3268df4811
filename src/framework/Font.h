#pragma once

#include <windows.h>

// Owns one GDI font; deletes it with the object.
class CFont
{
public:
    CFont() = default;
    ~CFont() { DeleteObject(); }
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    bool CreateFontIndirect(const LOGFONTW* pLogFont)
    {
        DeleteObject();
        m_hObject = ::CreateFontIndirectW(pLogFont);
        return m_hObject != nullptr;
    }
    void DeleteObject()
    {
        if (m_hObject)
            ::DeleteObject(m_hObject);
        m_hObject = nullptr;
    }
    HFONT GetSafeHandle() const { return m_hObject; }
    operator HFONT() const { return m_hObject; }

    HFONT m_hObject = nullptr;
};
