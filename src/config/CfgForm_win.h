#pragma once
// TCfgForm: the configuration window. An explorer-like dialog: the navigation tree on the left,
// the selected node's page on the right, a menu, a tool bar and a status bar. It edits a copy of
// the settings (the model) and writes them only when the administrator applies them.
#include "ConfigModel.h"
#include "ConfigPage_win.h"
#include "MsdosSys.h"
#include "NavigationTree_win.h"
#include "RootPage_win.h"
#include "common/Accounts.h"
#include "win/Dialog_win.h"
#include "win/MenuImages_win.h"
#include "win/MessagePump_win.h"
#include "common/Reports.h"
#include "win/UniqueHandle_win.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vardex {

// What the window works with and asks of the lock service.
struct ConfigContext {
    MessagePump& pump;
    Registry& registry;
    Accounts& accounts;
    PasswordCrypto& crypto;
    FileSystem& files;
    SystemFacts& system;
    // The formats schedules are written in (the ones the lock service reads them with).
    RegionalFormats timeFormats;
    ErrorSink& errors;
    std::string programDirectory;
    // Posts the reload signal to the lock service.
    std::function<void()> requestReload;
    // Ends the program the way the end of the Windows session does (after its own checks).
    std::function<void()> endProgram;
    // Writes what Apply saves (SaveError when it could not); empty: straight into the registry.
    std::function<void(const std::vector<SettingWrite>& writes)> writeSettings = {};
    // After a lock: true when the administrator password was given again.
    std::function<bool()> regainTrust = {};
    // True while the password cannot be asked for (a prompt of it is still closing).
    std::function<bool()> trustBusy = {};
    // No administrator password is set: the window says that anyone can change the settings.
    bool openToAnyone = false;
    // Empties a user's statistics log, throwing with the reason when it cannot; when not set, the
    // window empties the file in the program's folder itself.
    std::function<void(const std::string& userKey)> clearLog = {};
    // The one-time codes' secret (20 bytes): the one there is, made when there is none, or a
    // new one when makeNew (the old one's codes no longer work). Throws Error with the reason
    // when it cannot be had. When not set, the window keeps it itself, where it can (an
    // administrator's PC without the guardian).
    std::function<std::vector<std::uint8_t>(bool makeNew)> codeSecret = {};
    // The window's language.
    std::shared_ptr<const Texts> texts = std::make_shared<const Texts>();
};

class TCfgForm final : public Dialog {
public:
    explicit TCfgForm(ConfigContext context);
    ~TCfgForm() override;

    // Shows the window modally, owned by owner, until it closes or the program ends.
    void ShowModal(HWND owner);
    void BringToTop() noexcept;
    // A lock starts: the window hides until its end, when it asks for the password again.
    void Suspend() noexcept;
    void Resume() noexcept;
    // Closed because the password was not given again after a lock: nothing was saved.
    bool ClosedUntrusted() const noexcept { return closedUntrusted_; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    bool PreTranslate(const MSG& msg) override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    bool IsCurrentUser(const std::string& name);
    void CreateBars();
    void LayOutStatusParts();
    void CreatePages();
    void LoadLook();
    void BuildTree();
    void AddUserMenuItems();
    void Layout();
    // Every page once: the list of the nodes with children first, then the table's in its order.
    std::vector<ConfigPage*> Pages();
    void TreeChange();
    ConfigPage& PageOf(NodeKind kind);
    void LoadSettings();
    void UpdateApplyState();
    void UpdateTreeActions();
    void SetActionEnabled(int id, bool enabled);
    void ShowStatus(const std::string& text);
    void ShowPopup(HMENU menu, POINT where);
    bool IsActionEnabled(int id) const;
    bool OnListNotify(const NMHDR& header, LRESULT& result);

    void RegainTrust();
    void DoApplyExecute();
    void DoCancelExecute();
    bool SaveWithReport();
    // Whether the password pair of the page shown may be saved or left (it says why not).
    bool PasswordPairsConfirmed();
    // Asks before a schedule that allows no time is stored for a user it restricts.
    bool NoTimeSchedulesAccepted();
    bool CloseQuery();
    void DoExpandExecute(bool expand);
    void DoBackExecute();
    void DoOpenExecute();

    ConfigContext context_;
    std::vector<std::string> userKeys_;
    ConfigModel model_;
    WindowsIntegration windows_;  // reads MSDOS.SYS with the window's creation
    NavigationTree tree_;
    HACCEL accelerators_ = nullptr;
    UniqueMenu treeMenu_, listMenu_;
    HWND toolbar_ = nullptr, statusBar_ = nullptr;
    std::vector<int> nodeIcons_;  // the node pictures' icons, in image-list order
    UniqueImageList smallImages_, largeImages_, actionImages_;
    MenuImages menuImages_;
    UniqueFont titleFont_;
    UniqueIcon windowIcon_, windowSmallIcon_;
    RootPage rootPage_;
    std::vector<std::unique_ptr<ConfigPage>> ownPages_;  // the pages of the table's rows that have one
    std::vector<ConfigPage*> rowPages_;                 // each row's page, by row
    ConfigPage* shownPage_ = nullptr;
    std::wstring tipText_;  // the tool bar's hint shown
    bool suspended_ = false;
    bool closedUntrusted_ = false;
};

}  // namespace vardex
