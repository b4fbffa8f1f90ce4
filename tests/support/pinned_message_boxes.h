// Message boxes answered by the test: every box the program shows while the object lives is
// recorded and answered, and none appears on the screen.
#pragma once

#include "base/scoped_override.h"
#include "platform/probes.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace ph::test {

struct MessageBoxCall {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
};

class PinnedMessageBoxes {
public:
    explicit PinnedMessageBoxes(int answer = IDOK) : m_answer(answer) { Current() = this; }
    ~PinnedMessageBoxes() { Current() = nullptr; }
    PinnedMessageBoxes(const PinnedMessageBoxes&) = delete;
    PinnedMessageBoxes& operator=(const PinnedMessageBoxes&) = delete;

    void Answer(int answer) { m_answer = answer; }
    // Runs look while each box is up, before it is answered: what the program left on the screen
    // behind the box.
    void WhileShown(std::function<void(const MessageBoxCall&)> look) { m_look = std::move(look); }
    const std::vector<MessageBoxCall>& Calls() const { return m_calls; }
    void Clear() { m_calls.clear(); }

private:
    static PinnedMessageBoxes*& Current()
    {
        static PinnedMessageBoxes* current = nullptr;
        return current;
    }
    static int Show(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
    {
        PinnedMessageBoxes* self = Current();
        self->m_calls.push_back({owner, text != nullptr ? text : L"", caption != nullptr ? caption : L"", type});
        if (self->m_look) {
            self->m_look(self->m_calls.back());
        }
        return self->m_answer;
    }

    int m_answer;
    std::function<void(const MessageBoxCall&)> m_look;
    std::vector<MessageBoxCall> m_calls;
    ScopedOverride<decltype(PlatformSeams::messageBox)> m_pin{Seams().messageBox, Show};
};

} // namespace ph::test
