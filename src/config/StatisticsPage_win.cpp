#include "StatisticsPage_win.h"

#include "win/Controls_win.h"
#include "common/Errors.h"
#include "win/TextConvert_win.h"
#include "resource_ids.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace vardex {

namespace {
// More than a screen of lines, so that the next batch waits until the administrator scrolls.
constexpr size_t kLinesPerBatch = 200;
// Asks the page to look for logs whose oldest line shown is in view, once the tree has drawn.
constexpr UINT kFollowScrollMessage = WM_APP + 1;
// A line node's data: the log's index in the high half, the line's in the low.
constexpr int kLineShift = 32;
// The most of a log that is read: its newest 4 MiB, some 110,000 lines. A log kept under its cap
// is read whole; one written before the cap or grown otherwise costs the window a fraction of a
// second and a few megabytes, whatever its size.
constexpr size_t kViewedLogBytes = 4 << 20;
constexpr const wchar_t* kOlderLinesNote = L"Older entries are not shown.";

LPARAM LineData(size_t log, size_t line) noexcept
{
    return static_cast<LPARAM>((static_cast<unsigned long long>(log) << kLineShift) | line);
}
}  // namespace

StatisticsPage::StatisticsPage(ConfigModel& model, std::function<void()> onChange, FileSystem& files,
                               SystemFacts& system, std::string programDirectory,
                               std::function<bool(const std::string&)> isCurrentUser,
                               std::function<void(const std::string&)> clearLog, ErrorSink& errors)
    : ConfigPage(model, std::move(onChange)), files_(files), system_(system), programDirectory_(std::move(programDirectory)),
      isCurrentUser_(std::move(isCurrentUser)), clearLog_(std::move(clearLog)), errors_(errors)
{
}

void StatisticsPage::Fill()
{
    SetChecked(Handle(), IDC_ENABLE_STATISTICS, std::get<bool>(model_.Global(SettingNames::StatisticsEnabled)));
}

void StatisticsPage::ChangeLook(const PageLook& look)
{
    ConfigPage::ChangeLook(look);
    SetImages({look.smallNodeImages, look.ImageOf(IDI_NODE_STATISTICS), look.ImageOf(IDI_NODE_CURRENT_USER),
               look.ImageOf(IDI_NODE_OTHER_USER), look.ImageOf(IDI_NODE_LOG_LINE)});
}

void StatisticsPage::ShowFor(const NavigationNodes&, int)
{
    ShowStatistics();
}

bool StatisticsPage::OnWindowCommand(int id)
{
    if (id != ID_DO_CLEAR_LOG)
        return false;
    ClearSelectedLog();
    return true;
}

bool StatisticsPage::WindowCommandEnabled(int id) const
{
    return id == ID_DO_CLEAR_LOG && SelectedLog().has_value();
}

void StatisticsPage::SetImages(const StatisticsImages& images)
{
    images_ = images;
    TreeView_SetImageList(Tree(), images_.list, TVSIL_NORMAL);
}

HTREEITEM StatisticsPage::Insert(HTREEITEM parent, HTREEITEM after, const wchar_t* text, int image, LPARAM data)
{
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(text);
    insert.item.iImage = insert.item.iSelectedImage = image;
    insert.item.lParam = data;
    return TreeView_InsertItem(Tree(), &insert);
}

