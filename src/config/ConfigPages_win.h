#pragma once
// The configuration window's pages: child dialogs that only move values between their controls
// and the window's model.
#include "ConfigModel.h"
#include "win/Dialog_win.h"
#include "common/JpegDecoder.h"
#include "common/Reports.h"
#include "win/UniqueHandle_win.h"
#include "config_ids.h"

#include <functional>
#include <optional>
#include <string>

namespace vardex {

// A page with the title row shared by every page: a 32 x 32 icon and a bold underlined title.
class ConfigPage : public Dialog {
public:
    // onChange runs after every change that counts (the window updates Apply and Cancel).
    ConfigPage(ConfigModel& model, std::function<void()> onChange) : model_(model), onChange_(std::move(onChange)) {}

    void Create(HWND parent, int templateId, const RECT& area);
    // The page's title font and icon, for the window's resolution.
    void SetTitleLook(HFONT font, HICON icon) noexcept;
    void SetTitle(const std::wstring& title) noexcept;
    std::string Title() const;
    // Fills the controls from the model; changes made while filling do not count.
    virtual void Fill() {}
    // Whether the page's password pair may be saved or left; when not, it has said why and put
    // the focus where to type.
    virtual bool PasswordsConfirmed() { return true; }

protected:
    // A control changed: the model records it (unless filling) and the window hears of it.
    void DataChange();
    // A notification of a number field with limits. Leaving it shows the number it stands for (at
    // the nearest limit); a typed number is returned, to be stored, only when it differs from
    // current: a field left as it was is no change.
    std::optional<std::int32_t> NumberFieldChange(int id, int code, std::int32_t low, std::int32_t high,
                                                  std::int32_t current);
    ConfigModel& model_;

private:
    std::function<void()> onChange_;
};

// The page of a node with children: a list of large icons, one per child. The list's
// notifications go to the window.
class RootPage final : public ConfigPage {
public:
    using ListHandler = std::function<bool(const NMHDR& header, LRESULT& result)>;
    using ConfigPage::ConfigPage;
    HWND List() const noexcept { return Item(IDC_LIST); }
    void SetListHandler(ListHandler handler) { listHandler_ = std::move(handler); }

protected:
    bool OnNotify(const NMHDR& header, LRESULT& result) override
    {
        return header.idFrom == IDC_LIST && listHandler_ && listHandler_(header, result);
    }

private:
    ListHandler listHandler_;
};

// A password and its confirmation. A stored password is never shown: while it is kept, both
// fields hold a marker that cannot be typed; emptying both removes it, typing replaces it.
// Both fields take as many characters as the password prompts do, and show each as "*".
class PasswordPairFields {
public:
    PasswordPairFields(HWND password, HWND confirm);
    void Fill(const PasswordEdit& edit);
    // Either field lost the focus: the pair check.
    void Check();
    // Before the pair is saved or left: true when it is confirmed; otherwise a message says why,
    // naming whose password it is ("administrator password"), and the focus goes where to type.
    bool Confirmed(const std::string& whose);
    // What the password field holds, as the model's change.
    void StoreTo(PasswordEdit& edit) const;

private:
    HWND password_, confirm_;
    int counter_ = 0;      // kept with the confirm field
    bool refusing_ = false;  // the focus goes to the message: that is no leaving of the field
};

// "Vardex appearance settings": the lock screen's picture, its preview and whether it shows.
class AppearancePage final : public ConfigPage {
public:
    AppearancePage(ConfigModel& model, std::function<void()> onChange, std::string programDirectory, ErrorSink& errors)
        : ConfigPage(model, std::move(onChange)), programDirectory_(std::move(programDirectory)), errors_(errors)
    {
    }
    void Fill() override;

protected:
    bool OnCommand(int id, int code, HWND control) override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void BackImageChange();
    void Browse();
    // The picture of the file, or none; false when the file does not exist.
    bool LoadPreview(const std::string& path, bool report);
    void DrawItem(const DRAWITEMSTRUCT& item) const;

    std::string programDirectory_;
    ErrorSink& errors_;
    std::optional<DecodedImage> preview_;
};

}  // namespace vardex
