// The welcome page: version texts, shortcut choices, the installation folder with its browser,
// the running-viewer warning and the folder check on Next.
#include "wizard/welcome_page.h"

#include "base/handles.h"
#include "base/product.h"
#include "base/resources.h"
#include "engine/existing_install.h"
#include "platform/probes.h"
#include "platform/viewer_warning.h"
#include "res/version.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"

#include <shlobj.h>

#include <cwchar>

namespace ph {

namespace {

// The product folder a chosen folder receives, and the same folder as the last one of a path.
constexpr auto kAddedProductFolder = JoinTexts(kProductFolderName, L"\\");
constexpr auto kLastProductFolder = JoinTexts(L"\\", kProductFolderName, L"\\");

// "4.70": the version as the welcome text names it.
constexpr std::size_t kWelcomeVersionChars = 16;

const int kShortcutBoxes[] = {IDC_DESKTOP_SHORTCUT, IDC_THUMBNAILS_SHORTCUT, IDC_START_MENU_GROUP};
const int kUserRadioPair[] = {IDC_CURRENT_USER, IDC_ALL_USERS};

} // namespace

bool FormatTemplateText(const wchar_t* format, const wchar_t* const* args, std::size_t argCount, wchar_t* out,
                        std::size_t outChars)
{
    if (outChars == 0) {
        return false;
    }
    std::size_t used = 0;
    std::size_t nextArg = 0;
    bool whole = true;
    auto put = [&](wchar_t c) {
        if (used + 1 < outChars) {
            out[used++] = c;
        } else {
            whole = false;
        }
    };
    for (const wchar_t* p = format; *p != L'\0'; ++p) {
        if (p[0] == L'%' && p[1] == L's') {
            const wchar_t* arg = nextArg < argCount ? args[nextArg] : L"";
            ++nextArg;
            for (; *arg != L'\0'; ++arg) {
                put(*arg);
            }
            ++p;
        } else if (p[0] == L'%' && p[1] == L'%') {
            put(L'%');
            ++p;
        } else {
            put(*p);
        }
    }
    out[used] = L'\0';
    return whole;
}

void BrowseStartFolder(const wchar_t* currentPath, wchar_t (&startFolder)[kPathChars])
{
    CopyTextCut(startFolder, currentPath);
    std::size_t len = std::wcslen(startFolder);
    if (len > 3 && startFolder[len - 1] == L'\\') {
        startFolder[len - 1] = L'\0';
    }
}

bool CompleteChosenFolder(wchar_t* path, std::size_t pathChars)
{
    wchar_t result[kPathChars];
    if (!CopyTextWhole(result, path)) {
        return false;
    }
    if (!EndsWithBackslash(result) && !AppendTextWhole(result, L"\\")) {
        return false;
    }
    // The backslash that starts the last folder name: searched from the second-to-last character.
    const int len = static_cast<int>(std::wcslen(result));
    int lastFolder = len - 2;
    while (lastFolder >= 0 && result[lastFolder] != L'\\') {
        --lastFolder;
    }
    const bool isProductFolder = lastFolder > 0
        && ::CompareStringOrdinal(result + lastFolder, -1, kLastProductFolder.text, -1, TRUE) == CSTR_EQUAL;
    const bool isDriveRoot = len == 3;
    if ((lastFolder > 0 && !isProductFolder) || isDriveRoot) {
        if (!AppendTextWhole(result, kAddedProductFolder.text)) {
            return false;
        }
    }
    return CopyTextWhole(path, pathChars, result);
}

bool IsUsableInstallFolder(const wchar_t* folderText)
{
    const std::size_t len = std::wcslen(folderText);
    if (len < 2 || folderText[1] != L':') {
        return false;
    }
    // The parts the splitter makes of the rest: directory up to the last separator, then the
    // name up to its last dot, then the extension.
    const wchar_t* rest = folderText + 2;
    const wchar_t* afterDirectory = rest;
    for (const wchar_t* p = rest; *p != L'\0'; ++p) {
        if (*p == L'\\' || *p == L'/') {
            afterDirectory = p + 1;
        }
    }
    const wchar_t* extension = std::wcsrchr(afterDirectory, L'.');
    const wchar_t* end = folderText + len;
    if (extension == nullptr) {
        extension = end;
    }
    const std::size_t directoryChars = static_cast<std::size_t>(afterDirectory - rest);
    const std::size_t nameChars = static_cast<std::size_t>(extension - afterDirectory);
    const std::size_t extensionChars = static_cast<std::size_t>(end - extension);
    return directoryChars < kSplitPathPartLimit && nameChars < kSplitPathPartLimit
        && extensionChars < kSplitPathPartLimit;
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data)
{
    if (message == BFFM_INITIALIZED) {
        wchar_t startFolder[kPathChars];
        BrowseStartFolder(reinterpret_cast<const wchar_t*>(data), startFolder);
        ::SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(startFolder));
    }
    return 0;
}

