// The one-setup lock: the place a run takes it in for its rights and the system, what that comes
// to (go on, 1618, 1603), the administrators' private namespace over scripted system functions, and
// the places this system really offers (Wine: every process an administrator, no private
// namespaces).
#include "platform/setup_lock.h"
#include "app/exit_codes.h"
#include "base/scoped_override.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using ph::LockAttempt;
using ph::SetupLockState;
using ph::test::FileExists;
using ph::test::FolderExists;

// ---- which place, and what it comes to ---------------------------------------------------------

struct PlaceAnswers {
    bool administrator;
    LockAttempt privateNamespace;
    LockAttempt lockFile;
    LockAttempt sessionMutex;
};
PlaceAnswers g_answers{};
std::string g_tried;

bool AnsweredAdministrator()
{
    return g_answers.administrator;
}
LockAttempt AnsweredNamespace(ph::SetupLockHold&)
{
    g_tried += "namespace ";
    return g_answers.privateNamespace;
}
LockAttempt AnsweredLockFile(ph::SetupLockHold&)
{
    g_tried += "file ";
    return g_answers.lockFile;
}
LockAttempt AnsweredSessionMutex(ph::SetupLockHold&)
{
    g_tried += "session ";
    return g_answers.sessionMutex;
}

TEST(SetupLock, ThePlaceFollowsTheRightsAndTheSystemAndNeverFallsBackToAWeakerOne)
{
    constexpr auto Taken = LockAttempt::Taken;
    constexpr auto Held = LockAttempt::Held;
    constexpr auto Failed = LockAttempt::Failed;
    constexpr auto None = LockAttempt::NoSuchPlace;
    struct Case {
        PlaceAnswers answers;
        const char* tried;
        SetupLockState state;
        int exitCode;
    };
    const Case cases[] = {
        // An administrator: the private namespace where the system has one, whatever the others.
        {{true, Taken, Held, Held}, "namespace ", SetupLockState::Owned, 0},
        {{true, Held, Taken, Taken}, "namespace ", SetupLockState::Held, 1618},
        // A namespace that cannot be made is no lock at all, not a reason to take the file that
        // the other runs do not look at.
        {{true, Failed, Taken, Taken}, "namespace ", SetupLockState::Unavailable, 1603},
        // No private namespaces on this system: the lock file.
        {{true, None, Taken, Held}, "namespace file ", SetupLockState::Owned, 0},
        {{true, None, Held, Taken}, "namespace file ", SetupLockState::Held, 1618},
        {{true, None, Failed, Taken}, "namespace file ", SetupLockState::Unavailable, 1603},
        {{true, None, None, Taken}, "namespace file ", SetupLockState::Unavailable, 1603},
        // No administrator: the session's mutex alone.
        {{false, Held, Held, Taken}, "session ", SetupLockState::Owned, 0},
        {{false, Taken, Taken, Held}, "session ", SetupLockState::Held, 1618},
        {{false, Taken, Taken, Failed}, "session ", SetupLockState::Unavailable, 1603},
    };
    ph::ScopedOverride<ph::SetupLockPlaces> pin(ph::LockPlaces(),
                                                {AnsweredAdministrator, AnsweredNamespace, AnsweredLockFile,
                                                 AnsweredSessionMutex});
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(row++);
        g_answers = c.answers;
        g_tried.clear();
        ph::SetupLock lock;
        EXPECT_EQ(g_tried, c.tried);
        EXPECT_EQ(lock.State(), c.state);
        EXPECT_EQ(lock.Owned(), c.state == SetupLockState::Owned);
        EXPECT_EQ(ph::ExitCodeForLock(lock.State()), c.exitCode);
    }
}

// ---- the administrators' private namespace ------------------------------------------------------

// What the scripted system functions answer, in call order; an answer of 0 makes the object,
// another is the error of a failed call.
struct NamespaceScript {
    bool boundaryMade = true;
    BOOL sidAdded = TRUE;
    std::vector<DWORD> creates;
    std::vector<DWORD> opens;
};
NamespaceScript g_script;
std::string g_calls;
int g_boundariesDeleted = 0;
std::string g_securityProblem;

const HANDLE kBoundary = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x4B0));
const HANDLE kNamespace = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x5A0));

