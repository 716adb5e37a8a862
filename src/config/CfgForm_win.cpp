#include "CfgForm_win.h"

#include "AppearancePage_win.h"
#include "StatisticsPage_win.h"
#include "SystemPage_win.h"
#include "UserPage_win.h"
#include "config/AboutBox_win.h"
#include "win/Controls_win.h"
#include "common/Application.h"
#include "win/Dpi_win.h"
#include "win/ErrorReport_win.h"
#include "win/Help_win.h"
#include "common/ScopeGuard.h"
#include "common/Text.h"
#include "win/TextConvert_win.h"
#include "win/WindowTexts_win.h"
#include "config_ids.h"
#include "help/help_ids.h"
#include "resource_ids.h"

#include <algorithm>

namespace vardex {

namespace {
// What the pages are made with: each takes what it needs.
struct PageServices {
    ConfigModel& model;
    std::function<void()> onChange;
    const ConfigContext& context;
    const WindowsIntegration& windows;
    std::function<bool(const std::string&)> isCurrentUser;
    std::function<void(const std::string&)> clearLog;
};
using PageMaker = std::unique_ptr<ConfigPage> (*)(const PageServices& services);

// The window's nodes and their pages, in the tree's order; a node goes under the newest node of
// its parent kind (ParentKind). The row of a kind with children makes no page: its node shows the
// list of its children. The users' row stands for a node per user, captioned with the user's key.
struct PageRow {
    NodeKind kind;
    const char* caption;  // in English
    int dialog;         // the page's template
    int icon;           // of the node, and of the page's title
    int selectCommand;  // the menu item that selects the node; 0 for none
    PageMaker make;
};
constexpr PageRow kPages[] = {
    {NodeKind::Root, "Vardex", IDD_ROOT_PAGE, IDI_NODE_PROGRAM, 0, nullptr},
    {NodeKind::CommonOptions, "Common Options", IDD_ROOT_PAGE, IDI_NODE_OPTIONS, 0, nullptr},
    {NodeKind::Settings, "Settings", IDD_SYSTEM_PAGE, IDI_NODE_SETTINGS, ID_SELECT_SETTINGS,
     [](const PageServices& s) -> std::unique_ptr<ConfigPage> {
         return std::make_unique<SystemPage>(s.model, s.onChange, s.windows, s.context.pump,
                                             s.context.codeSecret ? s.context.codeSecret : OwnCodeSecret(s.context.crypto));
     }},
    {NodeKind::Appearance, "Appearance", IDD_APPEARANCE_PAGE, IDI_NODE_APPEARANCE, ID_SELECT_APPEARANCE,
     [](const PageServices& s) -> std::unique_ptr<ConfigPage> {
         return std::make_unique<AppearancePage>(s.model, s.onChange, s.context.programDirectory, s.context.errors);
     }},
    {NodeKind::UserOptions, "User Options", IDD_ROOT_PAGE, IDI_NODE_USERS, 0, nullptr},
    {NodeKind::User, nullptr, IDD_USER_PAGE, IDI_NODE_OTHER_USER, 0,
     [](const PageServices& s) -> std::unique_ptr<ConfigPage> {
         return std::make_unique<UserPage>(s.model, s.onChange, s.context.pump, s.context.timeFormats, s.isCurrentUser);
     }},
    {NodeKind::Statistics, "Statistics", IDD_STATISTICS_PAGE, IDI_NODE_STATISTICS, ID_SELECT_STATISTICS,
     [](const PageServices& s) -> std::unique_ptr<ConfigPage> {
         return std::make_unique<StatisticsPage>(s.model, s.onChange, s.context.files, s.context.system,
                                                 s.context.registry, s.context.timeFormats.firstWeekday,
                                                 s.context.programDirectory, s.isCurrentUser, s.clearLog,
                                                 s.context.errors);
     }},
};
// The node pictures besides the rows' icons: the user of this session, a statistics log's line,
// a line of time granted.
constexpr int kMoreNodeIcons[] = {IDI_NODE_CURRENT_USER, IDI_NODE_LOG_LINE, IDI_NODE_GRANT_LINE};
// The commands of the window's menu that act on the page shown.
constexpr int kPageCommands[] = {ID_DO_CLEAR_LOG};

// The tool bar's buttons in order (0 for a separator), with their hints and pictures.
struct ToolButton {
    int command;
    const char* hint;  // in English
    int icon;
};
constexpr ToolButton kToolButtons[] = {
    {ID_DO_APPLY, "Apply Settings", IDI_ACTION_APPLY},
    {ID_DO_CANCEL, "Cancel Settings", IDI_ACTION_CANCEL},
    {0, nullptr, 0},
    {ID_DO_EXPAND, "Expand Node", IDI_ACTION_EXPAND},
    {ID_DO_COLLAPSE, "Collapse Node", IDI_ACTION_COLLAPSE},
    {ID_DO_BACK, "Go Back", IDI_ACTION_BACK},
    {0, nullptr, 0},
    {ID_DO_OPEN, "Open Item", IDI_ACTION_OPEN},
    {0, nullptr, 0},
    {ID_DO_HOME, "Home Page", IDI_ACTION_HOME},
    {ID_DO_PRODUCTS, "Other Products", IDI_ACTION_PRODUCTS},
    {ID_DO_CONTACT, "Contact Us", IDI_ACTION_CONTACT},
    {0, nullptr, 0},
    {ID_DO_CONTENTS, "Help Contents", IDI_ACTION_CONTENTS},
};

std::vector<int> NodeIcons()
{
    std::vector<int> icons;
    for (const PageRow& row : kPages)
        if (std::find(icons.begin(), icons.end(), row.icon) == icons.end())
            icons.push_back(row.icon);
    icons.insert(icons.end(), std::begin(kMoreNodeIcons), std::end(kMoreNodeIcons));
    return icons;
}

std::vector<std::string> SortedUserKeys(Accounts& accounts, SystemFacts& system)
{
    std::vector<std::string> keys;
    for (const std::string& entry : accounts.EnumerateUsers(true))
        keys.emplace_back(TextBefore(entry, '='));
    return SortedNames(std::move(keys), system);
}

// The key's focus window, as the accelerators see it.
KeyFocus KeyFocusOf(HWND window)
{
    wchar_t name[32] = L"";
    GetClassNameW(window, name, 32);
    if (lstrcmpiW(name, WC_EDITW) == 0)
        return KeyFocus::Edit;
    return lstrcmpiW(name, HOTKEY_CLASSW) == 0 ? KeyFocus::HotKeyField : KeyFocus::Other;
}

KeyChord ChordOf(const MSG& msg)
{
    const auto held = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
    return {static_cast<unsigned>(msg.wParam), held(VK_CONTROL), held(VK_SHIFT), held(VK_MENU)};
}

bool IsKeyMessage(const MSG& msg) noexcept
{
    return msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
}
}  // namespace

TCfgForm::TCfgForm(ConfigContext context)
    : context_(std::move(context)), userKeys_(SortedUserKeys(context_.accounts, context_.system)), model_(userKeys_),
      windows_(context_.files, context_.registry), nodeIcons_(NodeIcons()), rootPage_(model_, nullptr)
{
    SpeakIn(*context_.texts);
    const PageServices services{model_,
                                [this] { UpdateApplyState(); },
                                context_,
                                windows_,
                                [this](const std::string& user) { return IsCurrentUser(user); },
                                context_.clearLog ? context_.clearLog : [this](const std::string& user) {
                                    ClearStatisticsLog(context_.files, context_.programDirectory, user);
                                }};
    for (const PageRow& row : kPages) {
        if (row.make)
            rowPages_.push_back(ownPages_.emplace_back(row.make(services)).get());
        else
            rowPages_.push_back(&rootPage_);
    }
}

bool TCfgForm::IsCurrentUser(const std::string& name)
{
    return context_.system.SameNameIgnoringCase(name, context_.accounts.GetCurrentUserName());
}

TCfgForm::~TCfgForm() = default;

void TCfgForm::ShowModal(HWND owner)
{
    Dialog::ShowModal(context_.pump, owner, IDD_CFGFORM);
}

namespace {
// Posted to the window when the lock it hid for has ended.
constexpr UINT kRegainTrustMessage = WM_APP + 40;
constexpr UINT_PTR kRegainTrustTimer = 40;
}  // namespace

void TCfgForm::Suspend() noexcept
{
    if (!Handle() || suspended_)
        return;
    suspended_ = true;
    for (const std::unique_ptr<ConfigPage>& page : ownPages_)
        page->Suspended();
    ShowWindow(Handle(), SW_HIDE);
}

void TCfgForm::Resume() noexcept
{
    if (Handle() && suspended_)
        PostMessageW(Handle(), kRegainTrustMessage, 0, 0);
}

void TCfgForm::RegainTrust()
{
    if (!suspended_)
        return;
    // A prompt from before the lock may still be closing: asked again a moment later.
    if (context_.trustBusy && context_.trustBusy()) {
        SetTimer(Handle(), kRegainTrustTimer, 200, nullptr);
        return;
    }
    // Whoever unlocked is not known to be the administrator: the password again, and the window
    // with its unsaved changes only then.
    if (context_.regainTrust && !context_.regainTrust()) {
        closedUntrusted_ = true;
        Close(IDCANCEL);
        return;
    }
    suspended_ = false;
    ShowWindow(Handle(), SW_SHOW);
    BringToTop();
}

void TCfgForm::BringToTop() noexcept
{
    if (!Handle() || suspended_)
        return;
    BringWindowToTop(Handle());
    SetForegroundWindow(Handle());
}

bool TCfgForm::OnInitDialog()
{
    SetWindowTextW(Handle(), Widen(kApplicationTitle).c_str());
    accelerators_ = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_CFG_ACCELERATORS));
    TranslateMenu(GetMenu(Handle()), Words());
    treeMenu_.Reset(LoadTranslatedMenu(IDR_TREE_MENU, Words()));
    listMenu_.Reset(LoadTranslatedMenu(IDR_LIST_MENU, Words()));
    tree_.Attach(Item(IDC_TREE));
    rootPage_.SetListHandler([this](const NMHDR& header, LRESULT& result) { return OnListNotify(header, result); });
    CreateBars();
    CreatePages();
    AddUserMenuItems();  // before the look: the items get their pictures
    LoadLook();
    BuildTree();
    Layout();
    LoadSettings();
    tree_.ExpandAll();
    model_.ClearChanged();
    UpdateTreeActions();
    UpdateApplyState();
    return true;
}

