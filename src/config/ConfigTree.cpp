#include "ConfigTree.h"

namespace vardex {

std::string NodeStatusText(NodeKind kind, const std::string& caption, const std::vector<std::string>& childCaptions,
                           const std::string& pageTitle)
{
    if (kind == NodeKind::UserOptions)
        return " " + caption + " : All Available User Profiles";
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

}  // namespace vardex