// Empty when descriptor grants access to the system account and the administrators alone, in a
// protected access list; what is wrong otherwise.
std::string WhyNotAdministratorsOnly(PSECURITY_DESCRIPTOR descriptor)
{
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (descriptor == nullptr || ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) == FALSE
        || present == FALSE || dacl == nullptr) {
        return "no access list";
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (::GetSecurityDescriptorControl(descriptor, &control, &revision) == FALSE
        || (control & SE_DACL_PROTECTED) == 0) {
        return "the access list takes inherited entries";
    }
    ACL_SIZE_INFORMATION size{};
    if (::GetAclInformation(dacl, &size, sizeof(size), AclSizeInformation) == FALSE || size.AceCount != 2) {
        return "not two entries";
    }
    const WELL_KNOWN_SID_TYPE expected[] = {WinLocalSystemSid, WinBuiltinAdministratorsSid};
    for (DWORD i = 0; i < 2; ++i) {
        void* entry = nullptr;
        if (::GetAce(dacl, i, &entry) == FALSE || static_cast<ACE_HEADER*>(entry)->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            return "entry " + std::to_string(i) + " does not allow";
        }
        if (::IsWellKnownSid(&static_cast<ACCESS_ALLOWED_ACE*>(entry)->SidStart, expected[i]) == FALSE) {
            return "entry " + std::to_string(i) + " is for someone else";
        }
    }
    return "";
}

HANDLE WINAPI ScriptedCreateBoundary(LPCWSTR name, ULONG)
{
    g_calls += "boundary ";
    if (std::wstring(name) != ph::kSetupLockNamespace.text) {
        g_calls += "(wrong name) ";
    }
    return g_script.boundaryMade ? kBoundary : nullptr;
}
BOOL WINAPI ScriptedAddSid(HANDLE* boundary, PSID sid)
{
    g_calls += "sid ";
    if (*boundary != kBoundary || ::IsWellKnownSid(sid, WinBuiltinAdministratorsSid) == FALSE) {
        g_calls += "(not the administrators) ";
    }
    if (g_script.sidAdded == FALSE) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return g_script.sidAdded;
}
void WINAPI ScriptedDeleteBoundary(HANDLE boundary)
{
    g_boundariesDeleted += boundary == kBoundary ? 1 : 100;
}
// The next scripted answer: 0 (made) or an error, set as the last error.
HANDLE Answer(std::vector<DWORD>& answers)
{
    DWORD answer = ERROR_GEN_FAILURE;
    if (!answers.empty()) {
        answer = answers.front();
        answers.erase(answers.begin());
    }
    ::SetLastError(answer);
    return answer == 0 ? kNamespace : nullptr;
}
HANDLE WINAPI ScriptedCreateNamespace(LPSECURITY_ATTRIBUTES attributes, LPVOID boundary, LPCWSTR alias)
{
    g_calls += "create ";
    if (boundary != kBoundary || std::wstring(alias) != ph::kSetupLockNamespace.text) {
        g_calls += "(wrong namespace) ";
    }
    g_securityProblem = attributes != nullptr ? WhyNotAdministratorsOnly(attributes->lpSecurityDescriptor)
                                              : "no security attributes";
    return Answer(g_script.creates);
}
HANDLE WINAPI ScriptedOpenNamespace(LPVOID boundary, LPCWSTR alias)
{
    g_calls += "open ";
    if (boundary != kBoundary || std::wstring(alias) != ph::kSetupLockNamespace.text) {
        g_calls += "(wrong namespace) ";
    }
    return Answer(g_script.opens);
}

constexpr ph::PrivateNamespaceFunctions kScripted{ScriptedCreateBoundary, ScriptedAddSid, ScriptedDeleteBoundary,
                                                  ScriptedCreateNamespace, ScriptedOpenNamespace};

