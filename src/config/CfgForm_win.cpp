#include "CfgForm_win.h"

#include "config/AboutBox_win.h"
#include "win/Controls_win.h"
#include "common/Application.h"
#include "win/Dpi_win.h"
#include "win/ErrorReport_win.h"
#include "win/Help_win.h"
#include "common/ScopeGuard.h"
#include "common/Text.h"
#include "win/TextConvert_win.h"
#include "config_ids.h"
#include "help/help_ids.h"
#include "resource_ids.h"

#include <algorithm>

namespace vardex {

namespace {
// The images of the tree and the list, in image-list order.
enum Image { kProgram, kOptions, kSettings, kAppearance, kUsers, kCurrentUser, kOtherUser, kStatistics, kLogLine };
constexpr int kNodeIcons[] = {IDI_NODE_PROGRAM,      IDI_NODE_OPTIONS,    IDI_NODE_SETTINGS,
                              IDI_NODE_APPEARANCE,   IDI_NODE_USERS,      IDI_NODE_CURRENT_USER,
                              IDI_NODE_OTHER_USER,   IDI_NODE_STATISTICS, IDI_NODE_LOG_LINE};

// The tool bar's buttons in order (0 for a separator), with their hints and pictures.
struct ToolButton {
    int command;
    const wchar_t* hint;
    int icon;
};
constexpr ToolButton kToolButtons[] = {
    {ID_DO_APPLY, L"Apply Settings", IDI_ACTION_APPLY},
    {ID_DO_CANCEL, L"Cancel Settings", IDI_ACTION_CANCEL},
    {0, nullptr, 0},
    {ID_DO_EXPAND, L"Expand Node", IDI_ACTION_EXPAND},
    {ID_DO_COLLAPSE, L"Collapse Node", IDI_ACTION_COLLAPSE},
    {ID_DO_BACK, L"Go Back", IDI_ACTION_BACK},
    {0, nullptr, 0},
    {ID_DO_OPEN, L"Open Item", IDI_ACTION_OPEN},
    {0, nullptr, 0},
    {ID_DO_HOME, L"Home Page", IDI_ACTION_HOME},
    {ID_DO_PRODUCTS, L"Other Products", IDI_ACTION_PRODUCTS},
    {ID_DO_CONTACT, L"Contact Us", IDI_ACTION_CONTACT},
    {0, nullptr, 0},
    {ID_DO_CONTENTS, L"Help Contents", IDI_ACTION_CONTENTS},
};

HICON LoadIconAt(int id, int size)
{
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
}

HIMAGELIST ImageListOf(const int* ids, size_t count, int size)
{
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, static_cast<int>(count), 0);
    for (size_t i = 0; i < count; ++i) {
        const UniqueIcon icon(LoadIconAt(ids[i], size));
        ImageList_AddIcon(list, icon.Get());
    }
    return list;
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
      windows_(context_.files, context_.registry), rootPage_(model_, nullptr),
      appearancePage_(model_, [this] { UpdateApplyState(); }, context_.programDirectory, context_.errors),
      systemPage_(model_, [this] { UpdateApplyState(); }, windows_),
      userPage_(model_, [this] { UpdateApplyState(); }, context_.pump, context_.timeFormats),
      statisticsPage_(model_, [this] { UpdateApplyState(); }, context_.files, context_.system, context_.programDirectory,
                      [this](const std::string& user) { return IsCurrentUser(user); },
                      context_.clearLog ? context_.clearLog
                                        : [this](const std::string& user) {
                                              ClearStatisticsLog(context_.files, context_.programDirectory, user);
                                          },
                      context_.errors)
{
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
constexpr const wchar_t* kOpenToAnyoneText = L"No administrator password is set: anyone at this PC can change these settings.";
}  // namespace

void TCfgForm::Suspend() noexcept
{
    if (!Handle() || suspended_)
        return;
    suspended_ = true;
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
    treeMenu_.Reset(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TREE_MENU)));
    listMenu_.Reset(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_LIST_MENU)));
    tree_ = Item(IDC_TREE);
    rootPage_.SetListHandler([this](const NMHDR& header, LRESULT& result) { return OnListNotify(header, result); });
    CreateBars();
    CreatePages();
    AddUserMenuItems();  // before the look: the items get their pictures
    LoadLook();
    BuildTree();
    Layout();
    LoadSettings();
    for (const Node& node : nodes_)
        TreeView_Expand(tree_, node.item, TVE_EXPAND);
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
    SIZE text{};
    GetTextExtentPoint32W(dc, kOpenToAnyoneText, static_cast<int>(wcslen(kOpenToAnyoneText)), &text);
    SelectObject(dc, old);
    ReleaseDC(statusBar_, dc);
    const int ends[] = {std::max<int>(bar.right / 3, bar.right - text.cx - 4 * GetSystemMetrics(SM_CXEDGE) -
                                                         GetSystemMetrics(SM_CXVSCROLL)),
                        -1};
    SendMessageW(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(ends));
    SendMessageW(statusBar_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(kOpenToAnyoneText));
}

