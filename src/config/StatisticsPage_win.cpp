#include "StatisticsPage_win.h"

#include "Settings.h"
#include "UsageHistory.h"
#include "rules/Grants.h"
#include "win/Controls_win.h"
#include "common/Errors.h"
#include "common/Texts.h"
#include "common/RegValues.h"
#include "win/TextConvert_win.h"
#include "resource_ids.h"

#include <commdlg.h>

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

LPARAM LineData(size_t log, size_t line) noexcept
{
    return static_cast<LPARAM>((static_cast<unsigned long long>(log) << kLineShift) | line);
}

std::int32_t Today() noexcept
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return DayNumber(now.wYear, now.wMonth, now.wDay);
}

// The file's bytes; none when there is no such file.
std::string BytesOf(FileSystem& files, const std::string& path)
{
    return files.Exists(path) ? ReadAll(files, path) : std::string();
}

// Writes every file whole: each to a temporary name first, then all moved to their names, so
// that a failure leaves no file half-written. IoError when one cannot be written or moved.
void WriteWhole(FileSystem& files, const std::vector<std::pair<std::string, std::string>>& outputs)
{
    std::vector<std::string> written;
    const auto removeWritten = [&written] {
        for (const std::string& temporary : written)
            DeleteFileW(Widen(temporary).c_str());
    };
    try {
        for (const auto& [path, bytes] : outputs) {
            files.Replace(path + ".tmp", bytes);
            written.push_back(path + ".tmp");
        }
    } catch (const IoError&) {
        removeWritten();
        throw;
    }
    for (size_t i = 0; i < outputs.size(); ++i) {
        if (!MoveFileExW(Widen(written[i]).c_str(), Widen(outputs[i].first).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            const DWORD error = GetLastError();
            written.erase(written.begin(), written.begin() + static_cast<std::ptrdiff_t>(i));
            removeWritten();
            throw IoError(error);
        }
    }
}
}  // namespace

StatisticsPage::StatisticsPage(ConfigModel& model, std::function<void()> onChange, FileSystem& files,
                               SystemFacts& system, Registry& registry, int firstWeekday, std::string programDirectory,
                               std::function<bool(const std::string&)> isCurrentUser,
                               std::function<void(const std::string&)> clearLog, ErrorSink& errors)
    : ConfigPage(model, std::move(onChange)), files_(files), system_(system), registry_(registry),
      firstWeekday_(firstWeekday), programDirectory_(std::move(programDirectory)),
      isCurrentUser_(std::move(isCurrentUser)), clearLog_(std::move(clearLog)), errors_(errors)
{
}

bool StatisticsPage::OnInitDialog()
{
    chart_.SpeakIn(Words());
    chart_.Replace(Item(IDC_USAGE_CHART));
    return true;
}

void StatisticsPage::Fill()
{
    SetChecked(Handle(), IDC_ENABLE_STATISTICS, std::get<bool>(model_.Global(SettingNames::StatisticsEnabled)));
}

void StatisticsPage::ChangeLook(const PageLook& look)
{
    ConfigPage::ChangeLook(look);
    chart_.SetFont(reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0)));
    SetImages({look.smallNodeImages, look.ImageOf(IDI_NODE_STATISTICS), look.ImageOf(IDI_NODE_CURRENT_USER),
               look.ImageOf(IDI_NODE_OTHER_USER), look.ImageOf(IDI_NODE_LOG_LINE), look.ImageOf(IDI_NODE_GRANT_LINE)});
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

void StatisticsPage::ShowUsage()
{
    const std::optional<size_t> index = SelectedLog();
    // Moving among a user's lines keeps the user's chart.
    std::optional<std::string> user = index ? std::optional<std::string>(logs_[*index].user) : std::nullopt;
    if (chartFresh_ && user == chartedUser_)
        return;
    chartedUser_ = std::move(user);
    chartFresh_ = true;
    const std::int32_t today = Today();
    chart_.Show(index ? UsageOf(logs_[*index].user, today) : std::vector<UsageDay>{}, today);
    const std::string figures = index ? chart_.FiguresText() : Words().Get(TextId::StatisticsSelectUser);
    SetDlgItemTextW(Handle(), IDC_USAGE_FIGURES, Widen(figures).c_str());
}

std::vector<UsageDay> StatisticsPage::UsageOf(const std::string& user, std::int32_t today)
{
    std::vector<UsageDay> days;
    try {
        days = ReadUsageHistory(BytesOf(files_, UsageHistoryPath(programDirectory_, user)));
    } catch (const Error& error) {
        errors_.ReportError(EnglishMessage(TextId::MessageHistoryNotRead, {user, error.what()}));
    }
    // A day's line is written once the day is over: today is the live count of the settings.
    try {
        const auto key = registry_.Open(RootKey::LocalMachine, kSettingsKeyPath, KeyAccess::Read, false);
        if (key && ReadIntegerValue(*key, user + SettingNames::CounterDay) == today) {
            const auto used = static_cast<std::uint32_t>(std::max(0, ReadIntegerValue(*key, user + SettingNames::UsedSeconds).value_or(0)));
            UsageDay live{today, used / 60, AllowedMinutes(registry_, user, programDirectory_, firstWeekday_, today), 0, false};
            live.expired = live.minutesAllowed && used >= *live.minutesAllowed * 60;
            const std::optional<std::string> grantText = ReadTextValue(*key, user + SettingNames::Grant);
            if (const std::optional<DayGrant> grant = grantText ? ParseDayGrant(*grantText) : std::nullopt;
                grant && grant->day == today)
                live.minutesGranted = static_cast<std::uint32_t>((grant->seconds + 30) / 60);
            days.push_back(live);
        }
    } catch (const std::exception&) {
        // Today shows as not counted yet.
    }
    return days;
}

