#include "StatisticsPage_win.h"

#include "StatisticsLogs.h"
#include "common/Controls_win.h"
#include "common/Errors.h"
#include "common/TextConvert_win.h"

#include <algorithm>
#include <cwchar>

namespace vardex {

namespace {
constexpr UINT_PTR kBatchTimer = 1;
// The first batch fills the first screen; later ones leave the window free between them.
constexpr unsigned kFirstBatchMs = 60, kLaterBatchMs = 25;
constexpr UINT kBatchIntervalMs = 10;
// A line node's data: the log's index in the high half, the line's in the low.
constexpr int kLineShift = 32;

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
    KillTimer(Handle(), kBatchTimer);
    const RedrawPause pause(tree);
    logs_.clear();
    next_ = 0;
    TreeView_DeleteAllItems(tree);
    const std::vector<std::string> users = StatisticsUsers(files_, programDirectory_);
    if (users.empty())
        return;
    const HTREEITEM root = Insert(TVI_ROOT, TVI_LAST, L"User Statistics", images_.root, -1);
    HTREEITEM previous = TVI_FIRST;
    for (const std::string& user : users) {
        UserLog log;
        try {
            log.lines = ReadLines(files_, programDirectory_ + user + ".log");
        } catch (const Error& error) {
            // Shown without lines; the other logs are still shown.
            errors_.ReportError("Cannot read the statistics of user \"" + user + "\": " + error.what());
        }
        const int image = isCurrentUser_(user) ? images_.currentUser : images_.otherUser;
        previous = log.node = Insert(root, previous, Widen(user).c_str(), image, -1);
        logs_.push_back(std::move(log));
    }
    TreeView_Expand(tree, root, TVE_EXPAND);
    InsertLines(kFirstBatchMs);
    if (Filling())
        SetTimer(Handle(), kBatchTimer, kBatchIntervalMs, nullptr);
}

bool StatisticsPage::InsertLines(unsigned budgetMs)
{
    HWND tree = Tree();
    const ULONGLONG end = GetTickCount64() + budgetMs;
    // Each line goes right after the one before it (a constant cost, unlike appending at the
    // end of a long list of siblings); its text is asked for only when it is drawn.
    for (unsigned count = 0; next_ < logs_.size(); ++count) {
        UserLog& log = logs_[next_];
        if (log.shown == log.lines.size()) {
            ++next_;
            continue;
        }
        if (count % 256 == 0 && GetTickCount64() >= end)
            return true;
        log.lastLine = Insert(log.node, log.lastLine ? log.lastLine : TVI_FIRST, LPSTR_TEXTCALLBACKW, images_.line,
                              LineData(next_, log.shown));
        if (log.shown++ == 0)
            TreeView_Expand(tree, log.node, TVE_EXPAND);
    }
    return false;
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
    auto& info = const_cast<NMTVDISPINFOW&>(reinterpret_cast<const NMTVDISPINFOW&>(header));
    if (!(info.item.mask & TVIF_TEXT) || info.item.cchTextMax <= 0 || info.item.lParam < 0)
        return true;
    const auto data = static_cast<unsigned long long>(info.item.lParam);
    const size_t logIndex = data >> kLineShift, lineIndex = data & 0xFFFFFFFFu;
    if (logIndex >= logs_.size() || lineIndex >= logs_[logIndex].lines.size())
        return true;
    const std::wstring text = FromAnsi(logs_[logIndex].lines[lineIndex]);
    const size_t length = std::min(text.size(), static_cast<size_t>(info.item.cchTextMax - 1));
    std::wmemcpy(info.item.pszText, text.data(), length);
    info.item.pszText[length] = L'\0';
    return true;
}

bool StatisticsPage::HandleMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result)
{
    if (message != WM_TIMER || wParam != kBatchTimer)
        return false;
    if (!InsertLines(kLaterBatchMs))
        KillTimer(Handle(), kBatchTimer);
    result = 0;
    return true;
}

}  // namespace vardex
