#pragma once
// LockScreen: what the main window is while a lock session runs. It is a part of that window,
// not a window of its own (the window is one, found by its class and title): the window's
// handler asks it first whether a message is the lock screen's. It covers the virtual screen and
// keeps itself in front and top-level against other programs, paints the background, holds the
// text panel, and takes the input of the window, the panel and the unlock prompt by one route
// into the session.
#include "LockSession.h"
#include "SecretPanel_win.h"
#include "StatusBlock_win.h"
#include "common/JpegDecoder.h"
#include "config/Settings.h"
#include "win/Window_win.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vardex {

class LockScreen {
public:
    // window: the main window, created with the lock screen's styles (taken as its own now).
    LockScreen(HWND window, LockSession& session);

    // The answer to a message that is the lock screen's (its input, cursor, painting, a change
    // of the displays); none for the others.
    std::optional<LRESULT> Answer(UINT message, WPARAM wParam, LPARAM lParam);

    // The start of a session: the background from the settings, the panel, the whole screen,
    // shown and in the foreground. The end: hidden, the panel still, the picture dropped.
    // defaultPicture: the background is the program's own, whose title is drawn as text.
    void Show(const LockServiceSettings& settings, bool defaultPicture);
    void Hide() noexcept;
    // Half the primary screen, centred on it.
    void PlaceSecretPanel() noexcept;

    // The guard's passes: shown, covering the virtual screen, topmost, above every other
    // program's window and top-level; then (after the guard's other work) in the foreground,
    // unless the unlock prompt holds it.
    void KeepInFront() noexcept;
    void KeepForeground() noexcept;
    // Only reads: whether all that holds (for the foreground, unless the prompt holds it), so
    // that the short checks between events act only on a change. The lock screen's own state
    // costs nothing to read; the windows above it and the foreground take a call to the system
    // each. The virtual screen is the one last read (at the start, a display change, a full pass).
    bool InPlace() const noexcept;
    void ReadScreen() noexcept;
    // Brings the lock screen to the front; with a wake click it also clicks the right button
    // where the pointer is, which only wakes.
    enum class WakeClick { No, Yes };
    void BringToFront(WakeClick click);
    // While a session runs, another program may not hide, move, size or lower the lock screen.
    static void RefuseForeignPlacement(WINDOWPOS& position) noexcept;

    // What the session shows: the picture and the panel, or plain black; a warning on the panel.
    void SetPanelVisible(bool visible);
    void ShowWarning(const std::vector<std::string>& lines);
    // The warning is over (time was granted): the panel empties and hides.
    void ClearWarning();
    // The status block's lines, on the primary monitor or on each, as placed.
    void SetStatus(const StatusLines& lines, StatusPlacement placement);

    // The unlock prompt while it is under way: it holds the foreground from its opening until it
    // has closed; shown on the lock screen's desktop (none of its own could be had) it disables
    // the lock screen, its owner, until it ends.
    void PromptOpening() noexcept { promptHoldsForeground_ = true; }
    void PromptOnLockScreen() noexcept { promptOwnedByLockScreen_ = true; }
    void PromptEnded() noexcept;
    // What the prompt posted before it ended, taken while it still counts as open: the key that
    // closed it must not open the next one.
    void TakePostedPromptInput();

private:
    // The one route of input into the session: the window's and the panel's messages, and the
    // events the prompt posts.
    void TakeInput(UINT message);
    void TakePromptInput(WPARAM code);
    void CoverVirtualScreen() noexcept;
    bool IsAboveOtherWindows() const noexcept;
    // Covering the virtual screen last read, topmost.
    bool Covers() const noexcept;
    // Top-level, without owner, with its own styles.
    bool IsTopLevelAsMade() const noexcept;
    // A top-level window without owner, with the styles it was made with.
    void KeepTopLevel() noexcept;
    void LoadBackground(const LockServiceSettings& settings) noexcept;
    LRESULT Paint();
    // What the lock screen shows in area (its coordinates), drawn with area's origin at the DC's.
    void PaintScene(HDC dc, const RECT& area) const;
    // The status blocks made, placed and shown to match the monitors and the placement.
    void PlaceStatusBlocks();

    const HWND window_;
    LockSession& session_;
    // What the lock screen's styles are, as the system made them: any other is somebody else's.
    const LONG_PTR ownStyle_;
    const LONG_PTR ownExStyle_;
    std::unique_ptr<TSecretPanel> secretPanel_;
    std::optional<DecodedImage> background_;
    bool defaultPicture_ = false;
    std::vector<std::unique_ptr<TStatusBlock>> statusBlocks_;
    StatusLines status_;
    StatusPlacement placement_ = StatusPlacement::PrimaryMonitor;
    bool panelVisible_ = true;
    bool promptHoldsForeground_ = false;
    bool promptOwnedByLockScreen_ = false;
    RECT screen_{};
};

}  // namespace vardex