std::vector<UserStatistics> StatisticsPage::StatisticsToExport()
{
    std::vector<UserStatistics> users;
    const std::optional<size_t> index = SelectedLog();
    for (size_t i = 0; i < logs_.size(); ++i) {
        if (index && *index != i)
            continue;
        const std::string& user = logs_[i].user;
        users.push_back({user, BytesOf(files_, StatisticsLogPath(programDirectory_, user)),
                         ReadUsageHistory(BytesOf(files_, UsageHistoryPath(programDirectory_, user)))});
    }
    return users;
}

void StatisticsPage::ExportStatistics()
{
    wchar_t file[MAX_PATH] = L"";
    lstrcpynW(file, Widen(Words().Get(TextId::StatisticsExportFile)).c_str(), MAX_PATH);
    const std::wstring filter = FileFilter({{Words().Get(TextId::StatisticsCsvFiles), "*.csv"},
                                            {Words().Get(TextId::StatisticsAllFiles), "*.*"}});
    const std::wstring title = Widen(Words().Get(TextId::StatisticsExportTitle));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = GetAncestor(Handle(), GA_ROOT);
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = L"csv";
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameW(&dialog))
        return;
    const std::string path = Narrow(file);
    try {
        const std::vector<UserStatistics> users = StatisticsToExport();
        WriteWhole(files_, {{path, UnlockLogCsv(users)}, {UsageExportPath(path), UsageCsv(users)}});
    } catch (const std::runtime_error& error) {
        errors_.ReportError(EnglishMessage(TextId::MessageNotExported, {path, error.what()}));
    }
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
    const std::vector<std::string> users = UsersWithStatistics(files_, system_, programDirectory_);
    chartFresh_ = false;
    ShowUsage();
    if (users.empty())
        return;
    const HTREEITEM root = Insert(TVI_ROOT, TVI_LAST, Widen(Words().Get(TextId::StatisticsRoot)).c_str(), images_.root, -1);
    HTREEITEM previous = TVI_FIRST;
    for (const std::string& user : users) {
        UserLog log;
        log.user = user;
        NewestLines newest;
        try {
            if (const std::string path = StatisticsLogPath(programDirectory_, user); files_.Exists(path))
                newest = ReadNewestLines(files_, path, kViewedLogBytes);
        } catch (const Error& error) {
            // Shown without lines; the other logs are still shown.
            errors_.ReportError(EnglishMessage(TextId::MessageStatisticsNotRead, {user, error.what()}));
        }
        log.unread = NewestFirstLines(std::move(newest.bytes));
        const int image = isCurrentUser_(user) ? images_.currentUser : images_.otherUser;
        previous = log.node = Insert(root, previous, Widen(user).c_str(), image, -1);
        if (newest.olderLeftOut)
            log.note = Insert(log.node, TVI_FIRST, Widen(Words().Get(TextId::StatisticsOlderNotShown)).c_str(), images_.line, -1);
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
        const std::optional<StatisticsEntry> entry = ParseStatisticsLogLine(log.lines.back());
        const int image = entry && entry->granted ? images_.grantLine : images_.line;
        log.oldestLine = Insert(log.node, log.note ? log.note : TVI_FIRST, LPSTR_TEXTCALLBACKW, image,
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
    if (Confirm(Words().Format(TextId::StatisticsClearQuestion, {log.user}), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    try {
        clearLog_(log.user);
    } catch (const std::runtime_error& error) {
        errors_.ReportError(EnglishMessage(TextId::MessageStatisticsLogNotCleared, {log.user, error.what()}));
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
    HTREEITEM item = TreeItemAt(Tree(), pointer.client);
    if (!item)
        return;
    TreeView_SelectItem(Tree(), item);
    if (!menu_)
        menu_.Reset(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_STATISTICS_MENU)));
    HMENU popup = GetSubMenu(menu_.Get(), 0);
    // On the root, the export is everyone's and there is no one log to clear.
    EnableMenuItem(popup, ID_DO_CLEAR_LOG, static_cast<UINT>(MF_BYCOMMAND | (SelectedLog() ? MF_ENABLED : MF_GRAYED)));
    switch (PopupMenuAt(popup, pointer.screen, Handle())) {
    case ID_DO_CLEAR_LOG: ClearSelectedLog(); break;
    case ID_DO_EXPORT_STATISTICS: ExportStatistics(); break;
    default: break;
    }
}

bool StatisticsPage::OnCommand(int id, int code, HWND)
{
    if (id == IDC_EXPORT_STATISTICS) {
        if (code == BN_CLICKED)
            ExportStatistics();
        return true;
    }
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
    case TVN_SELCHANGEDW: ShowUsage(); return true;
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
