#include "StatisticsPage_win.h"

#include "StatisticsLogs.h"
#include "common/Controls_win.h"
#include "common/Errors.h"
#include "common/TextConvert_win.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace vardex {

namespace {
// More than a screen of lines, so that the next batch waits until the administrator scrolls.
constexpr size_t kLinesPerBatch = 200;
// Asks the page to look for logs whose last line shown is in view, once the tree has drawn.
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
                               std::string programDirectory, std::function<bool(const std::string&)> isCurrentUser,
                               ErrorSink& errors)
    : ConfigPage(model, std::move(onChange)), files_(files), programDirectory_(std::move(programDirectory)),
      isCurrentUser_(std::move(isCurrentUser)), errors_(errors)
{
}

void StatisticsPage::Fill()
{
    SetChecked(Handle(), IDC_ENABLE_STATISTICS, std::get<bool>(model_.Global(SettingNames::StatisticsEnabled)));
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
    const std::vector<std::string> users = StatisticsUsers(files_, programDirectory_);
    if (users.empty())
        return;
    const HTREEITEM root = Insert(TVI_ROOT, TVI_LAST, L"User Statistics", images_.root, -1);
    HTREEITEM previous = TVI_FIRST;
    for (const std::string& user : users) {
        UserLog log;
        NewestLines newest;
        try {
            newest = ReadNewestLines(files_, programDirectory_ + user + ".log", kViewedLogBytes);
        } catch (const Error& error) {
            // Shown without lines; the other logs are still shown.
            errors_.ReportError("Cannot read the statistics of user \"" + user + "\": " + error.what());
        }
        log.unread = LineCursor(std::move(newest.bytes));
        const int image = isCurrentUser_(user) ? images_.currentUser : images_.otherUser;
        previous = log.node = Insert(root, previous, Widen(user).c_str(), image, -1);
        if (newest.olderLeftOut)
            log.lastLine = Insert(log.node, TVI_FIRST, kOlderLinesNote, images_.line, -1);
        logs_.push_back(std::move(log));
    }
    TreeView_Expand(tree, root, TVE_EXPAND);
    for (size_t i = 0; i < logs_.size(); ++i) {
        InsertMoreLines(i);
        TreeView_Expand(tree, logs_[i].node, TVE_EXPAND);
    }
}

void StatisticsPage::InsertMoreLines(size_t logIndex)
{
    UserLog& log = logs_[logIndex];
    // Each line goes right after the one before it, a constant cost (appending at the end of a
    // long list of siblings is not); its text is asked for only when it is needed.
    for (size_t count = 0; count < kLinesPerBatch && !log.unread.AtEnd(); ++count) {
        log.lines.push_back(log.unread.Next());
        log.lastLine = Insert(log.node, log.lastLine ? log.lastLine : TVI_FIRST, LPSTR_TEXTCALLBACKW, images_.line,
                              LineData(logIndex, log.lines.size() - 1));
    }
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
        if (!logs_[i].unread.AtEnd() && logs_[i].lastLine && InView(logs_[i].lastLine))
            due.push_back(i);
    if (due.empty())
        return;
    // With its redrawing on, the tree works out its whole visible order again at every insert.
    const RedrawPause pause(Tree());
    for (const size_t i : due)
        InsertMoreLines(i);
}

bool StatisticsPage::OnCommand(int id, int, HWND)
{
    if (id != IDC_ENABLE_STATISTICS)
        return false;
    model_.SetGlobal(SettingNames::StatisticsEnabled, IsChecked(Handle(), id));
    DataChange();
    return true;
}

bool StatisticsPage::OnNotify(const NMHDR& header, LRESULT&)
{
    if (header.idFrom != IDC_STAT_TREE || header.code != TVN_GETDISPINFOW)
        return false;
    FillText(const_cast<NMTVDISPINFOW&>(reinterpret_cast<const NMTVDISPINFOW&>(header)));
    return true;
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
    // The tree asks for the last line shown (to draw or to measure it): whether it is in view is
    // looked at once the tree is done.
    if (lineIndex + 1 == log.lines.size() && !log.unread.AtEnd() && !followAsked_) {
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
