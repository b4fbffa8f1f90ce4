// Start-up: DLL search path, common controls, and the choice between wizard and silent mode.
#include "app/the_app.h"

#include "app/exit_codes.h"
#include "app/silent_switches.h"
#include "base/product.h"
#include "base/resources.h"
#include "engine/existing_install.h"
#include "engine/install_run.h"
#include "platform/probes.h"
#include "platform/report.h"
#include "platform/setup_lock.h"
#include "platform/start_directory.h"
#include "platform/trace.h"
#include "platform/viewer_warning.h"
#include "res/resource.h"
#include "wizard/wizard_pages.h"

#include <commctrl.h>

#include <cstddef>
#include <cwchar>

namespace ph {

BOOL TheApp::InitInstance()
{
    // First, before anything is written: no link or junction a non-administrator made is followed
    // from here on, where the system can promise that.
    m_redirectionTrust = EnforceRedirectionTrust();
    HardenDllSearchPath();
    // Before anything can change the current directory: the log and relative destinations are
    // tied to the directory the installer was started from.
    PinStartDirectory();
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls); // 8
    controls.dwICC = ICC_WIN95_CLASSES; // 0xFF: list view, tree view, bar, tab, up-down, progress, hot-key, animate
    ::InitCommonControlsEx(&controls);

    const wchar_t* commandLine = ::GetCommandLineW();
    const bool silent = HasSilentSwitch(commandLine);
    if (!silent && HasHelpSwitch(commandLine)) {
        ShowMessage(IDS_USAGE, MB_OK | MB_ICONINFORMATION);
        m_nExitCode = kExitInstalled;
        return FALSE;
    }

    // One setup at a time, held until the process ends: before anything of an installation is
    // touched.
    SetupLock lock;
    if (!lock.Owned()) {
        ReportLockRefusal(lock, silent);
        m_nExitCode = ExitCodeForLock(lock.State());
        return FALSE;
    }
    m_nExitCode = silent ? RunSilent(commandLine) : RunWizard();
    return FALSE;
}

int TheApp::RunWizard()
{
    // The title font follows the screen's DPI (kBaseDpi without a screen context).
    m_sheet.CreateTitleFont(ScreenDpiX(nullptr));
    m_sheet.SetAssocList(nullptr);
    CWizardPages pages(m_sheet);
    m_sheet.DoModal();
    // A run that installed leaves its folder on the sheet, whichever way the wizard was left.
    return m_sheet.Installed() != nullptr ? kExitInstalled : kExitUserExit;
}

int TheApp::RunSilent(const wchar_t* commandLine)
{
    const ULONGLONG started = ::GetTickCount64();
    wchar_t logPath[kWorkPathChars] = {};
    if (FindLogSwitch(commandLine, StartDirectory(), logPath) && OpenTrace(logPath)) {
        Trace(L"%ls %ls, silent run", kSetupTitle, kVersionText);
        Trace(L"command line: %ls", commandLine);
        Trace(L"start folder: %ls", StartDirectory());
        TraceRedirectionTrust();
    }
    const int exitCode = RunSilentInstallation(commandLine);
    if (Tracing()) {
        Trace(L"result: %ls, exit code %d; %u files, %u registry values, %u shortcuts; %.3f s",
              exitCode == kExitInstalled ? L"installed" : L"not installed", exitCode, TracedCount(TraceCounter::Files),
              TracedCount(TraceCounter::Values), TracedCount(TraceCounter::Shortcuts),
              static_cast<double>(::GetTickCount64() - started) / 1000.0);
        CloseTrace();
    }
    return exitCode;
}

int TheApp::RunSilentInstallation(const wchar_t* commandLine)
{
    if (WarnIfViewerRunning(true, nullptr, nullptr)) {
        Trace(L"refused: a %ls window is open", kViewerWindowClass);
        return kExitViewerRunning;
    }

    InstallOptions options;
    options.silent = 1;
    LoadResourceText(IDS_CAPTION, options.caption);
    const DefaultInstall defaults = DefaultInstallChoice();
    CopyTextCut(options.destinationFolder, defaults.folder);
    CopyTextCut(options.iniFolder, defaults.iniFolder);
    Trace(L"default folder: %ls (%ls)", options.destinationFolder,
          defaults.existing ? L"the registered installation" : L"no registered installation");
    ApplySilentSwitches(commandLine, options);
    TraceOptions(options);

    RunReport report;
    RunInstallation(options, &report);
    return ExitCodeFor(report.failure);
}

void TheApp::TraceRedirectionTrust() const
{
    switch (m_redirectionTrust.state) {
    case RedirectionTrust::On:
        Trace(L"redirection trust: on (links and junctions made by non-administrators are not followed)");
        break;
    case RedirectionTrust::Refused:
        TraceError(m_redirectionTrust.error, L"redirection trust: off, the system refused it");
        break;
    case RedirectionTrust::NotOffered:
        Trace(L"redirection trust: off, not offered by this system");
        break;
    }
}

void TheApp::TraceOptions(const InstallOptions& options)
{
    if (!Tracing()) {
        return;
    }
    std::size_t flags = 0;
    for (int flag : options.associationFlags) {
        flags += flag != 0 ? 1 : 0;
    }
    Trace(L"options: destinationFolder \"%ls\", startMenuGroup %d, desktopShortcut %d, thumbnailsShortcut %d, "
          L"allUsers %d, iniFolder \"%ls\", associationFlags %zu of %zu set, associate %d, silent %d, caption \"%ls\"",
          options.destinationFolder, options.startMenuGroup, options.desktopShortcut, options.thumbnailsShortcut,
          options.allUsers, options.iniFolder, flags, kAssociationFlagCount, options.associate, options.silent,
          options.caption);
}

void TheApp::ReportLockRefusal(const SetupLock& lock, bool silent) const
{
    const bool held = lock.State() == SetupLockState::Held;
    ResourceText text = LoadResourceText(held ? IDS_SETUP_RUNNING : IDS_SETUP_LOCK_FAILED);
    if (!held) {
        // The text names the system's error (the format's one number).
        const ResourceText format = text;
        std::swprintf(text.text, kResourceTextChars, format.text, static_cast<unsigned long>(lock.Error()));
    }
    ReportProblem(silent, nullptr, LoadResourceText(IDS_CAPTION).text, held ? MB_ICONEXCLAMATION : MB_ICONERROR,
                  text.text);
}

void TheApp::ShowMessage(UINT id, UINT type) const
{
    Seams().messageBox(nullptr, LoadResourceText(id).text, LoadResourceText(IDS_CAPTION).text, type);
}

} // namespace ph