void TCfgForm::CreateBars()
{
    toolbar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER,
                               0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(IDC_TOOLBAR),
                               GetModuleHandleW(nullptr), nullptr);
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, Handle(),
                                 reinterpret_cast<HMENU>(IDC_STATUSBAR), GetModuleHandleW(nullptr), nullptr);
    // One panel across the bar (its text is the window text of the bar, for the tools that read it).
    int panelEnd = -1;
    SendMessageW(statusBar_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&panelEnd));
}

void TCfgForm::LayOutStatusParts()
{
    if (!context_.openToAnyone)
        return;
    // The warning in a part of its own at the right, as wide as its text.
    RECT bar;
    GetClientRect(statusBar_, &bar);
    const HDC dc = GetDC(statusBar_);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(statusBar_, WM_GETFONT, 0, 0)));
    const std::wstring warning = Widen(Words().Get(TextId::ConfigOpenToAnyone));
    SIZE text{};
    GetTextExtentPoint32W(dc, warning.c_str(), static_cast<int>(warning.size()), &text);
    SelectObject(dc, old);
    ReleaseDC(statusBar_, dc);
    const int ends[] = {std::max<int>(bar.right / 3, bar.right - text.cx - 4 * GetSystemMetrics(SM_CXEDGE) -
                                                         GetSystemMetrics(SM_CXVSCROLL)),
                        -1};
    SendMessageW(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(ends));
    SendMessageW(statusBar_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(warning.c_str()));
}

