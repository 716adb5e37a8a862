#include "ConfigTree.h"

#include <algorithm>

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
