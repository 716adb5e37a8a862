#pragma once
// The base of the configuration window's pages: child dialogs that only move values between
// their controls and the window's model. The window drives every page through the same life
// cycle without knowing which page it is: filled from the model, shown for a node, given the
// look of the window's resolution, told that the settings were saved.
#include "ConfigModel.h"
#include "ConfigTree.h"
#include "win/Controls_win.h"
#include "win/Dialog_win.h"
#include "win/UniqueHandle_win.h"
#include "config_ids.h"

#include <functional>
#include <string>
#include <vector>

namespace vardex {

// The index of an icon in a list of icons (of an image list), 0 when it is not there.
int IconIndex(const std::vector<int>& icons, int icon) noexcept;

// What a page looks like at the window's resolution (the handles are the window's).
struct PageLook {
    int smallIcon = 16, largeIcon = 32;  // sizes
    HFONT titleFont = nullptr;
    HIMAGELIST smallNodeImages = nullptr, largeNodeImages = nullptr;  // the tree's node pictures
    std::vector<int> nodeIcons;                                       // their icons, in list order
    // The index in the node pictures of an icon.
    int ImageOf(int icon) const noexcept { return IconIndex(nodeIcons, icon); }
};

// A page with the title row shared by every page: a 32 x 32 icon and a bold underlined title.
class ConfigPage : public Dialog {
public:
    // onChange runs after every change that counts (the window updates Apply and Cancel).
    ConfigPage(ConfigModel& model, std::function<void()> onChange) : model_(model), onChange_(std::move(onChange)) {}

    // Creates the page in area of the parent; icon is the one of its title.
    void Create(HWND parent, int templateId, int icon, const RECT& area);
    void SetShown(bool shown) noexcept;
    bool Shown() const noexcept { return shown_; }
    std::string Title() const;

    // The life cycle. Fills the controls from the model (at the start and after Cancel).
    virtual void Fill() {}
    // The page is about to be shown for this node of the tree (also when it is shown already).
    virtual void ShowFor(const NavigationNodes& /*nodes*/, int /*node*/) {}
    // The title's font and icon, and whatever else is drawn at the window's resolution.
    virtual void ChangeLook(const PageLook& look);
    // The settings were saved (after Apply): the page shows what is stored now.
    virtual void Saved() {}
    // Whether the page may be saved or left (its password pair); when not, it has said why and put
    // the focus where to type.
    virtual bool MayLeave() { return true; }
    // A lock starts and the window hides: whatever the page has open above it goes too.
    virtual void Suspended() noexcept {}

    // What the window hands on to the page shown: a key was released somewhere in the window (to
    // every page); Enter with the focus on the page; a command of the window's menu that acts on
    // the page, and whether that command is enabled now.
    virtual void KeyReleased() {}
    virtual void EnterPressed() {}
    virtual bool OnWindowCommand(int /*id*/) { return false; }
    virtual bool WindowCommandEnabled(int /*id*/) const { return false; }

protected:
    void SetTitle(const std::wstring& title) noexcept;
    void SetTitleLook(HFONT font, HICON icon) noexcept;
    // A control changed: the model records it (unless filling) and the window hears of it.
    void DataChange();
    bool Filling() const noexcept { return filling_.Active(); }
    HICON TitleIcon() const noexcept { return titleIcon_.Get(); }

    ConfigModel& model_;
    // Set while the page fills its controls: what they report then is no change.
    FillingState filling_;
    PageLook look_;

private:
    std::function<void()> onChange_;
    int titleIconId_ = 0;
    UniqueIcon titleIcon_;
    bool shown_ = false;
};

}  // namespace vardex
