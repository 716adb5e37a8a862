#pragma once
// "Vardex statistics": the lock service's per-user logs as a tree (a node per user, a node per
// line, oldest above) and the switch that keeps them. Only the newest part of a log is read, from
// a line's start on; when older lines are left out, a note says so above the user's lines. A
// user's node opens on its newest lines; older ones reach the tree in batches as the
// administrator scrolls up to them: the next batch comes when the oldest line shown comes into
// view. What the tree holds, and so the cost of showing and of clearing it, depends on how far
// the administrator has read, not on the size of the logs. A user's log can be cleared.
//
// Below the tree, a chart of the selected user's last 30 days (from the usage history, today from
// the live count) and its figures; Export writes the selected user's log and usage history, or
// everyone's from the root, to CSV files the administrator names.
#include "ConfigPage_win.h"
#include "CsvExport.h"
#include "StatisticsLogs.h"
#include "UsageChart_win.h"
#include "common/Files.h"
#include "common/Registry.h"
#include "common/Reports.h"
#include "common/SystemFacts.h"

#include <optional>
#include <string>
#include <vector>

namespace vardex {

// The tree's pictures: an image list and the index of each kind of node in it.
struct StatisticsImages {
    HIMAGELIST list = nullptr;
    int root = 0, currentUser = 0, otherUser = 0, line = 0, grantLine = 0;
};

class StatisticsPage final : public ConfigPage {
public:
    // isCurrentUser tells whether a log's user key is the user of this session; clearLog empties a
    // user's log (and throws when it cannot).
    // registry holds today's live count of each user, judged with the week from firstWeekday.
    StatisticsPage(ConfigModel& model, std::function<void()> onChange, FileSystem& files, SystemFacts& system,
                   Registry& registry, int firstWeekday, std::string programDirectory,
                   std::function<bool(const std::string&)> isCurrentUser,
                   std::function<void(const std::string&)> clearLog, ErrorSink& errors);
    void Fill() override;
    // Reads the logs again and rebuilds the tree.
    void ShowFor(const NavigationNodes& nodes, int node) override;
    void ChangeLook(const PageLook& look) override;
    // Clear Log of the window's menu, enabled while a user's node, or a node under it, is
    // selected: it acts on that user.
    bool OnWindowCommand(int id) override;
    bool WindowCommandEnabled(int id) const override;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    struct UserLog {
        std::string user;
        HTREEITEM node = nullptr;
        NewestFirstLines unread;
        std::vector<std::string> lines;  // those with a node, newest first
        HTREEITEM note = nullptr;        // that older lines are left out
        HTREEITEM newestLine = nullptr, oldestLine = nullptr;
    };
    HWND Tree() const noexcept { return Item(IDC_STAT_TREE); }
    void SetImages(const StatisticsImages& images);
    void ShowStatistics();
    // Asks, then clears the selected user's log; a refusal is reported and nothing goes.
    void ClearSelectedLog();
    HTREEITEM Insert(HTREEITEM parent, HTREEITEM after, const wchar_t* text, int image, LPARAM data);
    // The log's next batch of lines, older than the oldest one shown, above it; how many.
    size_t InsertOlderLines(size_t logIndex);
    // Every log whose oldest line shown is in view gets its next batch.
    void FollowScroll();
    bool InView(HTREEITEM item) const;
    void FillText(NMTVDISPINFOW& info);
    std::optional<size_t> SelectedLog() const;
    void ShowPopup();
    // The chart and its figures for the selected user; empty for none.
    void ShowUsage();
    std::vector<UsageDay> UsageOf(const std::string& user, std::int32_t today);
    // Asks where, then writes the selected user's (or everyone's) statistics; a failure is
    // reported and leaves no file half-written.
    void ExportStatistics();
    std::vector<UserStatistics> StatisticsToExport();

    FileSystem& files_;
    SystemFacts& system_;
    Registry& registry_;
    int firstWeekday_;
    std::string programDirectory_;
    std::function<bool(const std::string&)> isCurrentUser_;
    std::function<void(const std::string&)> clearLog_;
    ErrorSink& errors_;
    StatisticsImages images_;
    std::vector<UserLog> logs_;
    UniqueMenu menu_;
    UsageChartView chart_;
    std::optional<std::string> chartedUser_;  // whose days the chart shows
    bool chartFresh_ = false;
    bool followAsked_ = false;
};

}  // namespace vardex
