#pragma once
// "Vardex statistics": the lock service's per-user logs as a tree (a node per user, a node per
// line) and the switch that keeps them. Only the newest part of a log is read, from a line's
// start on; when older lines are left out, a note says so above the user's lines. A user's lines
// reach the tree in batches that follow the scroll: the next batch comes when the last line shown
// comes into view. What the tree holds, and so the cost of showing and of clearing it, depends on
// how far the administrator has read, not on the size of the logs.
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

protected:
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    struct UserLog {
        HTREEITEM node = nullptr;
        LineCursor unread;
        std::vector<std::string> lines;  // those with a node, in order
        HTREEITEM lastLine = nullptr;    // or the note that older lines are left out
    };
    HWND Tree() const noexcept { return Item(IDC_STAT_TREE); }
    HTREEITEM Insert(HTREEITEM parent, HTREEITEM after, const wchar_t* text, int image, LPARAM data);
    // The log's next batch of lines, after the last one shown.
    void InsertMoreLines(size_t logIndex);
    // Every log whose last line shown is in view gets its next batch.
    void FollowScroll();
    bool InView(HTREEITEM item) const;
    void FillText(NMTVDISPINFOW& info);

    FileSystem& files_;
    std::string programDirectory_;
    std::function<bool(const std::string&)> isCurrentUser_;
    ErrorSink& errors_;
    StatisticsImages images_;
    std::vector<UserLog> logs_;
    bool followAsked_ = false;
};

}  // namespace vardex
