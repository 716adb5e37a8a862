#include "GrantCodes_win.h"

#include "QrCode.h"
#include "common/CodeSecret.h"
#include "common/Errors.h"
#include "common/OneTimeCode.h"
#include "common/ScopeGuard.h"
#include "common/WipedString.h"
#include "win/Clock_win.h"
#include "win/CodeSecret_win.h"
#include "win/Dialog_win.h"
#include "win/TextConvert_win.h"
#include "config_ids.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

namespace vardex {

namespace {
constexpr const char* kIssuer = "PC Vardex";
constexpr std::size_t kSecretGroup = 4;  // characters typed together

// The account the app lists the codes under: this PC.
std::string ComputerName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = L"";
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? Narrow(name) : std::string("PC");
}

// "ABCD EFGH ...": easier to read off and type by hand.
std::wstring InGroups(const std::string& text)
{
    std::wstring grouped;
    grouped.reserve(text.size() + text.size() / kSecretGroup);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != 0 && i % kSecretGroup == 0)
            grouped += L' ';
        grouped += static_cast<wchar_t>(text[i]);
    }
    return grouped;
}

// The secret from its source, an error saying what could not be done and why.
std::vector<std::uint8_t> SecretFrom(const CodeSecretSource& source, bool makeNew, const Texts& texts)
{
    try {
        return source(makeNew);
    } catch (const Error& error) {
        throw Error(texts.Get(makeNew ? TextId::CodesNotMade : TextId::CodesCannotShow) + "\n\n" + error.what());
    }
}

// Sets an edit's text and wipes the copy the text came in.
void SetSecretText(HWND edit, std::wstring text) noexcept
{
    SetWindowTextW(edit, text.c_str());
    WipeText(text);
}

// Overwrites an edit's text in its own buffer before the edit frees it.
void BlankEdit(HWND edit) noexcept
{
    const int length = GetWindowTextLengthW(edit);
    try {
        if (length > 0)
            SetSecretText(edit, std::wstring(static_cast<std::size_t>(length), L' '));
    } catch (...) {
        SetWindowTextW(edit, L"");  // no memory for the blanks: the text goes at least
    }
}
// The dark modules, each row's runs of them as one rectangle, from origin at pixels per module.
void PaintModules(HDC dc, const QrCode& code, POINT origin, int pixels) noexcept
{
    const auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (int y = 0; y < code.Width(); ++y)
        for (int x = 0; x < code.Width(); ++x) {
            if (!code.Dark(x, y))
                continue;
            const int start = x;
            while (x + 1 < code.Width() && code.Dark(x + 1, y))
                ++x;
            const RECT run{origin.x + start * pixels, origin.y + y * pixels, origin.x + (x + 1) * pixels,
                           origin.y + (y + 1) * pixels};
            FillRect(dc, &run, black);
        }
}
}  // namespace

CodeSecretSource OwnCodeSecret(PasswordCrypto& crypto)
{
    return [&crypto](bool makeNew) {
        Win32SecretStore store;
        Win32Clock clock;
        CodeSecret secret(store, crypto, clock);
        if (!makeNew)
            if (std::optional<std::vector<std::uint8_t>> kept = secret.Secret())
                return std::move(*kept);
        return secret.MakeNew();
    };
}

class GrantCodesDialog final : public Dialog {
public:
    GrantCodesDialog(const CodeSecretSource& source, std::vector<std::uint8_t> secret)
        : source_(source), secret_(std::move(secret))
    {
    }
    ~GrantCodesDialog() override { WipeBytes(secret_.data(), secret_.size()); }

    void Dismiss() noexcept
    {
        if (!Handle())
            return;
        ShowWindow(Handle(), SW_HIDE);
        CloseWiped(IDCANCEL);
        PostMessageW(Handle(), WM_NULL, 0, 0);  // the modal loop looks at Close's flag after a message
    }

protected:
    bool OnInitDialog() override
    {
        ShowSecret();
        // Not on the address: the dialog manager would select all of it and show only its end.
        SetFocus(Item(IDOK));
        return false;
    }

    bool OnCommand(int id, int, HWND) override
    {
        switch (id) {
        case IDOK:
        case IDCANCEL:
            CloseWiped(IDOK);
            return true;
        case IDC_MAKE_NEW_SECRET: MakeNewExecute(); return true;
        default: return false;
        }
    }

    bool HandleMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result) override
    {
        if (message != WM_DRAWITEM || reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->CtlID != IDC_CODE_PICTURE)
            return false;
        DrawCode(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    }

private:
    // The dialog is destroyed without a word to this object: the edits' texts are wiped first.
    void CloseWiped(INT_PTR result) noexcept
    {
        BlankEdit(Item(IDC_CODE_ADDRESS));
        BlankEdit(Item(IDC_CODE_SECRET));
        Close(result);
    }

    void ShowSecret()
    {
        const WipedString address{OtpAuthUri(secret_, kIssuer, ComputerName())};
        code_ = std::make_unique<QrCode>(address.Text());
        SetSecretText(Item(IDC_CODE_ADDRESS), Widen(address.Text()));
        const WipedString text{EncodeBase32(secret_)};
        SetSecretText(Item(IDC_CODE_SECRET), InGroups(text.Text()));
        InvalidateRect(Item(IDC_CODE_PICTURE), nullptr, TRUE);
    }

    void MakeNewExecute()
    {
        if (Confirm(Words().Get(TextId::CodesMakeNewQuestion), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
            return;
        std::vector<std::uint8_t> made = SecretFrom(source_, true, Words());
        WipeBytes(secret_.data(), secret_.size());
        secret_ = std::move(made);
        ShowSecret();
    }

    // Black on white whatever the colour scheme (a reader needs the contrast, not the theme), in
    // whole device pixels per module, centred in the control with its quiet zone.
    void DrawCode(const DRAWITEMSTRUCT& item) const
    {
        const RECT& area = item.rcItem;
        FillRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
        if (!code_)
            return;
        const int width = area.right - area.left, height = area.bottom - area.top;
        const int pixels = QrModulePixels(code_->Width(), std::min(width, height));
        const int side = (code_->Width() + 2 * kQrQuietModules) * pixels;
        const POINT corner{area.left + (width - side) / 2, area.top + (height - side) / 2};
        const RECT square{corner.x, corner.y, corner.x + side, corner.y + side};
        FillRect(item.hDC, &square, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        PaintModules(item.hDC, *code_, {corner.x + kQrQuietModules * pixels, corner.y + kQrQuietModules * pixels},
                     pixels);
    }

    const CodeSecretSource& source_;
    std::vector<std::uint8_t> secret_;
    std::unique_ptr<QrCode> code_;
};

void GrantCodes::Show(HWND owner, const Texts& texts)
{
    GrantCodesDialog dialog(source_, SecretFrom(source_, false, texts));
    dialog.SpeakIn(texts);
    shown_ = &dialog;
    const ScopeGuard forget([this] { shown_ = nullptr; });
    dialog.ShowModal(pump_, owner, IDD_GRANT_CODES);
}

void GrantCodes::Dismiss() noexcept
{
    if (shown_)
        shown_->Dismiss();
}

}  // namespace vardex
