// The associations page's list of file types: its two looks, its columns and rows, and the
// ticks the buttons set.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace ph {

// The disabled look of the list: silver background, orange text.
inline constexpr COLORREF kListDisabledBack = RGB(192, 192, 192);
inline constexpr COLORREF kListDisabledText = RGB(255, 128, 0);
// A check box in front of each row, whole-row selection; every other extended style off.
inline constexpr DWORD kAssociationListStyle = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
// Room the second column leaves for the list's vertical scroll bar, in pixels at 96 DPI.
inline constexpr int kScrollBarAllowanceAt96Dpi = 25;

// The list's state images: 1 unticked, 2 ticked.
inline constexpr UINT kUntickedImage = 1;
inline constexpr UINT kTickedImage = 2;

struct AssociationColumnWidths {
    int label;       // column 0: a third of the list's width
    int description; // column 1: two thirds, less the scroll bar's allowance at dpi
};
AssociationColumnWidths ColumnWidthsFor(int listWidth, int dpi);

// Sets the two columns of the list to ColumnWidthsFor its window width (border included) at dpi.
void FitAssociationColumns(HWND list, int dpi);

// Switches the list and its three buttons (Images only, Select all, None; siblings of the list
// on its page) between the looks: enabled or disabled, with the given colours. Tick states are
// left alone. A null list does nothing.
void SetListEnabled(HWND list, bool enable, COLORREF background, COLORREF text);

// Inserts one row at index: label in column 0, description in column 1.
void InsertCatalogueRow(HWND list, const wchar_t* label, const wchar_t* description, int index);

// The number of rows of the list (LVM_GETITEMCOUNT).
int ListItemCount(HWND list);

// Sets the tick of row index (state image 2 ticked, 1 unticked).
void SetRowTicked(HWND list, int index, bool ticked);

// The state image of row index (state bits 12 to 15): 1 unticked, 2 ticked.
UINT RowStateImage(HWND list, int index);

} // namespace ph