void TCfgForm::CreatePages()
{
    const RECT area = ItemRect(Handle(), Item(IDC_PAGE_AREA));
    rootPage_.Create(Handle(), IDD_ROOT_PAGE, area);
    appearancePage_.Create(Handle(), IDD_APPEARANCE_PAGE, area);
    systemPage_.Create(Handle(), IDD_SYSTEM_PAGE, area);
    userPage_.Create(Handle(), IDD_USER_PAGE, area);
    statisticsPage_.Create(Handle(), IDD_STATISTICS_PAGE, area);
}

// Fonts, icons and image lists at the window's resolution; again when it changes.
void TCfgForm::LoadLook()
{
    const UINT dpi = WindowDpi(Handle());
    const int small = ScaleForDpi(16, dpi), large = ScaleForDpi(32, dpi);
    smallImages_.Reset(ImageListOf(kNodeIcons, std::size(kNodeIcons), small));
    largeImages_.Reset(ImageListOf(kNodeIcons, std::size(kNodeIcons), large));
    TreeView_SetImageList(tree_, smallImages_.Get(), TVSIL_NORMAL);
    ListView_SetImageList(rootPage_.List(), largeImages_.Get(), LVSIL_NORMAL);

    std::vector<int> buttonIcons;
    std::vector<TBBUTTON> buttons;
    for (const ToolButton& b : kToolButtons) {
        TBBUTTON button{};
        button.idCommand = b.command;
        button.fsStyle = b.command ? BTNS_BUTTON : BTNS_SEP;
        button.fsState = TBSTATE_ENABLED;
        button.iBitmap = b.command ? static_cast<int>(buttonIcons.size()) : 0;
        if (b.command)
            buttonIcons.push_back(b.icon);
        buttons.push_back(button);
    }
    actionImages_.Reset(ImageListOf(buttonIcons.data(), buttonIcons.size(), small));
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
    while (SendMessageW(toolbar_, TB_BUTTONCOUNT, 0, 0) > 0)
        SendMessageW(toolbar_, TB_DELETEBUTTON, 0, 0);
    SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(actionImages_.Get()));
    SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);

    titleFont_.Reset(CreateUiFont(ScaleForDpi(15, dpi), FW_BOLD, true));
    pageIcons_.clear();
    const std::pair<ConfigPage*, int> titled[] = {{&appearancePage_, IDI_NODE_APPEARANCE},
                                                  {&systemPage_, IDI_NODE_SETTINGS},
                                                  {&userPage_, IDI_NODE_OTHER_USER},
                                                  {&statisticsPage_, IDI_NODE_STATISTICS}};
    for (const auto& [page, icon] : titled) {
        pageIcons_.emplace_back(LoadIconAt(icon, large));
        page->SetTitleLook(titleFont_.Get(), pageIcons_.back().Get());
    }
    otherUserIcon_ = pageIcons_[2].Get();
    currentUserIcon_ = pageIcons_.emplace_back(LoadIconAt(IDI_NODE_CURRENT_USER, large)).Get();
    userPage_.SetButtonIcons(small);
    statisticsPage_.SetImages({smallImages_.Get(), kStatistics, kCurrentUser, kOtherUser, kLogLine});
    windowIcon_.Reset(LoadIconAt(IDI_VARDEX_TRAY, large));
    windowSmallIcon_.Reset(LoadIconAt(IDI_VARDEX_TRAY, small));
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(windowIcon_.Get()));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(windowSmallIcon_.Get()));
}

