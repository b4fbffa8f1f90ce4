// The what's-new page: the release notes shown in its read-only edit on every activation.
#include "wizard/whats_new_page.h"

#include "base/resources.h"
#include "res/resource.h"
#include "wizard/wiz_property_page.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <new>

namespace ph {

void CopyReleaseNotes(const void* data, std::size_t bytes, wchar_t (&buffer)[kReleaseNotesChars])
{
    std::memset(buffer, 0, sizeof(buffer));
    std::memcpy(buffer, data, std::min(bytes, (kReleaseNotesChars - 1) * sizeof(wchar_t)));
}

void TrimReleaseNotes(wchar_t* text)
{
    std::size_t len = std::wcslen(text);
    while (len > 0 && std::iswalnum(static_cast<wint_t>(text[len - 1])) == 0) {
        text[--len] = L'\0';
    }
}

bool LoadReleaseNotes(HMODULE module, wchar_t (&buffer)[kReleaseNotesChars])
{
    const ResourceBytes notes = LoadResourceBytes(module, IDR_RELEASE_NOTES, RT_RELEASE_NOTES_NAME);
    if (notes.data == nullptr) {
        return false;
    }
    CopyReleaseNotes(notes.data, notes.size, buffer);
    TrimReleaseNotes(buffer);
    return true;
}

void CWizPropertyPage::LoadWhatsNewText()
{
    // 20 KB: on the heap rather than the page's stack.
    struct Notes {
        wchar_t text[kReleaseNotesChars];
    };
    std::unique_ptr<Notes> notes(new (std::nothrow) Notes());
    if (notes && LoadReleaseNotes(::GetModuleHandleW(nullptr), notes->text)) {
        ::SetDlgItemTextW(m_hWnd, IDC_RELEASE_NOTES, notes->text);
    }
}

} // namespace ph