void StatisticsPage::ShowStatistics()
{
    HWND tree = Tree();
    const RedrawPause pause(tree);
    logs_.clear();
    TreeView_DeleteAllItems(tree);
    const std::vector<std::string> users = StatisticsUsers(files_, system_, programDirectory_);
    if (users.empty())
        return;
    const HTREEITEM root = Insert(TVI_ROOT, TVI_LAST, L"User Statistics", images_.root, -1);
    HTREEITEM previous = TVI_FIRST;
    for (const std::string& user : users) {
        UserLog log;
        log.user = user;
        NewestLines newest;
        try {
            newest = ReadNewestLines(files_, StatisticsLogPath(programDirectory_, user), kViewedLogBytes);
        } catch (const Error& error) {
            // Shown without lines; the other logs are still shown.
            errors_.ReportError("Cannot read the statistics of user \"" + user + "\": " + error.what());
        }
        log.unread = NewestFirstLines(std::move(newest.bytes));
        const int image = isCurrentUser_(user) ? images_.currentUser : images_.otherUser;
        previous = log.node = Insert(root, previous, Widen(user).c_str(), image, -1);
        if (newest.olderLeftOut)
            log.note = Insert(log.node, TVI_FIRST, kOlderLinesNote, images_.line, -1);
        logs_.push_back(std::move(log));
    }
    TreeView_Expand(tree, root, TVE_EXPAND);
    for (size_t i = 0; i < logs_.size(); ++i)
        InsertOlderLines(i);
}

size_t StatisticsPage::InsertOlderLines(size_t logIndex)
{
    UserLog& log = logs_[logIndex];
    // Each line goes right below the note (or first), above the ones inserted before it: a constant
    // cost (appending at the end of a long list of siblings is not); its text is asked for only
    // when it is needed.
    size_t count = 0;
    for (; count < kLinesPerBatch && !log.unread.AtStart(); ++count) {
        log.lines.push_back(log.unread.Previous());
        log.oldestLine = Insert(log.node, log.note ? log.note : TVI_FIRST, LPSTR_TEXTCALLBACKW, images_.line,
                                LineData(logIndex, log.lines.size() - 1));
        if (!log.newestLine)
            log.newestLine = log.oldestLine;
    }
    return count;
}

bool StatisticsPage::InView(HTREEITEM item) const
{
    RECT itemArea{}, client, common;
    GetClientRect(Tree(), &client);
    std::memcpy(&itemArea, &item, sizeof item);  // the message takes the item in the rectangle
    return SendMessageW(Tree(), TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&itemArea)) &&
           IntersectRect(&common, &itemArea, &client);
}

void StatisticsPage::FollowScroll()
{
    followAsked_ = false;
    std::vector<size_t> due;
    for (size_t i = 0; i < logs_.size(); ++i)
        if (!logs_[i].unread.AtStart() && logs_[i].oldestLine && InView(logs_[i].oldestLine))
            due.push_back(i);
    if (due.empty())
        return;
    // With its redrawing on, the tree works out its whole visible order again at every insert.
    HWND tree = Tree();
    const RedrawPause pause(tree);
    for (const size_t i : due) {
        // The lines in view stay where they are: when the batch goes in below the top of the view,
        // the view moves down with them. Otherwise, at the top of the tree, the new oldest line
        // would be in view again, and the next batch would follow at once.
        HTREEITEM top = TreeView_GetFirstVisible(tree);
        const bool belowTop = top != logs_[i].oldestLine;
        const size_t inserted = InsertOlderLines(i);
        if (!belowTop)
            continue;
        for (size_t row = 0; row < inserted && top; ++row)
            top = TreeView_GetNextVisible(tree, top);
        if (top)
            TreeView_SelectSetFirstVisible(tree, top);
    }
}

std::optional<size_t> StatisticsPage::SelectedLog() const
{
    for (HTREEITEM item = TreeView_GetSelection(Tree()); item; item = TreeView_GetParent(Tree(), item))
        for (size_t i = 0; i < logs_.size(); ++i)
            if (logs_[i].node == item)
                return i;
    return std::nullopt;
}

