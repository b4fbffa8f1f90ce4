// The setup application: chooses the wizard or a silent installation at start-up.
#pragma once

#include "engine/install_options.h"
#include "framework/win_app.h"
#include "platform/probes.h"
#include "platform/setup_lock.h"
#include "wizard/wiz_property_sheet.h"

namespace ph {

class TheApp : public CWinApp {
public:
    // Prepares the process and runs one mode, or shows the usage for "/?" or "/help"; always
    // returns FALSE. The exit code tells what happened (app/exit_codes.h).
    BOOL InitInstance() override;

private:
    // The silent run with its verbose log when "/log=" asks for one; returns the exit code.
    int RunSilent(const wchar_t* commandLine);
    int RunSilentInstallation(const wchar_t* commandLine);
    static void TraceOptions(const InstallOptions& options);
    // Whether the redirection trust of start-up is on, for the verbose log (which opens later).
    void TraceRedirectionTrust() const;
    // Shows the five-page wizard modally; returns the exit code when it closes: 0 when it
    // installed, 1602 when it was left without installing.
    int RunWizard();

    // Tells why the one-setup lock stops this run: another setup holds it, or none could be made
    // (with the system's error): a log entry when silent, otherwise a message box.
    void ReportLockRefusal(const SetupLock& lock, bool silent) const;
    // A message box with string id, titled "Photavian 64-bit Setup".
    void ShowMessage(UINT id, UINT type) const;

    // What start-up made of the redirection trust policy.
    RedirectionTrustResult m_redirectionTrust;
    // The wizard's one sheet, for the life of the program.
    CWizPropertySheet m_sheet;
};

} // namespace ph
