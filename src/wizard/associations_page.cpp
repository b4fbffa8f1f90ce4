// The associations page: the catalogue's file types in a list with check boxes, usable only
// while the registry box is ticked, and the three buttons that tick rows in bulk.
#include "wizard/associations_page.h"

#include "platform/probes.h"
#include "shell/file_types.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"

#include <cwchar>

namespace ph {

namespace {

// The state-image bits of a list row.
constexpr UINT kStateImageMask = 0xF000;
constexpr UINT kStateImageShift = 12;

// The buttons that act on the list share its enabled state.
const int kListButtons[] = {IDC_IMAGES_ONLY, IDC_SELECT_ALL, IDC_SELECT_NONE};

void InsertColumn(HWND list, int index, int width)
{
    wchar_t emptyHeader[] = L"";
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = emptyHeader;
    column.iSubItem = index;
    ::SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

} // namespace

AssociationColumnWidths ColumnWidthsFor(int listWidth, int dpi)
{
    return {listWidth / 3, (2 * listWidth) / 3 - ::MulDiv(kScrollBarAllowanceAt96Dpi, dpi, kBaseDpi)};
}

namespace {

AssociationColumnWidths ColumnWidthsOf(HWND list, int dpi)
{
    RECT bounds{};
    ::GetWindowRect(list, &bounds);
    return ColumnWidthsFor(bounds.right - bounds.left, dpi);
}

} // namespace

void FitAssociationColumns(HWND list, int dpi)
{
    const AssociationColumnWidths widths = ColumnWidthsOf(list, dpi);
    ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(widths.label, 0));
    ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(widths.description, 0));
}

void SetListEnabled(HWND list, bool enable, COLORREF background, COLORREF text)
{
    if (list == nullptr) {
        return;
    }
    const BOOL enabled = enable ? TRUE : FALSE;
    ::EnableWindow(list, enabled);
    ::SendMessageW(list, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(background));
    ::SendMessageW(list, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
    HWND page = ::GetParent(list);
    for (int button : kListButtons) {
        ::EnableWindow(::GetDlgItem(page, button), enabled);
    }
    // The colours change nothing on screen until the list paints again.
    ::InvalidateRect(list, nullptr, TRUE);
}

void InsertCatalogueRow(HWND list, const wchar_t* label, const wchar_t* description, int index)
{
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.iSubItem = 0;
    item.pszText = const_cast<wchar_t*>(label);
    item.cchTextMax = static_cast<int>(std::wcslen(label)) + 1;
    ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));

    LVITEMW sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<wchar_t*>(description);
    ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&sub));
}

int ListItemCount(HWND list)
{
    return static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

void SetRowTicked(HWND list, int index, bool ticked)
{
    LVITEMW item{};
    item.stateMask = kStateImageMask;
    item.state = INDEXTOSTATEIMAGEMASK(ticked ? kTickedImage : kUntickedImage);
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

UINT RowStateImage(HWND list, int index)
{
    const auto state = static_cast<UINT>(
        ::SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(index), kStateImageMask));
    return (state & kStateImageMask) >> kStateImageShift;
}

void CWizPropertyPage::ActivateAssociationsPage()
{
    ::ShowWindow(GetDlgItem(IDC_ASSOC_ALL_USERS), SW_HIDE);
    if (m_pSheet->AssocList() == nullptr) {
        SetUpAssociationList();
    }
    if (!IsChecked(IDC_REGISTRY_BOX)) {
        SetListEnabled(m_pSheet->AssocList(), false, kListDisabledBack, kListDisabledText);
    }
}

void CWizPropertyPage::SetUpAssociationList()
{
    HWND list = GetDlgItem(IDC_ASSOC_LIST);
    m_pSheet->SetAssocList(list);

    // The box starts unticked on every Windows version; on Windows 11 the registry route is
    // closed, so it cannot be ticked at all.
    if (OsVersionAtLeast(6, 0, 0)) {
        SetCheck(IDC_REGISTRY_BOX, false);
    }
    if (WindowsVersionClass() == kWindows11Class) {
        ::EnableWindow(GetDlgItem(IDC_REGISTRY_BOX), FALSE);
    }

    // The enabled look uses the colours the platform gave the list, taken before any change.
    if (m_crListText == kColoursNotCaptured) {
        m_crListBack = static_cast<COLORREF>(::SendMessageW(list, LVM_GETBKCOLOR, 0, 0));
        m_crListText = static_cast<COLORREF>(::SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0));
    }

    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kAssociationListStyle);

    // The list is made at the DPI the wizard is drawn for (the screen's, until it moves).
    const AssociationColumnWidths widths = ColumnWidthsOf(list, m_pSheet->Dpi());
    InsertColumn(list, 0, widths.label);
    InsertColumn(list, 1, widths.description);

    // The list is never sorted: a row's index stays its catalogue row, the index of its flag.
    int index = 0;
    for (const FileTypeRow& row : FileTypeCatalogue()) {
        InsertCatalogueRow(list, row.label, row.description, index);
        ++index;
    }
}

void CWizPropertyPage::OnRegistryBoxClicked()
{
    if (IsChecked(IDC_REGISTRY_BOX)) {
        SetListEnabled(m_pSheet->AssocList(), true, m_crListBack, m_crListText);
    } else {
        SetListEnabled(m_pSheet->AssocList(), false, kListDisabledBack, kListDisabledText);
    }
}

void CWizPropertyPage::OnImagesOnly()
{
    HWND list = m_pSheet->AssocList();
    for (int i = 0; i < static_cast<int>(kImageFileTypeRows); ++i) {
        SetRowTicked(list, i, true);
    }
    for (int i = static_cast<int>(kImageFileTypeRows); i < ListItemCount(list); ++i) {
        SetRowTicked(list, i, false);
    }
}

void CWizPropertyPage::OnSelectAll()
{
    HWND list = m_pSheet->AssocList();
    for (int i = 0; i < ListItemCount(list); ++i) {
        SetRowTicked(list, i, true);
    }
}

void CWizPropertyPage::OnSelectNone()
{
    HWND list = m_pSheet->AssocList();
    for (int i = 0; i < ListItemCount(list); ++i) {
        SetRowTicked(list, i, false);
    }
}

} // namespace ph