void TCfgForm::CreatePages()
{
    const RECT area = ItemRect(Handle(), Item(IDC_PAGE_AREA));
    for (size_t row = 0; row < std::size(kPages); ++row)
        if (!rowPages_[row]->Handle()) {
            rowPages_[row]->SpeakIn(Words());
            rowPages_[row]->Create(Handle(), kPages[row].dialog, kPages[row].icon, area);
        }
}

// Fonts, icons and image lists at the window's resolution; again when it changes.
void TCfgForm::LoadLook()
{
    const UINT dpi = WindowDpi(Handle());
    const int small = ScaleForDpi(16, dpi), large = ScaleForDpi(32, dpi);
    smallImages_.Reset(IconImageList(nodeIcons_.data(), nodeIcons_.size(), small));
    largeImages_.Reset(IconImageList(nodeIcons_.data(), nodeIcons_.size(), large));
    TreeView_SetImageList(tree_.Handle(), smallImages_.Get(), TVSIL_NORMAL);

    std::vector<int> commands, buttonIcons;
    for (const ToolButton& b : kToolButtons) {
        commands.push_back(b.command);
        if (b.command)
            buttonIcons.push_back(b.icon);
    }
    actionImages_.Reset(IconImageList(buttonIcons.data(), buttonIcons.size(), small));
    menuImages_.Clear();
    for (const ToolButton& b : kToolButtons)
        if (b.command)
            menuImages_.Add(static_cast<UINT>(b.command), b.icon, small);
    menuImages_.Add(ID_DO_EXIT, IDI_ACTION_EXIT, small);
    menuImages_.Add(ID_DO_ABOUT, IDI_ACTION_ABOUT, small);
    for (size_t i = 0; i < userKeys_.size(); ++i)
        menuImages_.Add(static_cast<UINT>(ID_SELECT_USER_FIRST + i),
                        IsCurrentUser(userKeys_[i]) ? IDI_NODE_CURRENT_USER : IDI_NODE_OTHER_USER, small);
    for (HMENU menu : {GetMenu(Handle()), treeMenu_.Get(), listMenu_.Get()})
        menuImages_.Attach(menu);
    SetToolButtons(toolbar_, actionImages_.Get(), commands.data(), commands.size(), TBSTATE_ENABLED);
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);

    titleFont_.Reset(CreateUiFont(ScaleForDpi(15, dpi), FW_BOLD, true));
    const PageLook look{small, large, titleFont_.Get(), smallImages_.Get(), largeImages_.Get(), nodeIcons_};
    for (ConfigPage* page : Pages())
        page->ChangeLook(look);
    windowIcon_.Reset(LoadIconAt(IDI_VARDEX_TRAY, large));
    windowSmallIcon_.Reset(LoadIconAt(IDI_VARDEX_TRAY, small));
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(windowIcon_.Get()));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(windowSmallIcon_.Get()));
}

