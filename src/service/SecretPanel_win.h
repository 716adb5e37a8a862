#pragma once
// SecretPanel: the lock screen's panel of text lines that scroll upwards in an endless cycle.
#include "win/UniqueHandle_win.h"
#include "win/Window_win.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vardex {

// Mouse messages on a part of the lock screen are handed on, as if they happened on the lock
// screen itself.
using MouseForward = std::function<void(UINT message)>;

// The answers every part of the lock screen gives alike: no pointer over it, its mouse input the
// lock screen's, no background erased (it paints every pixel); none for the other messages.
std::optional<LRESULT> AnswerAsLockScreenPart(UINT message, const MouseForward& onMouse);

class TSecretPanel final : public Window {
public:
    TSecretPanel(HWND parent, MouseForward onMouse);

    void Place(int left, int top, int width, int height) noexcept;
    void SetLines(std::vector<std::wstring> lines);
    bool HasLines() const noexcept { return !lines_.empty(); }
    void SetTextColor(COLORREF color) noexcept;
    void StartScrolling() noexcept;
    void StopScrolling() noexcept;
    void SetVisible(bool visible) noexcept;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC memory, const RECT& client);
    void Advance() noexcept;

    MouseForward onMouse_;
    UniqueFont font_;
    std::vector<std::wstring> lines_;
    COLORREF color_ = RGB(192, 192, 192);
    int offset_ = 0;  // pixels scrolled since the text entered at the bottom
    int lineHeight_ = 0;
    bool scrolling_ = false;
};

}  // namespace vardex