void StatisticsPage::ClearSelectedLog()
{
    const std::optional<size_t> index = SelectedLog();
    if (!index)
        return;
    UserLog& log = logs_[*index];
    const std::wstring question =
        L"Clear the statistics log of user \"" + Widen(log.user) + L"\"? Its entries cannot be brought back.";
    if (MessageBoxW(GetAncestor(Handle(), GA_ROOT), question.c_str(), L"Confirm", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    try {
        clearLog_(log.user);
    } catch (const std::runtime_error& error) {
        errors_.ReportError("The statistics log of user \"" + log.user + "\" was not cleared: " + error.what());
        return;
    }
    const RedrawPause pause(Tree());
    while (HTREEITEM line = TreeView_GetChild(Tree(), log.node))
        TreeView_DeleteItem(Tree(), line);
    UserLog cleared;
    cleared.user = std::move(log.user);
    cleared.node = log.node;
    log = std::move(cleared);
}

void StatisticsPage::ShowPopup()
{
    // The popup acts on the node under the pointer: it is selected first.
    const PointerPlace pointer = PointerOver(Tree());
    if (HTREEITEM item = TreeItemAt(Tree(), pointer.client))
        TreeView_SelectItem(Tree(), item);
    if (!SelectedLog())
        return;
    if (!menu_)
        menu_.Reset(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_STATISTICS_MENU)));
    if (PopupMenuAt(GetSubMenu(menu_.Get(), 0), pointer.screen, Handle()) == ID_DO_CLEAR_LOG)
        ClearSelectedLog();
}

bool StatisticsPage::OnCommand(int id, int, HWND)
{
    if (id != IDC_ENABLE_STATISTICS)
        return false;
    model_.SetGlobal(SettingNames::StatisticsEnabled, IsChecked(Handle(), id));
    DataChange();
    return true;
}

bool StatisticsPage::OnNotify(const NMHDR& header, LRESULT& result)
{
    if (header.idFrom != IDC_STAT_TREE)
        return false;
    switch (header.code) {
    case TVN_GETDISPINFOW: FillText(const_cast<NMTVDISPINFOW&>(reinterpret_cast<const NMTVDISPINFOW&>(header))); return true;
    case TVN_ITEMEXPANDEDW: {
        // A user's node opens on the newest lines.
        const auto& expanded = reinterpret_cast<const NMTREEVIEWW&>(header);
        if (expanded.action & TVE_EXPAND)
            for (const UserLog& log : logs_)
                if (log.node == expanded.itemNew.hItem && log.newestLine)
                    TreeView_EnsureVisible(Tree(), log.newestLine);
        return true;
    }
    case NM_RCLICK:
        ShowPopup();
        result = TRUE;
        return true;
    default: return false;
    }
}

void StatisticsPage::FillText(NMTVDISPINFOW& info)
{
    if (!(info.item.mask & TVIF_TEXT) || info.item.cchTextMax <= 0 || info.item.lParam < 0)
        return;
    const auto data = static_cast<unsigned long long>(info.item.lParam);
    const size_t logIndex = data >> kLineShift, lineIndex = data & 0xFFFFFFFFu;
    if (logIndex >= logs_.size() || lineIndex >= logs_[logIndex].lines.size())
        return;
    UserLog& log = logs_[logIndex];
    // The tree asks for the oldest line shown (to draw or to measure it): whether it is in view is
    // looked at once the tree is done.
    if (lineIndex + 1 == log.lines.size() && !log.unread.AtStart() && !followAsked_) {
        followAsked_ = true;
        PostMessageW(Handle(), kFollowScrollMessage, 0, 0);
    }
    std::wstring text = FromAnsi(log.lines[lineIndex]);
    // Bytes that are not text are shown as such instead of cutting the line (a NUL) or moving it.
    std::replace_if(text.begin(), text.end(), [](wchar_t c) { return c < L' '; }, L'\xFFFD');
    const size_t length = std::min(text.size(), static_cast<size_t>(info.item.cchTextMax - 1));
    std::wmemcpy(info.item.pszText, text.data(), length);
    info.item.pszText[length] = L'\0';
}

bool StatisticsPage::HandleMessage(UINT message, WPARAM, LPARAM, INT_PTR& result)
{
    if (message != kFollowScrollMessage)
        return false;
    FollowScroll();
    result = 0;
    return true;
}

}  // namespace vardex
