#pragma once
// "Vardex statistics": the lock service's per-user logs as a tree (a node per user, a node per
// line) and the switch that keeps them. The logs only grow, so the lines reach the tree in
// batches between messages: the first screen shows at once whatever the logs' size, and the
// window answers the user while the rest follows.
#include "ConfigPages_win.h"
#include "common/Files.h"

#include <string>
#include <vector>

namespace vardex {

// The tree's pictures: an image list and the index of each kind of node in it.
struct StatisticsImages {
    HIMAGELIST list = nullptr;
    int root = 0, currentUser = 0, otherUser = 0, line = 0;
};

class StatisticsPage final : public ConfigPage {
public:
    // isCurrentUser tells whether a log's user key is the user of this session.
    StatisticsPage(ConfigModel& model, std::function<void()> onChange, FileSystem& files, std::string programDirectory,
                   std::function<bool(const std::string&)> isCurrentUser, ErrorSink& errors);
    void Fill() override;
    void SetImages(const StatisticsImages& images);
    // Reads the logs again and rebuilds the tree.
    void ShowStatistics();
    // Whether lines are still waiting for their nodes.
    bool Filling() const noexcept { return next_ < logs_.size(); }

protected:
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    struct UserLog {
        HTREEITEM node = nullptr;
        std::vector<std::string> lines;
        size_t shown = 0;
        HTREEITEM lastLine = nullptr;
    };
    HWND Tree() const noexcept { return Item(IDC_STAT_TREE); }
    HTREEITEM Insert(HTREEITEM parent, HTREEITEM after, const wchar_t* text, int image, LPARAM data);
    // Adds line nodes until the time budget is spent; false when every line has its node.
    bool InsertLines(unsigned budgetMs);

    FileSystem& files_;
    std::string programDirectory_;
    std::function<bool(const std::string&)> isCurrentUser_;
    ErrorSink& errors_;
    StatisticsImages images_;
    std::vector<UserLog> logs_;
    size_t next_ = 0;  // the first log with lines still to insert
};

}  // namespace vardex