void TCfgForm::BuildTree()
{
    // Filled with its redrawing off: every insert into a visible node would redraw.
    const RedrawPause pause(tree_.Handle());
    for (const PageRow& row : kPages) {
        if (row.kind != NodeKind::User) {
            tree_.Add(row.kind, Words().Translate(row.caption), IconIndex(nodeIcons_, row.icon));
            continue;
        }
        for (size_t i = 0; i < userKeys_.size(); ++i)
            tree_.Add(row.kind, userKeys_[i],
                      IconIndex(nodeIcons_, IsCurrentUser(userKeys_[i]) ? IDI_NODE_CURRENT_USER : row.icon),
                      static_cast<int>(i));
    }
}

void TCfgForm::AddUserMenuItems()
{
    HMENU vardexMenu = GetSubMenu(GetMenu(Handle()), 0);
    HMENU usersMenu = nullptr;
    for (int i = 0; i < GetMenuItemCount(vardexMenu) && !usersMenu; ++i)
        if (HMENU sub = GetSubMenu(vardexMenu, i); sub && GetMenuItemID(sub, 0) == ID_USERS_PLACEHOLDER)
            usersMenu = sub;
    if (!usersMenu)
        return;
    DeleteMenu(usersMenu, ID_USERS_PLACEHOLDER, MF_BYCOMMAND);
    for (size_t i = 0; i < userKeys_.size(); ++i)
        AppendMenuW(usersMenu, MF_STRING, ID_SELECT_USER_FIRST + i, Widen(userKeys_[i]).c_str());
}

std::vector<ConfigPage*> TCfgForm::Pages()
{
    std::vector<ConfigPage*> pages{&rootPage_};
    for (const std::unique_ptr<ConfigPage>& page : ownPages_)
        pages.push_back(page.get());
    return pages;
}

void TCfgForm::Layout()
{
    RECT client;
    GetClientRect(Handle(), &client);
    SendMessageW(statusBar_, WM_SIZE, 0, 0);
    LayOutStatusParts();
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    const int top = WindowHeight(toolbar_) + 3;
    const int bottom = client.bottom - WindowHeight(statusBar_) - 3;
    const RECT treeRect = ItemRect(Handle(), tree_.Handle()), pageRect = ItemRect(Handle(), Item(IDC_PAGE_AREA));
    MoveItem(tree_.Handle(), {treeRect.left, top, treeRect.right, bottom});
    const RECT area{pageRect.left, top, pageRect.right, bottom};
    for (ConfigPage* page : Pages())
        MoveItem(page->Handle(), area);
    MoveItem(rootPage_.List(), 0, 0, area.right - area.left, area.bottom - area.top);
}