int TCfgForm::AddNode(NodeKind kind, const std::string& caption, int parent, int userIndex)
{
    const int index = static_cast<int>(nodes_.size());
    const bool current = kind == NodeKind::User && IsCurrentUser(caption);
    const int image = kind == NodeKind::Root            ? kProgram
                      : kind == NodeKind::CommonOptions ? kOptions
                      : kind == NodeKind::Settings      ? kSettings
                      : kind == NodeKind::Appearance    ? kAppearance
                      : kind == NodeKind::UserOptions   ? kUsers
                      : kind == NodeKind::Statistics    ? kStatistics
                      : current                         ? kCurrentUser
                                                        : kOtherUser;
    const std::wstring text = Widen(caption);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent >= 0 ? nodes_[static_cast<size_t>(parent)].item : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.iImage = insert.item.iSelectedImage = image;
    insert.item.lParam = index;
    nodes_.push_back({kind, caption, userIndex, nullptr, parent});
    nodes_.back().item = TreeView_InsertItem(tree_, &insert);
    return index;
}

void TCfgForm::BuildTree()
{
    // Filled with its redrawing off: every insert into a visible node would redraw.
    const RedrawPause pause(tree_);
    const int root = AddNode(NodeKind::Root, "Vardex", -1);
    const int common = AddNode(NodeKind::CommonOptions, "Common Options", root);
    AddNode(NodeKind::Settings, "Settings", common);
    AddNode(NodeKind::Appearance, "Appearance", common);
    const int users = AddNode(NodeKind::UserOptions, "User Options", root);
    for (size_t i = 0; i < userKeys_.size(); ++i)
        AddNode(NodeKind::User, userKeys_[i], users, static_cast<int>(i));
    AddNode(NodeKind::Statistics, "Statistics", root);
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
    return {&rootPage_, &appearancePage_, &systemPage_, &userPage_, &statisticsPage_};
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
    const RECT treeRect = ItemRect(Handle(), tree_), pageRect = ItemRect(Handle(), Item(IDC_PAGE_AREA));
    SetWindowPos(tree_, nullptr, treeRect.left, top, treeRect.right - treeRect.left, bottom - top, SWP_NOZORDER);
    const RECT area{pageRect.left, top, pageRect.right, bottom};
    for (ConfigPage* page : Pages())
        SetWindowPos(page->Handle(), nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(rootPage_.List(), nullptr, 0, 0, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

int TCfgForm::SelectedNode() const
{
    HTREEITEM item = TreeView_GetSelection(tree_);
    if (!item)
        return -1;
    TVITEMW data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    TreeView_GetItem(tree_, &data);
    return static_cast<int>(data.lParam);
}

std::vector<int> TCfgForm::Children(int node) const
{
    std::vector<int> children;
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].parent == node)
            children.push_back(static_cast<int>(i));
    return children;
}

void TCfgForm::SelectNode(int node)
{
    if (node >= 0 && node < static_cast<int>(nodes_.size()))
        TreeView_SelectItem(tree_, nodes_[static_cast<size_t>(node)].item);
}

ConfigPage& TCfgForm::PageOf(NodeKind kind)
{
    switch (kind) {
    case NodeKind::Settings: return systemPage_;
    case NodeKind::Appearance: return appearancePage_;
    case NodeKind::Statistics: return statisticsPage_;
    case NodeKind::User: return userPage_;
    default: return rootPage_;
    }
}

void TCfgForm::FillList(int node)
{
    HWND list = rootPage_.List();
    const RedrawPause pause(list);
    ListView_DeleteAllItems(list);
    int row = 0;
    for (const int child : Children(node)) {
        const Node& c = nodes_[static_cast<size_t>(child)];
        TVITEMW treeItem{};
        treeItem.mask = TVIF_IMAGE;
        treeItem.hItem = c.item;
        TreeView_GetItem(tree_, &treeItem);
        const std::wstring text = Widen(c.caption);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = row++;
        item.pszText = const_cast<wchar_t*>(text.c_str());
        item.iImage = treeItem.iImage;
        item.lParam = child;
        ListView_InsertItem(list, &item);
    }
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void TCfgForm::TreeChange()
{
    const int node = SelectedNode();
    if (node < 0)
        return;
    const Node& selected = nodes_[static_cast<size_t>(node)];
    ConfigPage& page = PageOf(selected.kind);
    if (selected.kind == NodeKind::User) {
        userPage_.SetTitleLook(titleFont_.Get(), IsCurrentUser(selected.caption) ? currentUserIcon_ : otherUserIcon_);
        userPage_.SetTitle(L"Settings for user \"" + Widen(selected.caption) + L"\"");
        userPage_.ShowUser(static_cast<size_t>(selected.userIndex));
    } else if (selected.kind == NodeKind::Statistics) {
        statisticsPage_.ShowStatistics();
    } else if (HasChildren(selected.kind)) {
        FillList(node);
    }
    if (shownPage_ != &page) {
        if (shownPage_)
            ShowWindow(shownPage_->Handle(), SW_HIDE);
        ShowWindow(page.Handle(), SW_SHOW);
        shownPage_ = &page;
    }
    previousNode_ = node;
    UpdateTreeActions();
    std::vector<std::string> childCaptions;
    for (const int child : Children(node))
        childCaptions.push_back(nodes_[static_cast<size_t>(child)].caption);
    ShowStatus(NodeStatusText(selected.kind, selected.caption, childCaptions, page.Title()));
}

void TCfgForm::LoadSettings()
{
    for (const std::string& problem : model_.Load(context_.registry))
        context_.errors.ReportError(problem);
    windows_.Load(model_);
    appearancePage_.Fill();
    systemPage_.Fill();
    statisticsPage_.Fill();
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
    const int node = SelectedNode();
    TreeFocusState state;
    if (node >= 0) {
        const Node& n = nodes_[static_cast<size_t>(node)];
        state.treeFocused = GetFocus() == tree_;
        state.hasChildren = HasChildren(n.kind);
        state.expanded = (TreeView_GetItemState(tree_, n.item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
        state.hasParent = n.parent >= 0;
    }
    state.listFocused = shownPage_ == &rootPage_ && GetFocus() == rootPage_.List();
    state.listItemSelected = ListView_GetNextItem(rootPage_.List(), -1, LVNI_SELECTED) >= 0;
    const TreeActionState actions = TreeActions(state);
    SetActionEnabled(ID_DO_EXPAND, actions.expand);
    SetActionEnabled(ID_DO_COLLAPSE, actions.collapse);
    SetActionEnabled(ID_DO_BACK, actions.back);
    SetActionEnabled(ID_DO_OPEN, actions.open);
}

bool TCfgForm::PasswordPairsConfirmed()
{
    return !shownPage_ || shownPage_->PasswordsConfirmed();
}

bool TCfgForm::NoTimeSchedulesAccepted()
{
    if (!model_.Changed())
        return true;
    const std::vector<std::string> users = UsersLockedOutBySchedule(model_.Users(), context_.timeFormats);
    if (users.empty())
        return true;
    std::wstring names;
    for (const std::string& user : users)
        names += (names.empty() ? L"\"" : L", \"") + Widen(user) + L"\"";
    const std::wstring question = L"The time schedule of " + std::wstring(users.size() > 1 ? L"users " : L"user ") +
                                  names + L" allows no time at all, and access is restricted by it: the computer " +
                                  L"will be locked for them at any time.\n\nApply the settings anyway?";
    return MessageBoxW(Handle(), question.c_str(), L"Confirm", MB_YESNO | MB_ICONQUESTION) == IDYES;
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
    // The password fields show the mark of a kept password again, not what was typed.
    systemPage_.Fill();
    if (shownPage_ == &userPage_)
        userPage_.ShowUser(static_cast<size_t>(nodes_[static_cast<size_t>(SelectedNode())].userIndex));
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
    if (!model_.Changed() || MessageBoxW(Handle(), L"Discard all changes that you made?", L"Confirm",
                                         MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    LoadSettings();
    previousNode_ = -1;  // the page shown is refilled from the store, not kept
    TreeChange();
    model_.ClearChanged();
    UpdateApplyState();
}

bool TCfgForm::CloseQuery()
{
    if (!model_.Changed())
        return true;
    switch (MessageBoxW(Handle(), L"Apply vardex settings to Windows?", L"Confirm", MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES: return SaveWithReport();
    case IDNO: return true;
    default: return false;
    }
}

void TCfgForm::DoExpandExecute(bool expand)
{
    const int node = SelectedNode();
    if (node >= 0)
        TreeView_Expand(tree_, nodes_[static_cast<size_t>(node)].item, expand ? TVE_EXPAND : TVE_COLLAPSE);
    UpdateTreeActions();
}

void TCfgForm::DoBackExecute()
{
    const int node = SelectedNode();
    if (node >= 0)
        SelectNode(nodes_[static_cast<size_t>(node)].parent);
}

void TCfgForm::DoOpenExecute()
{
    HWND list = rootPage_.List();
    const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (row < 0)
        return;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    ListView_GetItem(list, &item);
    SelectNode(static_cast<int>(item.lParam));
}

void TCfgForm::ShowPopup(int menuId, POINT where)
{
    HMENU menu = GetSubMenu(menuId == IDR_TREE_MENU ? treeMenu_.Get() : listMenu_.Get(), 0);
    const int command = static_cast<int>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, where.x, where.y, 0, Handle(), nullptr));
    if (command)
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
        POINT where;
        GetCursorPos(&where);
        UpdateTreeActions();
        ShowPopup(IDR_LIST_MENU, where);
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
        for (size_t i = 0; i < nodes_.size(); ++i)
            if (nodes_[i].userIndex == id - ID_SELECT_USER_FIRST)
                SelectNode(static_cast<int>(i));
        return true;
    }
    const auto selectKind = [this](NodeKind kind) {
        for (size_t i = 0; i < nodes_.size(); ++i)
            if (nodes_[i].kind == kind)
                SelectNode(static_cast<int>(i));
    };
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
    case ID_DO_HOME: ShowHelpTopic(Handle(), kHelpTopicHomePage); return true;
    case ID_DO_PRODUCTS: ShowHelpTopic(Handle(), kHelpTopicOtherProducts); return true;
    case ID_DO_CONTACT: ShowHelpTopic(Handle(), kHelpTopicContact); return true;
    case ID_DO_CONTENTS: ShowHelpContents(Handle()); return true;
    case ID_HELP_WINDOW: ShowHelpTopic(Handle(), kHelpTopicConfiguration); return true;
    case ID_DO_ABOUT: ShowAboutBox(context_.pump, Handle()); return true;
    case ID_SELECT_SETTINGS: selectKind(NodeKind::Settings); return true;
    case ID_SELECT_APPEARANCE: selectKind(NodeKind::Appearance); return true;
    case ID_SELECT_STATISTICS: selectKind(NodeKind::Statistics); return true;
    case ID_DO_CLEAR_LOG: statisticsPage_.ClearSelectedLog(); return true;
    case IDOK:  // Enter: opens the list's item or edits the schedule's period
        if (GetFocus() == rootPage_.List())
            DoOpenExecute();
        else if (GetFocus() == userPage_.ScheduleView())
            userPage_.EnterOnSchedule();
        return true;
    case IDCANCEL:  // the close box (Esc closes nothing: PreTranslate)
        if (CloseQuery())
            Close(IDOK);
        return true;
    default: return false;
    }
}

bool TCfgForm::OnNotify(const NMHDR& header, LRESULT& result)
{
    if (header.code == TTN_GETDISPINFOW) {
        auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
        for (const ToolButton& b : kToolButtons)
            if (b.command && static_cast<UINT_PTR>(b.command) == header.idFrom)
                info.lpszText = const_cast<wchar_t*>(b.hint);
        return true;
    }
    if (header.hwndFrom != tree_)
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
        TVHITTESTINFO hit{};
        GetCursorPos(&hit.pt);
        const POINT screen = hit.pt;
        ScreenToClient(tree_, &hit.pt);
        if (HTREEITEM item = TreeView_HitTest(tree_, &hit)) {
            TreeView_SelectItem(tree_, item);
            SetFocus(tree_);
        }
        ShowPopup(IDR_TREE_MENU, screen);
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
        systemPage_.CheckHotKeyChange();
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
        SetActionEnabled(ID_DO_CLEAR_LOG, shownPage_ == &statisticsPage_ && statisticsPage_.UserSelected());
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
