#include "ConfigTree.h"

#include <algorithm>
#include <stdexcept>

namespace vardex {

std::optional<NodeKind> ParentKind(NodeKind kind) noexcept
{
    switch (kind) {
    case NodeKind::Root: return std::nullopt;
    case NodeKind::Settings:
    case NodeKind::Appearance: return NodeKind::CommonOptions;
    case NodeKind::User: return NodeKind::UserOptions;
    case NodeKind::CommonOptions:
    case NodeKind::UserOptions:
    case NodeKind::Statistics: break;
    }
    return NodeKind::Root;
}

int NavigationNodes::Add(NodeKind kind, std::string caption, int image, int userIndex)
{
    int parent = -1;
    if (const std::optional<NodeKind> parentKind = ParentKind(kind)) {
        for (int i = Count() - 1; i >= 0 && parent < 0; --i)
            if (nodes_[static_cast<size_t>(i)].kind == *parentKind)
                parent = i;
        if (parent < 0)
            throw std::logic_error("A navigation node before its parent: " + caption);
    }
    nodes_.push_back({kind, std::move(caption), image, userIndex, parent});
    return Count() - 1;
}

std::vector<int> NavigationNodes::Children(int node) const
{
    std::vector<int> children;
    for (int i = 0; i < Count(); ++i)
        if (nodes_[static_cast<size_t>(i)].parent == node)
            children.push_back(i);
    return children;
}

std::vector<std::string> NavigationNodes::ChildCaptions(int node) const
{
    std::vector<std::string> captions;
    for (const int child : Children(node))
        captions.push_back(At(child).caption);
    return captions;
}

int NavigationNodes::Find(NodeKind kind) const noexcept
{
    for (int i = 0; i < Count(); ++i)
        if (nodes_[static_cast<size_t>(i)].kind == kind)
            return i;
    return -1;
}

int NavigationNodes::FindUser(int userIndex) const noexcept
{
    for (int i = 0; i < Count(); ++i)
        if (nodes_[static_cast<size_t>(i)].kind == NodeKind::User && nodes_[static_cast<size_t>(i)].userIndex == userIndex)
            return i;
    return -1;
}

std::string NodeStatusText(NodeKind kind, const std::string& caption, const std::vector<std::string>& childCaptions,
                           const std::string& pageTitle, const Texts& texts)
{
    if (kind == NodeKind::UserOptions)
        return " " + texts.Format(TextId::NodeAllUsers, {caption});
    if (!HasChildren(kind))
        return " " + pageTitle;
    std::string text = " " + caption + " : ";
    for (size_t i = 0; i < childCaptions.size(); ++i)
        text += (i ? ", " : "") + childCaptions[i];
    return text;
}

TreeActionState TreeActions(const TreeFocusState& s) noexcept
{
    return {s.treeFocused && s.hasChildren && !s.expanded, s.treeFocused && s.hasChildren && s.expanded, s.hasParent,
            s.listFocused && s.listItemSelected};
}

std::vector<std::string> SortedNames(std::vector<std::string> names, SystemFacts& system)
{
    std::stable_sort(names.begin(), names.end(), [&system](const std::string& a, const std::string& b) {
        return system.CompareNamesIgnoringCase(a, b) < 0;
    });
    return names;
}

bool AcceleratorsMayTake(KeyFocus focus, const KeyChord& chord) noexcept
{
    constexpr unsigned kInsert = 0x2D, kDelete = 0x2E;
    switch (focus) {
    case KeyFocus::HotKeyField: return false;
    case KeyFocus::Edit: {
        if (chord.alt)
            return false;
        const bool editingControlKey = chord.control && !chord.shift &&
                                       (chord.key == 'A' || chord.key == 'C' || chord.key == 'V' || chord.key == 'X' ||
                                        chord.key == 'Z' || chord.key == kInsert);
        const bool editingShiftKey = chord.shift && !chord.control && (chord.key == kInsert || chord.key == kDelete);
        return !editingControlKey && !editingShiftKey;
    }
    case KeyFocus::Other: break;
    }
    return true;
}

}  // namespace vardex