TEST(OpenAdministratorsNamespace, CreatedOrOpenedAndNoneWhereTheSystemMakesNoBoundary)
{
    struct Case {
        const char* what;
        ph::PrivateNamespaceFunctions functions;
        NamespaceScript script;
        LockAttempt result;
        const char* calls;
        DWORD error; // of a failure
    };
    ph::PrivateNamespaceFunctions withoutOpen = kScripted;
    withoutOpen.openPrivateNamespace = nullptr;
    const Case cases[] = {
        {"a system before private namespaces", withoutOpen, {}, LockAttempt::NoSuchPlace, "", 0},
        // As under Wine: no descriptor is made; nothing else may be called then.
        {"no boundary descriptor", kScripted, {false, TRUE, {}, {}}, LockAttempt::NoSuchPlace, "boundary ", 0},
        {"created", kScripted, {true, TRUE, {0}, {}}, LockAttempt::Taken, "boundary sid create ", 0},
        {"another run's opened",
         kScripted,
         {true, TRUE, {ERROR_ALREADY_EXISTS}, {0}},
         LockAttempt::Taken,
         "boundary sid create open ",
         0},
        {"closed by the other run in between",
         kScripted,
         {true, TRUE, {ERROR_ALREADY_EXISTS, 0}, {ERROR_FILE_NOT_FOUND}},
         LockAttempt::Taken,
         "boundary sid create open create ",
         0},
        {"not within the boundary",
         kScripted,
         {true, TRUE, {ERROR_ACCESS_DENIED}, {}},
         LockAttempt::Failed,
         "boundary sid create ",
         ERROR_ACCESS_DENIED},
        {"not allowed to open",
         kScripted,
         {true, TRUE, {ERROR_ALREADY_EXISTS}, {ERROR_ACCESS_DENIED}},
         LockAttempt::Failed,
         "boundary sid create open ",
         ERROR_ACCESS_DENIED},
        {"no SID in the boundary",
         kScripted,
         {true, FALSE, {}, {}},
         LockAttempt::Failed,
         "boundary sid ",
         ERROR_NOT_ENOUGH_MEMORY},
        {"always gone again",
         kScripted,
         {true,
          TRUE,
          {ERROR_ALREADY_EXISTS, ERROR_ALREADY_EXISTS, ERROR_ALREADY_EXISTS, 0},
          {ERROR_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_FILE_NOT_FOUND}},
         LockAttempt::Failed,
         "boundary sid create open create open create open ",
         ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_script = c.script;
        g_calls.clear();
        g_boundariesDeleted = 0;
        g_securityProblem.clear();
        HANDLE space = nullptr;
        DWORD error = 0;
        EXPECT_EQ(ph::OpenAdministratorsNamespace(c.functions, &space, &error), c.result);
        EXPECT_EQ(g_calls, c.calls);
        EXPECT_EQ(space, c.result == LockAttempt::Taken ? kNamespace : nullptr);
        if (c.result == LockAttempt::Failed) {
            EXPECT_EQ(error, c.error);
        }
        EXPECT_EQ(g_boundariesDeleted, std::string(c.calls).empty() || !c.script.boundaryMade ? 0 : 1);
        EXPECT_EQ(g_securityProblem, "") << "the namespace is created for the system and the administrators only";
    }
}

TEST(OpenAdministratorsNamespace, TheMutexInItIsTheAdministratorsAlone)
{
    ph::UniqueLocalMemory security(ph::AdministratorsOnlySecurity());
    EXPECT_EQ(WhyNotAdministratorsOnly(security.get()), "");
}

// ---- the places of this system -------------------------------------------------------------------

std::wstring LockFilePath()
{
    wchar_t windows[MAX_PATH] = {};
    ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    std::wstring path = windows;
    if (path.empty() || path.back() != L'\\') {
        path += L'\\';
    }
    return path + ph::kSetupLockFileName.text;
}

bool Administrator()
{
    return true;
}
bool NoAdministrator()
{
    return false;
}
LockAttempt NoPrivateNamespaces(ph::SetupLockHold&)
{
    return LockAttempt::NoSuchPlace;
}

// Runs work on a thread of its own and keeps that thread, and what work holds in its locals, until
// the end of the scope: a mutex belongs to the thread that took it. work calls keep() once it
// holds what it should.
class OnAnotherThread {
public:
    template <typename Work>
    explicit OnAnotherThread(Work work)
        : m_thread([this, work] {
              work([this] {
                  ::SetEvent(m_ready.get());
                  ::WaitForSingleObject(m_release.get(), INFINITE);
              });
          })
    {
        ::WaitForSingleObject(m_ready.get(), INFINITE);
    }
    ~OnAnotherThread()
    {
        ::SetEvent(m_release.get());
        m_thread.join();
    }
    OnAnotherThread(const OnAnotherThread&) = delete;
    OnAnotherThread& operator=(const OnAnotherThread&) = delete;

private:
    ph::UniqueKernelHandle m_ready{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ph::UniqueKernelHandle m_release{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::thread m_thread;
};

class SystemLockPlacesTest : public testing::Test {
protected:
    void SetUp() override { ph::test::RemoveTree(LockFilePath()); }
    void TearDown() override { ph::test::RemoveTree(LockFilePath()); }

    // An administrator's run on a system without private namespaces: the lock file.
    void PinLockFile() { ph::LockPlaces().takeNamespaceMutex = NoPrivateNamespaces; }

private:
    ph::ScopedOverride<ph::SetupLockPlaces> m_pin{ph::LockPlaces(), ph::LockPlaces()};
};

// The real namespace place answers without ending the process where the system makes no boundary
// descriptor and lacks the other functions, as under Wine.
TEST_F(SystemLockPlacesTest, TheAdministratorsNamespaceOrNone)
{
    ph::SetupLockHold hold;
    const LockAttempt attempt = ph::LockPlaces().takeNamespaceMutex(hold);
    EXPECT_TRUE(attempt == LockAttempt::Taken || attempt == LockAttempt::NoSuchPlace) << static_cast<int>(attempt);
}

TEST_F(SystemLockPlacesTest, TheLockFileIsOneRunsAtATimeAndGoesWithIt)
{
    ph::LockPlaces().isAdministrator = Administrator;
    PinLockFile();
    {
        ph::SetupLock first;
        ASSERT_EQ(first.State(), SetupLockState::Owned);
        EXPECT_TRUE(FileExists(LockFilePath()));
        ph::SetupLock second;
        EXPECT_EQ(second.State(), SetupLockState::Held);
    }
    EXPECT_FALSE(FileExists(LockFilePath())) << "deleted when the run ends";
    ph::SetupLock next;
    EXPECT_EQ(next.State(), SetupLockState::Owned);
}

TEST_F(SystemLockPlacesTest, AFileLeftBehindIsTakenOverAndAFolderInTheWayIsNoLock)
{
    ph::LockPlaces().isAdministrator = Administrator;
    PinLockFile();
    // A lock file that survived its run (the power failed) holds nothing.
    ASSERT_TRUE(ph::test::WriteFileBytes(LockFilePath(), "left behind"));
    {
        ph::SetupLock lock;
        EXPECT_EQ(lock.State(), SetupLockState::Owned);
    }
    EXPECT_FALSE(FileExists(LockFilePath()));

    // Something that cannot be opened as the lock file: no lock can be made, which is not
    // "another setup is running".
    ASSERT_NE(::CreateDirectoryW(LockFilePath().c_str(), nullptr), FALSE);
    ph::SetupLock lock;
    EXPECT_EQ(lock.State(), SetupLockState::Unavailable);
    EXPECT_NE(lock.Error(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(ph::ExitCodeForLock(lock.State()), ph::kExitInstallFailure);
    EXPECT_TRUE(FolderExists(LockFilePath()));
}

// Mutexes of the lock's name, made by anyone and held, as a user could: they stop no
// administrator's run.
TEST_F(SystemLockPlacesTest, NamedMutexesHeldByAnyoneDoNotStopAnAdministrator)
{
    ph::LockPlaces().isAdministrator = Administrator;
    OnAnotherThread squatter([](auto keep) {
        SECURITY_DESCRIPTOR open{};
        ::InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
        ::SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
        SECURITY_ATTRIBUTES everyone{sizeof(everyone), &open, FALSE};
        const std::wstring name = ph::kSetupLockName.text;
        ph::UniqueKernelHandle global(::CreateMutexW(&everyone, TRUE, (L"Global\\" + name).c_str()));
        ph::UniqueKernelHandle local(::CreateMutexW(&everyone, TRUE, (L"Local\\" + name).c_str()));
        ph::UniqueKernelHandle bare(::CreateMutexW(&everyone, TRUE, name.c_str()));
        keep();
    });
    ph::SetupLock lock;
    EXPECT_EQ(lock.State(), SetupLockState::Owned);
}

TEST_F(SystemLockPlacesTest, WithoutAdministratorRightsTheSessionsMutexWhichBlocksNoAdministrator)
{
    ph::LockPlaces().isAdministrator = NoAdministrator;
    SetupLockState first = SetupLockState::Unavailable;
    OnAnotherThread userRun([&first](auto keep) {
        ph::SetupLock lock;
        first = lock.State();
        keep();
    });
    ASSERT_EQ(first, SetupLockState::Owned);
    EXPECT_FALSE(FileExists(LockFilePath())) << "a user's run makes no machine-wide lock";
    {
        ph::SetupLock second;
        EXPECT_EQ(second.State(), SetupLockState::Held);
    }

    ph::LockPlaces().isAdministrator = Administrator;
    ph::SetupLock administrator;
    EXPECT_EQ(administrator.State(), SetupLockState::Owned);
}

} // namespace
