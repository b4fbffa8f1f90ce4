// The associations page in a real sheet: the list of file types on first arrival, its two looks
// switched by the registry box, the bulk tick buttons, Windows 11, and ticks kept across pages.
#include "wizard_harness.h"

#include "shell/file_types.h"
#include "support/test_support.h"
#include "wizard/associations_page.h"

#include <commctrl.h>

namespace ph::test {
namespace {

constexpr int kListButtons[] = {IDC_IMAGES_ONLY, IDC_SELECT_ALL, IDC_SELECT_NONE};

int g_pinnedVersionClass = 7;
int PinnedVersionClass()
{
    return g_pinnedVersionClass;
}

class AssociationsPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        UnregisterViewer();
        g_pinnedVersionClass = 7;
    }

    // Opens the wizard on Windows of the given class and walks to the associations page.
    void Arrive(int versionClass = 7)
    {
        g_pinnedVersionClass = versionClass;
        ASSERT_NE(m_wizard.Open(), nullptr);
        m_wizard.Click(kNextButtonId);
        m_wizard.Click(kNextButtonId);
        ASSERT_EQ(m_wizard.CurrentIndex(), kAssociationsPosition);
    }

    HWND List() { return m_wizard.Item(kAssociationsPosition, IDC_ASSOC_LIST); }
    int RowCount() { return static_cast<int>(::SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
    std::wstring RowText(int row, int column)
    {
        wchar_t text[128] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 128;
        ::SendMessageW(List(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return text;
    }
    COLORREF Background() { return static_cast<COLORREF>(::SendMessageW(List(), LVM_GETBKCOLOR, 0, 0)); }
    COLORREF TextColour() { return static_cast<COLORREF>(::SendMessageW(List(), LVM_GETTEXTCOLOR, 0, 0)); }
    // The rows whose check box shows a tick.
    std::vector<int> TickedRows()
    {
        std::vector<int> rows;
        for (int i = 0; i < RowCount(); ++i) {
            if (RowStateImage(List(), i) == kTickedImage) {
                rows.push_back(i);
            }
        }
        return rows;
    }
    void ClickOnPage(int id) { m_wizard.ClickItem(kAssociationsPosition, id); }

    // The disabled look: list and its buttons off, silver background, orange text.
    void ExpectDisabledLook()
    {
        EXPECT_FALSE(::IsWindowEnabled(List()));
        EXPECT_EQ(Background(), 0xC0C0C0u);
        EXPECT_EQ(TextColour(), 0x0080FFu);
        for (int button : kListButtons) {
            EXPECT_FALSE(m_wizard.IsItemEnabled(kAssociationsPosition, button)) << button;
        }
    }

    ScopedOverride<decltype(PlatformSeams::windowsVersionClass)> m_versionClass{Seams().windowsVersionClass,
                                                                                PinnedVersionClass};
    PinnedMessageBoxes m_boxes{IDOK};
    WizardUnderTest m_wizard;
};

TEST_F(AssociationsPage, FirstArrivalShowsTheCatalogueUntickedInTheDisabledLook)
{
    EXPECT_EQ(m_wizard.Sheet().AssocList(), nullptr) << "nothing before the page is shown";
    Arrive();

    EXPECT_EQ(m_wizard.Sheet().AssocList(), List());
    EXPECT_FALSE(m_wizard.IsChecked(kAssociationsPosition, IDC_REGISTRY_BOX));
    EXPECT_TRUE(m_wizard.IsItemEnabled(kAssociationsPosition, IDC_REGISTRY_BOX));
    EXPECT_FALSE(::IsWindowVisible(m_wizard.Item(kAssociationsPosition, IDC_ASSOC_ALL_USERS)));
    ExpectDisabledLook();

    EXPECT_EQ(::SendMessageW(List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x24);
    ASSERT_EQ(RowCount(), 63);
    const auto catalogue = FileTypeCatalogue();
    for (int i = 0; i < RowCount(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(RowText(i, 0), catalogue[static_cast<std::size_t>(i)].label);
        EXPECT_EQ(RowText(i, 1), catalogue[static_cast<std::size_t>(i)].description);
        EXPECT_EQ(RowStateImage(List(), i), kUntickedImage);
    }
    EXPECT_EQ(RowText(0, 0), L"ANI");
    EXPECT_EQ(RowText(48, 0), L"XPM");
    EXPECT_EQ(RowText(49, 0), L"SWF/FLV");
    EXPECT_EQ(RowText(62, 0), L"WMA");
    EXPECT_EQ(::SendMessageW(List(), LVM_GETSELECTEDCOUNT, 0, 0), 0) << "no row is selected";
}

TEST_F(AssociationsPage, ColumnsShareTheWidthLessTheScrollBar)
{
    Arrive();
    RECT bounds{};
    ::GetWindowRect(List(), &bounds);
    const int width = bounds.right - bounds.left;
    const int first = static_cast<int>(::SendMessageW(List(), LVM_GETCOLUMNWIDTH, 0, 0));
    const int second = static_cast<int>(::SendMessageW(List(), LVM_GETCOLUMNWIDTH, 1, 0));
    // The wizard under test is drawn at 96 DPI: 25 pixels for the scroll bar.
    ASSERT_EQ(m_wizard.Sheet().Dpi(), 96);
    EXPECT_EQ(first, width / 3);
    EXPECT_EQ(second, (2 * width) / 3 - 25);
    EXPECT_GE(first + second, width - 25 - 1);
    EXPECT_LE(first + second, width - 25);
}

TEST(AssociationColumns, WidthsFollowTheDpi)
{
    AssociationColumnWidths at96 = ColumnWidthsFor(430, 96);
    EXPECT_EQ(at96.label, 143);
    EXPECT_EQ(at96.description, 286 - 25);
    AssociationColumnWidths at144 = ColumnWidthsFor(430, 144);
    EXPECT_EQ(at144.description, 286 - 38); // MulDiv rounds 37.5 up
}

TEST_F(AssociationsPage, RegistryBoxSwitchesBetweenThePlatformColoursAndTheDisabledLook)
{
    Arrive();
    const CWizPropertyPage& page = m_wizard.Page(kAssociationsPosition);
    EXPECT_NE(page.m_crListText, CWizPropertyPage::kColoursNotCaptured);
    // What the platform gives a new list (Wine: the window colour and CLR_DEFAULT text).
    HWND fresh = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 10, 10,
                                   m_wizard.Page(kAssociationsPosition).GetSafeHwnd(), nullptr, nullptr, nullptr);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(page.m_crListBack, static_cast<COLORREF>(::SendMessageW(fresh, LVM_GETBKCOLOR, 0, 0)));
    EXPECT_EQ(page.m_crListText, static_cast<COLORREF>(::SendMessageW(fresh, LVM_GETTEXTCOLOR, 0, 0)));
    ::DestroyWindow(fresh);

    ClickOnPage(IDC_REGISTRY_BOX);
    ASSERT_TRUE(m_wizard.IsChecked(kAssociationsPosition, IDC_REGISTRY_BOX));
    EXPECT_TRUE(::IsWindowEnabled(List()));
    EXPECT_EQ(Background(), page.m_crListBack);
    EXPECT_EQ(TextColour(), page.m_crListText);
    for (int button : kListButtons) {
        EXPECT_TRUE(m_wizard.IsItemEnabled(kAssociationsPosition, button)) << button;
    }

    ClickOnPage(IDC_IMAGES_ONLY);
    ClickOnPage(IDC_REGISTRY_BOX);
    ASSERT_FALSE(m_wizard.IsChecked(kAssociationsPosition, IDC_REGISTRY_BOX));
    ExpectDisabledLook();
    EXPECT_EQ(TickedRows().size(), kImageFileTypeRows) << "unticking the box changes no tick";
}

TEST_F(AssociationsPage, BulkButtonsTickImagesAllOrNothing)
{
    Arrive();
    ClickOnPage(IDC_REGISTRY_BOX);

    // Start from a mixed state: a media row ticked, an image row unticked.
    ClickOnPage(IDC_SELECT_ALL);
    EXPECT_EQ(TickedRows().size(), 63u);
    SetRowTicked(List(), 3, false);

    ClickOnPage(IDC_IMAGES_ONLY);
    std::vector<int> expected;
    for (int i = 0; i < 49; ++i) {
        expected.push_back(i);
    }
    EXPECT_EQ(TickedRows(), expected) << "rows 0 to 48 exactly";

    ClickOnPage(IDC_SELECT_ALL);
    ClickOnPage(IDC_SELECT_NONE);
    EXPECT_TRUE(TickedRows().empty());
    for (int i = 0; i < RowCount(); ++i) {
        EXPECT_EQ(RowStateImage(List(), i), kUntickedImage) << i;
    }
}

TEST_F(AssociationsPage, OnWindows11TheRegistryBoxCannotBeTicked)
{
    Arrive(11);
    EXPECT_FALSE(m_wizard.IsItemEnabled(kAssociationsPosition, IDC_REGISTRY_BOX));
    EXPECT_FALSE(m_wizard.IsChecked(kAssociationsPosition, IDC_REGISTRY_BOX));
    ExpectDisabledLook();
}

TEST_F(AssociationsPage, OnWindows10TheRegistryBoxStaysUsable)
{
    Arrive(10);
    EXPECT_TRUE(m_wizard.IsItemEnabled(kAssociationsPosition, IDC_REGISTRY_BOX));
    ClickOnPage(IDC_REGISTRY_BOX);
    EXPECT_TRUE(::IsWindowEnabled(List()));
}

TEST_F(AssociationsPage, LeavingAndComingBackKeepsEveryTickAndTheBox)
{
    Arrive();
    ClickOnPage(IDC_REGISTRY_BOX);
    ClickOnPage(IDC_IMAGES_ONLY);
    SetRowTicked(List(), 60, true);
    const std::vector<int> before = TickedRows();

    m_wizard.Click(kNextButtonId);
    ASSERT_EQ(m_wizard.CurrentIndex(), kReadyPosition);
    m_wizard.Click(kBackButtonId);
    ASSERT_EQ(m_wizard.CurrentIndex(), kAssociationsPosition);
    EXPECT_EQ(RowCount(), 63) << "the list is not filled again";
    EXPECT_EQ(TickedRows(), before);
    EXPECT_TRUE(m_wizard.IsChecked(kAssociationsPosition, IDC_REGISTRY_BOX));
    EXPECT_TRUE(::IsWindowEnabled(List()));

    // With the box unticked, the list is greyed again on the next arrival, ticks still kept.
    ClickOnPage(IDC_REGISTRY_BOX);
    m_wizard.Click(kBackButtonId);
    m_wizard.Click(kNextButtonId);
    ASSERT_EQ(m_wizard.CurrentIndex(), kAssociationsPosition);
    ExpectDisabledLook();
    EXPECT_EQ(TickedRows(), before);
}

} // namespace
} // namespace ph::test