int BrowseForInstallFolder(HWND owner, wchar_t (&path)[kPathChars])
{
    // The folder browser works with the shell's objects, which need COM on this thread.
    ComApartment apartment;
    wchar_t title[kBrowseTitleChars];
    LoadResourceText(IDS_INSTALL_FOLDER, title);
    wchar_t displayName[kPathChars] = {};

    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(path);
    // The item list the browser returns comes from the shell's allocator.
    UniqueCoTaskMem<ITEMIDLIST> chosen(::SHBrowseForFolderW(&info));
    if (!chosen) {
        return 0;
    }
    wchar_t folder[kPathChars] = {};
    if (::SHGetPathFromIDListW(chosen.get(), folder) == FALSE || folder[0] == L'\0') {
        return 0;
    }
    if (!EndsWithBackslash(folder) && !AppendTextWhole(folder, L"\\")) {
        return 0;
    }
    CopyTextCut(path, folder);
    return 1;
}

void CWizPropertyPage::ActivateWelcomePage()
{
    EnableSheetButton(kBackButtonId, false);
    ::SendMessageW(m_pSheet->GetSafeHwnd(), WM_SETICON, ICON_BIG,
                   reinterpret_cast<LPARAM>(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_SETUP))));
    if (m_bFirstActivate != 0) {
        FillWelcomePage();
    }
    WarnIfViewerRunning(false, m_hWnd, m_pSheet->Caption());
    m_bFirstActivate = 0;
}

void CWizPropertyPage::FillWelcomePage()
{
    GiveTitleFont(IDC_WELCOME_TITLE);

    wchar_t version[kWelcomeVersionChars];
    std::swprintf(version, kWelcomeVersionChars, L"%d.%d", PH_VERSION_MAJOR, PH_VERSION_MINOR);
    struct TemplateText {
        int controlId;
        const wchar_t* args[2];
        std::size_t argCount;
    };
    const TemplateText texts[] = {
        {IDC_WELCOME_TITLE, {kBitnessText, nullptr}, 1},
        {IDC_WELCOME_TEXT, {version, kBitnessText}, 2},
    };
    for (const TemplateText& text : texts) {
        wchar_t format[kPageTextChars];
        wchar_t result[kPageTextChars];
        ::GetDlgItemTextW(m_hWnd, text.controlId, format, static_cast<int>(kPageTextChars));
        FormatTemplateText(format, text.args, text.argCount, result, kPageTextChars);
        ::SetDlgItemTextW(m_hWnd, text.controlId, result);
    }

    for (int box : kShortcutBoxes) {
        SetCheck(box, true);
    }
    SetCheck(IDC_CURRENT_USER, true);

    if (::GetWindowTextLengthW(GetDlgItem(IDC_FOLDER)) == 0) {
        ::SetDlgItemTextW(m_hWnd, IDC_FOLDER, DefaultInstallChoice().folder);
    }
}

bool CWizPropertyPage::CheckInstallFolder()
{
    wchar_t folder[kPathChars] = {};
    ::GetDlgItemTextW(m_hWnd, IDC_FOLDER, folder, static_cast<int>(kPathChars));
    if (IsUsableInstallFolder(folder)) {
        return true;
    }
    wchar_t message[kPathChars];
    LoadResourceText(IDS_INVALID_DEST, message);
    Seams().messageBox(m_hWnd, message, m_pSheet->Caption(), MB_OK | MB_ICONERROR);
    return false;
}

void CWizPropertyPage::OnShortcutBoxClicked()
{
    bool anyTicked = false;
    for (int box : kShortcutBoxes) {
        anyTicked = anyTicked || IsChecked(box);
    }
    for (int radio : kUserRadioPair) {
        ::EnableWindow(GetDlgItem(radio), anyTicked ? TRUE : FALSE);
    }
}

void CWizPropertyPage::OnUncheckAll()
{
    for (int box : kShortcutBoxes) {
        SetCheck(box, false);
    }
    for (int radio : kUserRadioPair) {
        ::EnableWindow(GetDlgItem(radio), FALSE);
    }
}

void CWizPropertyPage::OnBrowseFolder()
{
    wchar_t path[kPathChars] = {};
    ::GetDlgItemTextW(m_hWnd, IDC_FOLDER, path, static_cast<int>(kPathChars));
    if (BrowseForInstallFolder(::GetActiveWindow(), path) == 0) {
        return;
    }
    // A folder too long to take "Photavian\" keeps the field as it was.
    if (!CompleteChosenFolder(path, kPathChars)) {
        return;
    }
    ::SetDlgItemTextW(m_hWnd, IDC_FOLDER, path);
}

} // namespace ph