ConfigPage& TCfgForm::PageOf(NodeKind kind)
{
    for (size_t row = 0; row < std::size(kPages); ++row)
        if (kPages[row].kind == kind)
            return *rowPages_[row];
    return rootPage_;
}

void TCfgForm::TreeChange()
{
    const int node = tree_.Selected();
    if (node < 0)
        return;
    const NavigationNode& selected = tree_[node];
    ConfigPage& page = PageOf(selected.kind);
    page.ShowFor(tree_.Nodes(), node);
    if (shownPage_ != &page) {
        if (shownPage_)
            shownPage_->SetShown(false);
        page.SetShown(true);
        shownPage_ = &page;
    }
    UpdateTreeActions();
    ShowStatus(NodeStatusText(selected.kind, selected.caption, tree_.Nodes().ChildCaptions(node), page.Title(), Words()));
}

void TCfgForm::LoadSettings()
{
    for (const std::string& problem : model_.Load(context_.registry))
        context_.errors.ReportError(problem);
    windows_.Load(model_);
    for (ConfigPage* page : Pages())
        page->Fill();
}

void TCfgForm::ShowStatus(const std::string& text)
{
    SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void TCfgForm::SetActionEnabled(int id, bool enabled)
{
    const auto state = static_cast<UINT>(MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(GetMenu(Handle()), static_cast<UINT>(id), state);
    EnableMenuItem(treeMenu_.Get(), static_cast<UINT>(id), state);
    EnableMenuItem(listMenu_.Get(), static_cast<UINT>(id), state);
    SendMessageW(toolbar_, TB_ENABLEBUTTON, static_cast<WPARAM>(id), enabled);
}

void TCfgForm::UpdateApplyState()
{
    SetActionEnabled(ID_DO_APPLY, model_.Changed());
    SetActionEnabled(ID_DO_CANCEL, model_.Changed());
}

void TCfgForm::UpdateTreeActions()
{
    const int node = tree_.Selected();
    TreeFocusState state;
    if (node >= 0) {
        state.treeFocused = GetFocus() == tree_.Handle();
        state.hasChildren = HasChildren(tree_[node].kind);
        state.expanded = tree_.IsExpanded(node);
        state.hasParent = tree_[node].parent >= 0;
    }
    state.listFocused = shownPage_ == &rootPage_ && GetFocus() == rootPage_.List();
    state.listItemSelected = rootPage_.SelectedChild() >= 0;
    const TreeActionState actions = TreeActions(state);
    SetActionEnabled(ID_DO_EXPAND, actions.expand);
    SetActionEnabled(ID_DO_COLLAPSE, actions.collapse);
    SetActionEnabled(ID_DO_BACK, actions.back);
    SetActionEnabled(ID_DO_OPEN, actions.open);
}

bool TCfgForm::PasswordPairsConfirmed()
{
    return !shownPage_ || shownPage_->MayLeave();
}

bool TCfgForm::NoTimeSchedulesAccepted()
{
    if (!model_.Changed())
        return true;
    const std::vector<std::string> users = UsersLockedOutBySchedule(model_.Users(), context_.timeFormats);
    if (users.empty())
        return true;
    std::string names;
    for (const std::string& user : users)
        names += (names.empty() ? "\"" : ", \"") + user + "\"";
    const TextId question = users.size() > 1 ? TextId::ConfigLockedOutMany : TextId::ConfigLockedOutOne;
    return Confirm(Words().Format(question, {names}), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool TCfgForm::SaveWithReport()
{
    if (!PasswordPairsConfirmed())
        return false;
    try {
        // Windows' own settings first: when the boot file refuses, nothing else is written.
        windows_.Write(model_);
        const std::vector<SettingWrite> writes = model_.PlanSave(context_.crypto);
        if (context_.writeSettings)
            context_.writeSettings(writes);
        else
            WriteSettings(context_.registry, writes);
        model_.Saved(writes);
    } catch (const std::runtime_error& error) {
        // Nothing is reported as saved that was not: the changes stay, and Apply with them.
        context_.errors.ReportError(error.what());
        return false;
    }
    for (ConfigPage* page : Pages())
        page->Saved();
    model_.ClearChanged();
    UpdateApplyState();
    if (context_.requestReload)
        context_.requestReload();
    return true;
}

void TCfgForm::DoApplyExecute()
{
    if (model_.Changed())
        SaveWithReport();
}

void TCfgForm::DoCancelExecute()
{
    if (!model_.Changed() || Confirm(Words().Get(TextId::ConfigDiscard), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    LoadSettings();
    TreeChange();  // the page shown is refilled from the store, not kept
    model_.ClearChanged();
    UpdateApplyState();
}

bool TCfgForm::CloseQuery()
{
    if (!model_.Changed())
        return true;
    switch (Confirm(Words().Get(TextId::ConfigApplyQuestion), MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES: return SaveWithReport();
    case IDNO: return true;
    default: return false;
    }
}

void TCfgForm::DoExpandExecute(bool expand)
{
    tree_.Expand(tree_.Selected(), expand);
    UpdateTreeActions();
}

void TCfgForm::DoBackExecute()
{
    if (const int node = tree_.Selected(); node >= 0)
        tree_.Select(tree_[node].parent);
}

void TCfgForm::DoOpenExecute()
{
    tree_.Select(rootPage_.SelectedChild());
}

void TCfgForm::ShowPopup(HMENU menu, POINT where)
{
    if (const int command = PopupMenuAt(GetSubMenu(menu, 0), where, Handle()))
        OnCommand(command, 0, nullptr);
}

bool TCfgForm::IsActionEnabled(int id) const
{
    for (HMENU menu : {GetMenu(Handle()), treeMenu_.Get(), listMenu_.Get()}) {
        const UINT state = GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND);
        if (state != static_cast<UINT>(-1))
            return !(state & MF_GRAYED);
    }
    return true;  // not a menu item: Enter, Esc
}

bool TCfgForm::OnListNotify(const NMHDR& header, LRESULT& result)
{
    switch (header.code) {
    case NM_DBLCLK: DoOpenExecute(); return true;
    case NM_RCLICK: {
        UpdateTreeActions();
        ShowPopup(listMenu_.Get(), PointerOver(rootPage_.List()).screen);
        result = TRUE;
        return true;
    }
    case LVN_ITEMCHANGED:
    case NM_SETFOCUS:
    case NM_KILLFOCUS: UpdateTreeActions(); return true;
    default: return false;
    }
}

bool TCfgForm::OnCommand(int id, int, HWND)
{
    // An accelerator arrives also when its action is disabled.
    if (!IsActionEnabled(id))
        return true;
    if (id >= ID_SELECT_USER_FIRST && id < ID_SELECT_USER_FIRST + static_cast<int>(userKeys_.size())) {
        tree_.Select(tree_.Nodes().FindUser(id - ID_SELECT_USER_FIRST));
        return true;
    }
    for (const PageRow& row : kPages)
        if (row.selectCommand && row.selectCommand == id) {
            tree_.Select(tree_.Nodes().Find(row.kind));
            return true;
        }
    switch (id) {
    case ID_DO_APPLY:
        if (PasswordPairsConfirmed() && NoTimeSchedulesAccepted())
            DoApplyExecute();
        return true;
    case ID_DO_CANCEL: DoCancelExecute(); return true;
    case ID_DO_EXIT: context_.endProgram(); return true;
    case ID_DO_EXPAND: DoExpandExecute(true); return true;
    case ID_DO_COLLAPSE: DoExpandExecute(false); return true;
    case ID_DO_BACK: DoBackExecute(); return true;
    case ID_DO_OPEN: DoOpenExecute(); return true;
    case ID_DO_HOME: ShowHelpTopic(Handle(), kHelpTopicHomePage, Words().Of()); return true;
    case ID_DO_PRODUCTS: ShowHelpTopic(Handle(), kHelpTopicOtherProducts, Words().Of()); return true;
    case ID_DO_CONTACT: ShowHelpTopic(Handle(), kHelpTopicContact, Words().Of()); return true;
    case ID_DO_CONTENTS: ShowHelpContents(Handle(), Words().Of()); return true;
    case ID_HELP_WINDOW: ShowHelpTopic(Handle(), kHelpTopicConfiguration, Words().Of()); return true;
    case ID_DO_ABOUT: ShowAboutBox(context_.pump, Handle(), Words()); return true;
    case IDOK:  // Enter: opens the list's item, or goes to the page (the schedule's period)
        if (GetFocus() == rootPage_.List())
            DoOpenExecute();
        else if (shownPage_)
            shownPage_->EnterPressed();
        return true;
    case IDCANCEL:  // the close box (Esc closes nothing: PreTranslate)
        if (CloseQuery())
            Close(IDOK);
        return true;
    default: return shownPage_ && shownPage_->OnWindowCommand(id);
    }
}

bool TCfgForm::OnNotify(const NMHDR& header, LRESULT& result)
{
    if (header.code == TTN_GETDISPINFOW) {
        auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
        for (const ToolButton& b : kToolButtons)
            if (b.command && static_cast<UINT_PTR>(b.command) == header.idFrom)
                info.lpszText = const_cast<wchar_t*>((tipText_ = Widen(Words().Translate(b.hint))).c_str());
        return true;
    }
    if (header.hwndFrom != tree_.Handle())
        return false;
    switch (header.code) {
    case TVN_SELCHANGINGW:  // a page keeps its password pair until it is confirmed
        result = PasswordPairsConfirmed() ? FALSE : TRUE;
        return true;
    case TVN_SELCHANGEDW: TreeChange(); return true;
    case TVN_ITEMEXPANDEDW:
    case NM_SETFOCUS:
    case NM_KILLFOCUS: UpdateTreeActions(); return true;
    case NM_RCLICK: {
        // Right click selects: the popup acts on the node under the pointer.
        const PointerPlace pointer = PointerOver(tree_.Handle());
        if (tree_.SelectAt(pointer.client))
            SetFocus(tree_.Handle());
        ShowPopup(treeMenu_.Get(), pointer.screen);
        result = TRUE;
        return true;
    }
    default: return false;
    }
}

bool TCfgForm::PreTranslate(const MSG& msg)
{
    if (!IsKeyMessage(msg))
        return false;
    // The hot-key field reports no change of its own: it is looked at when a key is released.
    if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP)
        for (ConfigPage* page : Pages())
            page->KeyReleased();
    const KeyFocus focus = KeyFocusOf(msg.hwnd);
    const KeyChord chord = ChordOf(msg);
    // The hot-key field takes every key but Tab, which moves on, straight: no accelerator, no
    // menu key and no dialog key comes between.
    if (focus == KeyFocus::HotKeyField && !(msg.wParam == VK_TAB && !chord.control && !chord.alt)) {
        if (msg.message != WM_CHAR && msg.message != WM_SYSCHAR)
            DispatchMessageW(&msg);
        return true;
    }
    if (focus == KeyFocus::Edit && msg.message == WM_KEYDOWN && chord.key == 'A' && chord.control && !chord.alt) {
        SendMessageW(msg.hwnd, EM_SETSEL, 0, -1);  // select all, which not every edit does itself
        return true;
    }
    if (accelerators_ && AcceleratorsMayTake(focus, chord) &&
        TranslateAcceleratorW(Handle(), accelerators_, const_cast<MSG*>(&msg)))
        return true;
    // Esc does not close the window: the close box and the menu do, with their question.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE)
        return true;
    // The list: Backspace goes back (Enter opens, through the dialog's default button).
    if (msg.message == WM_KEYDOWN && msg.hwnd == rootPage_.List() && msg.wParam == VK_BACK) {
        DoBackExecute();
        return true;
    }
    return false;
}

bool TCfgForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    switch (message) {
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
        result = menuImages_.Handle(message, lParam) ? TRUE : FALSE;
        return result == TRUE;
    case WM_INITMENUPOPUP:
        for (const int id : kPageCommands)
            SetActionEnabled(id, shownPage_ && shownPage_->WindowCommandEnabled(id));
        return false;
    case WM_SYSCOMMAND:
        // Minimising closes the window, with the question when there are changes.
        if ((wParam & 0xFFF0) != SC_MINIMIZE)
            return false;
        OnCommand(IDCANCEL, 0, nullptr);
        result = TRUE;
        return true;
    case WM_DPICHANGED:
        LoadLook();
        Layout();
        return false;
    case kRegainTrustMessage: RegainTrust(); return true;
    case WM_TIMER:
        if (wParam != kRegainTrustTimer)
            return false;
        KillTimer(Handle(), kRegainTrustTimer);
        RegainTrust();
        return true;
    default: return false;
    }
}

}  // namespace vardex
